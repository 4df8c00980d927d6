#pragma once

#include <QWidget>
#include <vector>

#include "app/PageSet.h"
#include "device/ReportLayer.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// The pages once more, never shown and quiet: they tell what storing the pages gives for an
// image they were loaded with, without touching the user's pages.
class HiddenPages {
  public:
    explicit HiddenPages(ReportLayer& reports);

    // Loads the image as the window loads its pages after a read, then stores the settings
    // pages among `withTab` into a copy of it, in store order.
    SettingsImage RoundTrip(const SettingsImage& image, const std::vector<EditedOn>& withTab);

  private:
    QWidget holder_;
    PageSet pages_;
};

}  // namespace upsconfig
