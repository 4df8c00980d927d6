#include <gtest/gtest.h>

#include <QWidget>
#include <random>

#include "app/PageSet.h"
#include "device/HidLink.h"
#include "pages/SettingsPage.h"
#include "sim/SimulatedUps.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

// Fresh pages, never shown: loaded with one image, stored into another.
class RealPages {
  public:
    RealPages() : link_(bus_), reports_(link_, [](int) {}), pages_(&holder_, reports_) {
        pages_.SetQuiet(true);
    }

    SettingsImage Store(const SettingsImage& loaded, const SettingsImage& into, bool allPages) {
        const int model = static_cast<int>(GetField(loaded, FieldId::bModelCode));
        SettingsImage stored = into;
        for (const EditedOn page : kSettingsPages)
            if (allPages || HasTab(model, false, page)) pages_.Page(page)->StoreSettings(stored);
        return stored;
    }
    PageSet& Pages() { return pages_; }

  private:
    SimulatedUps bus_;
    HidLink link_;
    ReportLayer reports_;
    QWidget holder_;
    PageSet pages_;
};

constexpr int kModels[] = {0, 3, 14, 19, 21, 22, 33};

SettingsImage RandomImage(std::mt19937& random, int model, bool small) {
    SettingsImage image;
    for (auto& byte : image.bytes)
        byte = static_cast<std::uint8_t>(random());
    // Half the images keep times and numbers low, where the pages' ranges are.
    if (small)
        for (const SettingMeaning& s : SettingMeanings())
            SetValue(image, s, ValueOf(image, s) % (s.word ? 2400u : 8u));
    SetField(image, FieldId::bModelCode, static_cast<unsigned>(model));
    return image;
}

TEST(PageValuesTest, PageStoreIsWhatThePagesStoreForAnyImages) {
    std::mt19937 random(13);
    for (const int model : kModels) {
        for (int round = 0; round < 30; ++round) {
            const SettingsImage loaded = RandomImage(random, model, round % 2 == 0);
            const SettingsImage into = RandomImage(random, model, round % 3 == 0);
            RealPages pages;
            pages.Pages().Share(loaded);
            pages.Pages().Load(loaded);
            ASSERT_EQ(PageStore(loaded, into), pages.Store(loaded, into, false))
                << "model " << model << ", round " << round;
        }
    }
}

TEST(PageValuesTest, FactorySettingsAreWhatFactorySettingPutsOnEveryPage) {
    std::mt19937 random(7);
    for (const int model : kModels) {
        const SettingsImage before = RandomImage(random, model, true);
        RealPages pages;
        pages.Pages().Share(before);
        pages.Pages().Load(before);
        pages.Pages().SetFactoryDefaults();
        SettingsImage empty;
        SetField(empty, FieldId::bModelCode, static_cast<unsigned>(model));
        EXPECT_EQ(FactorySettings(model), pages.Store(before, empty, true)) << "model " << model;
    }
}

}  // namespace
}  // namespace upsconfig
