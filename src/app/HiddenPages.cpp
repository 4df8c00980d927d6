#include "app/HiddenPages.h"

#include <algorithm>

#include "pages/SettingsPage.h"
#include "unit/Tabs.h"

namespace upsconfig {

HiddenPages::HiddenPages(ReportLayer& reports) : pages_(&holder_, reports) {
    pages_.SetQuiet(true);
}

SettingsImage HiddenPages::RoundTrip(const SettingsImage& image,
                                     const std::vector<EditedOn>& withTab) {
    pages_.Share(image);
    pages_.Load(image);
    SettingsImage stored = image;
    for (const EditedOn page : kSettingsPages)
        if (std::ranges::find(withTab, page) != withTab.end())
            pages_.Page(page)->StoreSettings(stored);
    return stored;
}

}  // namespace upsconfig
