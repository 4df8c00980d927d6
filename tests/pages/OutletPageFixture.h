#pragma once

// Two outlet pages over a simulated unit, with scripted message boxes, as the tests share them.
#include "pages/OutletPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <utility>
#include <vector>

#include "device/HidLink.h"
#include "resources/Ids.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/QtPrinters.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig {

namespace id = ids::outlet;

using F = FieldId;
using support::ScriptedAppServices;

// Outlet 2's field for each outlet-1 field the pages edit; the reboot delays are not among them.
const std::vector<std::pair<F, F>> kOutletPairs = {
    {F::OutletOnDT_H_A, F::OutletOnDT_H_B},
    {F::OutletOnDT_L_A, F::OutletOnDT_L_B},
    {F::OutletOnAftACRecDT_H_A, F::OutletOnAftACRecDT_H_B},
    {F::OutletOnAftACRecDT_L_A, F::OutletOnAftACRecDT_L_B},
    {F::OutletOnAftRTlessDT_H_A, F::OutletOnAftRTlessDT_H_B},
    {F::OutletOnAftRTlessDT_L_A, F::OutletOnAftRTlessDT_L_B},
    {F::OutletOnAftCPlessDT_H_A, F::OutletOnAftCPlessDT_H_B},
    {F::OutletOnAftCPlessDT_L_A, F::OutletOnAftCPlessDT_L_B},
    {F::OutletOffAftACOffDT_H_A, F::OutletOffAftACOffDT_H_B},
    {F::OutletOffAftACOffDT_L_A, F::OutletOffAftACOffDT_L_B},
    {F::BatWeakRunTime_H_A, F::BatWeakRunTime_H_B},
    {F::BatWeakRunTime_L_A, F::BatWeakRunTime_L_B},
    {F::BatWeakPer_A, F::BatWeakPer_B},
    {F::bPROVOB_1, F::bPROVOB_2},
    {F::bPROVRL_1, F::bPROVRL_2},
    {F::bPROVCL_1, F::bPROVCL_2},
    {F::bOOOOB_1, F::bOOOOB_2},
    {F::bOUPLOF_1, F::bOUPLOF_2},
    {F::bOBRLOF_1, F::bOBRLOF_2},
    {F::bOBCLOF_1, F::bOBCLOF_2},
};

// The field of outlet `half` + 1 for an outlet-1 field.
inline F ForOutlet(F outlet1Field, int half) {
    if (half == 0) return outlet1Field;
    for (const auto& [a, b] : kOutletPairs)
        if (a == outlet1Field) return b;
    ADD_FAILURE() << "no outlet-2 field for " << Field(outlet1Field).name;
    return outlet1Field;
}

// Every byte distinct, and the two outlets' values valid and different from each other.
inline SettingsImage Base() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(0x80 + i);
    SetWord(image, F::OutletOnDT_H_A, 2 * 60);
    SetWord(image, F::OutletOffAftACOffDT_H_A, 7 * 60);
    SetWord(image, F::OutletOnAftACRecDT_H_A, 3 * 60);
    SetWord(image, F::BatWeakRunTime_H_A, 9 * 60);
    SetWord(image, F::OutletOnAftRTlessDT_H_A, 4 * 60);
    SetWord(image, F::OutletOnAftCPlessDT_H_A, 6 * 60);
    SetField(image, F::BatWeakPer_A, 45);
    SetWord(image, F::OutletOnDT_H_B, 11 * 60);
    SetWord(image, F::OutletOffAftACOffDT_H_B, 12 * 60);
    SetWord(image, F::OutletOnAftACRecDT_H_B, 13 * 60);
    SetWord(image, F::BatWeakRunTime_H_B, 14 * 60);
    SetWord(image, F::OutletOnAftRTlessDT_H_B, 15 * 60);
    SetWord(image, F::OutletOnAftCPlessDT_H_B, 16 * 60);
    SetField(image, F::BatWeakPer_B, 70);
    image.bytes[4] = 0xA5;  // outlet bits mixed, both outlets
    image.bytes[5] = 0x97;
    return image;
}

class OutletPageTest : public testing::Test {
  protected:
    void SetUp() override {
        link.SetIds(kUpsVendorId, kUpsProductId);
        outlet1.SetOutletNumber(1);
        outlet2.SetOutletNumber(2);
    }

    static QLineEdit* Edit(OutletPage& page, int id) { return page.Control<QLineEdit>(id); }
    static QCheckBox* Box(OutletPage& page, int id) { return page.Control<QCheckBox>(id); }
    static bool Enabled(OutletPage& page, int id) { return page.Control<QWidget>(id)->isEnabled(); }

    // The page shown and active, so a bad entry can take the focus.
    static bool ShowActive(OutletPage& page) {
        page.show();
        page.activateWindow();
        return QTest::qWaitForWindowActive(&page);
    }

    std::vector<ScriptedAppServices::Call> Messages() const {
        return services.CallsOf(ScriptedAppServices::Kind::Message);
    }

    // Every field that `page` does not edit is as in `before`.
    static void ExpectOthersUntouched(const SettingsImage& before, const SettingsImage& after,
                                      EditedOn page) {
        for (const FieldInfo& field : Fields()) {
            if (field.editedOn == page) continue;
            EXPECT_EQ(GetField(after, field.id), GetField(before, field.id)) << field.name;
        }
    }

    SimulatedUps ups;
    HidLink link{ups};
    support::FakePauser pauser;
    ReportLayer layer{link, pauser.AsPauser()};
    ScriptedAppServices services;
    ScriptedAppServices::Installed installed{services};
    OutletPage outlet1{layer};
    OutletPage outlet2{layer};
};

}  // namespace upsconfig
