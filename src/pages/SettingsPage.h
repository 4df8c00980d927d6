#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "framework/TemplateBuilder.h"
#include "resources/DialogTemplate.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// Which help entry the hover help shows for a cursor position: the last rectangle, in table
// order, that contains the cursor once enlarged by `margin` on every side (left <= x < right,
// top <= y < bottom). Empty when none does. All in screen coordinates.
std::optional<std::size_t> HoverMatch(QPoint cursor, std::span<const QRect> screenRects,
                                      int margin);

// One row of a page's help table: a control and the text shown while the mouse is over it, a
// string-table entry or, without one, the page's own text.
struct HelpRow {
    int controlId = kNoId;
    int stringId = 0;
    std::string_view text = {};
    // Another string-table entry, shown instead while the page's UseAlternativeHelp() says so.
    int alternativeId = 0;
};

// Base of every settings page: a child window built from its template, with a tab index, the
// four operations through which the main window moves settings, hover help and the
// Enter/Escape filter.
class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPage(const DialogTemplate& dialog, QWidget* parent = nullptr);

    // -1 while the page has no tab.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int index) { tabIndex_ = index; }

    // Defaults do nothing, for pages without the operation. StoreSettings is false when the
    // page refused an entry (having told the user why); the image may then be partly written.
    virtual void LoadSettings(SettingsImage image);
    virtual bool StoreSettings(SettingsImage& image);
    virtual void SetFactoryDefaults();
    virtual void DisableAllControls();
    // Whether the unit answers: the command buttons of a page are offered only while it does.
    virtual void SetUnitReachable(bool /*reachable*/) {}

    // The page's own copy of the settings image, as the window last shared it: pages whose
    // choices depend on the model or on another field take them from here.
    void SetOwnImage(const SettingsImage& image) { ownImage_ = image; }
    const SettingsImage& OwnImage() const { return ownImage_; }

    // A quiet page tells the user nothing: it serves to compute, not to be looked at.
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    bool Quiet() const { return quiet_; }

    // Replaces the whole text of the help box (\r\n or \n line breaks); no-op without one.
    void ShowHelpText(const QString& text);

    // The page's control with that id, or nullptr.
    template <class T>
    T* Control(int id) const {
        return FindControl<T>(this, id);
    }

    // Runs the hover help for the cursor where the system has it now. Called on every mouse
    // move over the page or any of its controls.
    void UpdateHoverHelp();
    // Shows the help of that control, when it has a row; called when it takes the focus.
    void ShowHelpFor(const QWidget* control);

  signals:
    // A command of the page's buttons is over: what became of it, in words for the window's
    // status line.
    void CommandReported(const QString& text);

  protected:
    // Sends a command of a button (`what`, e.g. "Turn Off", for `target`, e.g. "Outlet1") with a
    // busy cursor and reports whether the unit took it; the unit tells nothing more.
    void RunCommand(const QString& what, const QString& target, const std::function<bool()>& send);
    // The help box, the table (static data, tested in order, the last match wins) and the
    // margin in pixels.
    void SetHelp(int helpBoxId, std::span<const HelpRow> table, int marginPixels);
    // Asked at every move that ends over a row with an alternative text.
    virtual bool UseAlternativeHelp() const { return false; }
    // Swallow Enter, Return, keypad Enter and Escape on the page and its controls (default on).
    void SetEnterEscapeFilter(bool on) { filterEnterEscape_ = on; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Watch(QWidget* widget);
    QString HelpText(const HelpRow& row) const;

    int tabIndex_ = -1;
    int helpBoxId_ = kNoId;
    std::span<const HelpRow> helpTable_;
    int margin_ = 0;
    bool filterEnterEscape_ = true;
    bool quiet_ = false;
    SettingsImage ownImage_;
};

}  // namespace upsconfig
