#pragma once

#include <QString>
#include <optional>

#include "settingsfile/SettingsFile.h"
#include "unit/SettingsImage.h"

class QWidget;

namespace upsconfig {

// What Download and Upload need of the main window, so the two actions can be tested without it.
class SettingsFileHost {
  public:
    virtual ~SettingsFileHost() = default;

    // Owner of the file dialogs and message boxes.
    virtual QWidget* Owner() = 0;
    // The settings image as last read from the unit (or taken from the last Upload).
    virtual SettingsImage& Image() = 0;
    // The UPS-on flag.
    virtual bool UpsOn() const = 0;
    // Whether the pages show settings that came from the unit or a file; before that they
    // hold nothing worth saving.
    virtual bool PagesLoaded() const = 0;
    // StoreSettings into the image on the UPS, dry-contact, battery, parallel, Outlet1, Outlet2
    // and ECO pages, in this order, but only on those that have a tab. False when a page
    // refused an entry (the user has been told, and the page is shown).
    virtual bool StorePagesWithTabs(SettingsImage& image) = 0;
    // Hands the settings image to the pages that keep their own copy.
    virtual void ShareImage() = 0;
    // SetModel with bModelCode, FillUnitIdList with bParalConfig - 1, then LoadSettings on all
    // seven settings pages in the order above, tab or not.
    virtual void LoadPagesFromImage() = 0;
};

// The Download button: saves what the pages show (pages without a tab: the settings image) to a
// file the user picks. A failed write is reported and leaves any earlier file as it was; pages
// never loaded or an entry a page refuses save nothing.
void DownloadSettings(SettingsFileHost& host, const LocalClock& clock = SystemLocalTime);

// The Upload button: refused while the UPS is on; otherwise a file the user picks goes into the
// settings image (the unit's model code stays) and onto the pages. Nothing is sent to the unit.
// A file that cannot be read or holds no settings is reported and changes nothing. Returns the
// file loaded, if any.
std::optional<QString> UploadSettings(SettingsFileHost& host);

// Takes a loaded image into the settings image and onto the pages.
void ShowLoadedSettings(SettingsFileHost& host, const SettingsImage& loaded);

}  // namespace upsconfig
