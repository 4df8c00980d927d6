#include "app/HiddenPages.h"

#include "pages/BatteryPage.h"
#include "pages/DryContactPage.h"
#include "pages/EcoPage.h"
#include "pages/OutletPage.h"
#include "pages/ParallelPage.h"
#include "pages/UpsPage.h"

namespace upsconfig {

HiddenPages::HiddenPages(ReportLayer& reports)
    : ups_(new UpsPage(&holder_)),
      dryContact_(new DryContactPage(&holder_)),
      parallel_(new ParallelPage(&holder_)) {
    auto* outlet1 = new OutletPage(reports, &holder_);
    auto* outlet2 = new OutletPage(reports, &holder_);
    outlet1->SetOutletNumber(1);
    outlet2->SetOutletNumber(2);
    pages_ = {ups_,    dryContact_, new BatteryPage(&holder_), parallel_,
              outlet1, outlet2,     new EcoPage(&holder_)};
    for (SettingsPage* page : pages_)
        page->SetQuiet(true);
}

SettingsImage HiddenPages::RoundTrip(const SettingsImage& image,
                                     const std::array<bool, 7>& withTab) {
    ups_->SetOwnImage(image);
    dryContact_->SetOwnImage(image);
    parallel_->SetOwnImage(image);
    ups_->SetModel(static_cast<int>(GetField(image, FieldId::bModelCode)));
    parallel_->FillUnitIdList(static_cast<int>(GetField(image, FieldId::bParalConfig)) - 1);
    for (SettingsPage* page : pages_)
        page->LoadSettings(image);
    SettingsImage stored = image;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (withTab[i]) pages_[i]->StoreSettings(stored);
    return stored;
}

}  // namespace upsconfig
