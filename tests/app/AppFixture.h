#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <vector>

#include "app/ConfigToolApp.h"
#include "app/MainDialog.h"
#include "framework/TabControl.h"
#include "framework/TemplateBuilder.h"
#include "pages/BatteryPage.h"
#include "pages/DryContactPage.h"
#include "pages/EcoPage.h"
#include "pages/InfoTextPage.h"
#include "pages/OutletPage.h"
#include "pages/ParallelPage.h"
#include "pages/TestInfoPage.h"
#include "pages/UpsPage.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/MonitorGate.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig::support {

// The tool on a simulated unit in standby (model 3, monitor firmware 3: every tab of the model),
// with the fake pauser, scripted answers and a monitor that ends only the waits a test allows.
class AppFixture : public testing::Test {
  protected:
    void SetUp() override {
        SetServices(&services);
        unit.LoadImage(HeldSettings(3));
        unit.SetVersions(1, 12, 3);
        unit.SetOnline(false);
    }

    void TearDown() override {
        if (app) {
            app->Dialog().Actions().EndWindow();
            app.reset();
        }
        SetServices(nullptr);
    }

    // Settings a unit of that model could hold: every value in its page's range.
    static SettingsImage HeldSettings(int model) {
        SettingsImage image;
        SetField(image, FieldId::bModelCode, static_cast<unsigned>(model));
        SetField(image, FieldId::bOutputLevel, 3);  // 120 V
        SetField(image, FieldId::bAlarmCtrl, 1);
        SetField(image, FieldId::bAutoStartEn, 1);
        SetField(image, FieldId::bAutoBattTestEn, 1);
        SetField(image, FieldId::bParalConfig, 1);
        SetField(image, FieldId::BatWeakPer_A, 20);
        SetField(image, FieldId::BatWeakPer_B, 20);
        SetWord(image, FieldId::OutletOnAftRTlessDT_H_A, 300);
        SetWord(image, FieldId::OutletOnAftRTlessDT_H_B, 300);
        return image;
    }

    ConfigToolApp& MakeApp() {
        gate = std::make_unique<MonitorGate>(
            [this] { return app->Reports().Flags().keepPolling.load() == 0; });
        app = std::make_unique<ConfigToolApp>(bus, pauser.AsPauser(), gate->AsPauser(), device);
        return *app;
    }

    // Start-up up to the ready window, which is then shown (not run modally).
    MainDialog& Start() {
        MakeApp();
        EXPECT_TRUE(app->Initialise());
        app->Dialog().show();
        QApplication::processEvents();
        return app->Dialog();
    }

    // Start-up done, the monitor parked in its wait for the first status read; the log, the
    // clock and the recorded calls start empty.
    MainDialog& Ready() {
        MainDialog& dialog = Start();
        EXPECT_TRUE(gate->WaitForWaits(1));
        bus.ClearLog();
        pauser.Reset();
        services.calls.clear();
        return dialog;
    }

    // Lets the monitor run through its next status read, until it waits again; the window
    // takes in what it handed over.
    void NextStatusRead() {
        const int next = gate->Waits() + 1;
        gate->Allow(1);
        ASSERT_TRUE(gate->WaitForWaits(next));
        QApplication::processEvents();
    }

    MainDialog& Dialog() { return app->Dialog(); }
    PageSet& Pages() { return app->Dialog().Pages(); }
    WindowActions& Actions() { return app->Dialog().Actions(); }
    UpsFlags& Flags() { return app->Reports().Flags(); }
    SettingsImage& Image() { return app->Reports().Image(); }
    QPushButton* Button(int id) { return FindControl<QPushButton>(&app->Dialog(), id); }

    std::vector<QString> TabLabels() {
        std::vector<QString> labels;
        TabControl* tabs = Dialog().Pages().Tabs();
        for (int i = 0; i < tabs->TabCount(); ++i)
            labels.push_back(tabs->TabText(i));
        return labels;
    }

    std::vector<support::ScriptedAppServices::Call> Messages() const {
        return services.CallsOf(support::ScriptedAppServices::Kind::Message);
    }

    SimulatedUps bus;
    SimulatedUnit& unit = bus.Unit();
    std::string device;  // as --device gives it
    FakePauser pauser;
    support::ScriptedAppServices services;
    std::unique_ptr<MonitorGate> gate;
    std::unique_ptr<ConfigToolApp> app;
};

}  // namespace upsconfig::support
