#include "app/MainDialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/AboutDialog.h"
#include "app/FirstContact.h"
#include "app/LookingForUpsWindow.h"
#include "device/Diagnosis.h"
#include "framework/Accessibility.h"
#include "framework/AppServices.h"
#include "framework/DialogUnits.h"
#include "framework/TabControl.h"
#include "framework/TemplateBuilder.h"
#include "pages/ParallelPage.h"
#include "pages/TestInfoPage.h"
#include "pages/UpsPage.h"
#include "resources/Artwork.h"
#include "resources/Ids.h"
#include "resources/QtText.h"
#include "unit/ModelTable.h"

namespace upsconfig {

namespace {

using namespace ids::window;

// The status line sits in the free strip under the buttons, in the template's units.
constexpr DluRect kStatusLineRect{86, 294, 300, 10};

bool OnUiThread(const QObject* object) { return QThread::currentThread() == object->thread(); }

TabControl* BuildWindow(QDialog* window) {
    TemplateBuilder::BuildDialog(Template(ids::dialog::kMainWindow), window);
    return FindControl<TabControl>(window, kTabs);
}

}  // namespace

MainDialog::MainDialog(HidLink& link, ReportLayer& reports, SelectedBackend& backend, Pauser pauser,
                       Pauser monitorPauser, QWidget* parent)
    : QDialog(parent),
      link_(link),
      reports_(reports),
      backend_(backend),
      pauser_(std::move(pauser)),
      monitor_(reports, std::move(monitorPauser)),
      tabs_(BuildWindow(this)),
      statusLine_(new QLabel(this)),
      pages_(tabs_->Pane(), reports, tabs_),
      actions_(*this, reports, pages_, pauser_) {
    const DialogTemplate& dialog = Template(ids::dialog::kMainWindow);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);  // the main window may be minimised
    setWindowIcon(QIcon(ArtworkPath(ids::art::kAppIcon)));
    // Seven tabs fit the control only at the dialog's own font with narrow tab margins, as they
    // do on the platform the layout was made for.
    tabs_->Bar()->setFont(DialogFont(dialog));
    tabs_->Bar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 5px; border: 1px solid palette(mid); border-bottom: none;"
        " border-top-left-radius: 2px; border-top-right-radius: 2px;"
        " background: palette(button); margin-right: -1px; }"
        "QTabBar::tab:selected { background: palette(window); }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));

    statusLine_->setGeometry(DluToPixels(kStatusLineRect, BaseUnits(DialogFont(dialog))));
    statusLine_->setFont(DialogFont(dialog));

    // Enter on a focused button would press it: only Space and the mouse press buttons here.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ConnectButtons();
    connect(tabs_, &TabControl::SelectionChanged, this, [this](int) { pages_.ShowSelected(); });
    ChainKeyboard();
    for (SettingsPage* page : pages_.All()) {
        connect(page, &SettingsPage::CommandReported, this, [this](const QString& text) {
            SetNote(text);
            actions_.FollowLink();  // a command that found the unit gone says so at once
        });
    }
    reports_.SetListener(this);
}

void MainDialog::ChainKeyboard() {
    // Tab: the window's left column, then the tabs and the page under them, then the buttons
    // below; the pages' own order comes from their templates.
    std::vector<QWidget*> order;
    bool pagesPlaced = false;
    for (QWidget* stop : TabStops(this)) {
        if (tabs_->isAncestorOf(stop)) continue;
        if (!pagesPlaced && stop->x() >= tabs_->x()) {
            order.push_back(tabs_->Bar());
            for (QWidget* page : pages_.All()) {
                const std::vector<QWidget*> stops = TabStops(page);
                order.insert(order.end(), stops.begin(), stops.end());
            }
            pagesPlaced = true;
        }
        order.push_back(stop);
    }
    ChainFocus(order);
    // Ctrl+Tab and Ctrl+Shift+Tab step through the pages, as in any tabbed window.
    const auto step = [this](int by) {
        const int count = tabs_->TabCount();
        if (count > 0) tabs_->Bar()->setCurrentIndex((tabs_->CurrentIndex() + by + count) % count);
    };
    const std::pair<QKeyCombination, int> steps[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::Key_Backtab, -1},
    };
    for (auto [keys, by] : steps)
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this,
                [step, by = by] { step(by); });
}

MainDialog::~MainDialog() {
    reports_.Flags().StopPolling();
    monitor_.Join();
    reports_.SetListener(nullptr);
}

void MainDialog::ConnectButtons() {
    const std::pair<int, void (WindowActions::*)()> handlers[] = {
        {kApply, &WindowActions::Apply},
        {kExit, &WindowActions::Exit},
        {kRefresh, &WindowActions::Refresh},
        {kFactorySetting, &WindowActions::FactorySetting},
        {kDownload, &WindowActions::Download},
        {kUpload, &WindowActions::Upload},
        {kUploadLanguage, &WindowActions::UploadLanguage},
    };
    for (auto [id, handler] : handlers) {
        if (QPushButton* button = FindControl<QPushButton>(this, id))
            connect(button, &QPushButton::clicked, this, [this, handler = handler] {
                (actions_.*handler)();
                // What the action found of the link shows at once.
                actions_.FollowLink();
            });
    }
}

void MainDialog::SetStatusText(const QString& text) {
    busyText_ = text;
    ShowStatus();
}

void MainDialog::SetNote(const QString& text) {
    note_ = text;
    ShowStatus();
}

void MainDialog::SetCondition(const QString& text) {
    condition_ = text;
    ShowStatus();
}

void MainDialog::EnableUnitActions(bool enabled) {
    for (int id : {kApply, kUploadLanguage})
        if (QPushButton* button = FindControl<QPushButton>(this, id)) button->setEnabled(enabled);
}

void MainDialog::ShowStatus() {
    // Work under way first, then the unit's state, then what the last step did.
    const QString& text = !busyText_.isEmpty()    ? busyText_
                          : !condition_.isEmpty() ? condition_
                                                  : note_;
    statusLine_->setText(text);
    QFont font = statusLine_->font();
    font.setBold(busyText_.isEmpty() && !condition_.isEmpty());
    statusLine_->setFont(font);
}

QString MainDialog::StatusText() const { return statusLine_->text(); }

// ---- Start-up ------------------------------------------------------------------------------

bool MainDialog::Initialise() {
    link_.SetIds(kUpsVendorId, kUpsProductId);
    UpsFlags& flags = reports_.Flags();
    flags.upsOn = 1;
    flags.keepPolling = 0;

    if (!ChooseUnit()) return false;
    LookingForUpsWindow looking(windowTitle());
    const FirstContact contact = FindUnit(this, reports_, looking, [this] { return Diagnosis(); });
    if (contact == FirstContact::Cancelled) return false;
    if (contact == FirstContact::Ignored) DisableForIgnore();
    // The reload below reads everything once more: without a unit that is another 6.6 s
    // before the window appears.
    looking.ShowSoon();

    if (contact == FirstContact::Found) StartFollowing();

    pages_.Place();
    actions_.LoadAfterContact();
    looking.Dismiss();
    return true;
}

bool MainDialog::ChooseUnit() {
    const std::vector<HidInterface> units = SelectInterfaces(backend_.Enumerate(), {});
    if (units.empty() || (units.size() == 1 && backend_.Device().empty())) return true;
    std::size_t chosen = 0;
    std::vector<QString> names;
    for (const HidInterface& unit : units) {
        const std::optional<int> model = ReadModelCode(backend_.Unfiltered(), unit, pauser_);
        const std::string_view name = model ? ModelTable::ModelName(*model) : std::string_view();
        names.push_back(name.empty() ? QStringLiteral("UPS") : ToQString(name));
    }
    if (units.size() > 1) {
        QStringList lines;
        for (std::size_t i = 0; i < units.size(); ++i)
            lines << QStringLiteral("%1   serial %2   %3")
                         .arg(names[i],
                              units[i].serial.empty() ? QStringLiteral("-")
                                                      : QString::fromStdString(units[i].serial),
                              QString::fromStdString(units[i].path));
        const std::optional<int> choice = Services().ChooseUnit(this, lines);
        if (!choice) return false;
        chosen = static_cast<std::size_t>(*choice);
        // By serial where it tells the unit apart, so a replug under another node finds it.
        const HidInterface& unit = units[chosen];
        const bool serialUnique =
            !unit.serial.empty() &&
            std::ranges::count(units, unit.serial, &HidInterface::serial) == 1;
        backend_.SetDevice(serialUnique ? unit.serial : unit.path);
    }
    const HidInterface& unit = units[chosen];
    setWindowTitle(QStringLiteral("%1 - %2, %3")
                       .arg(windowTitle(), names[chosen],
                            unit.serial.empty()
                                ? QString::fromStdString(unit.path)
                                : QStringLiteral("serial ") + QString::fromStdString(unit.serial)));
    return true;
}

QString MainDialog::Diagnosis() {
    // Asks the whole bus, so that a --device naming nothing present is said as such.
    return QString::fromStdString(
        DiagnosisText(Diagnose(backend_.Unfiltered(), Services().Host(), backend_.Device())));
}

void MainDialog::StartFollowing() {
    for (int id : {kRefresh, kUploadLanguage, kApply, kFactorySetting})
        if (QPushButton* button = FindControl<QPushButton>(this, id)) button->setEnabled(true);
    pages_.EnableAgain();
    UpsFlags& flags = reports_.Flags();
    flags.upsOn = 1;
    flags.keepPolling = 1;
    actions_.ContactMade();
    StartMonitor();
}

int MainDialog::StateBits() const {
    const UpsFlags& flags = reports_.Flags();
    return (flags.upsOn.load() != 0 ? 1 : 0) | (flags.outlet1On.load() != 0 ? 2 : 0) |
           (flags.outlet2On.load() != 0 ? 4 : 0) | (reports_.Connected() ? 8 : 0);
}

void MainDialog::StartMonitor() {
    shownState_ = StateBits();
    monitor_.Start([this] {
        // Only a change wakes the window: the unit's state against what the window last took
        // in. One update handed over at a time, so a busy window never collects a backlog.
        if (StateBits() == shownState_.load() || stateUpdateQueued_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                stateUpdateQueued_ = false;
                shownState_ = StateBits();
                pages_.ApplyState();
                actions_.FollowLink();
            },
            Qt::QueuedConnection);
    });
}

void MainDialog::DisableForIgnore() {
    // Refresh stays: it looks for the unit again.
    for (int id : {kUploadLanguage, kApply, kFactorySetting})
        if (QPushButton* button = FindControl<QPushButton>(this, id)) button->setEnabled(false);
    pages_.DisableAll();
    SetCondition(QStringLiteral("No UPS is connected. Refresh looks for it again."));
}

void MainDialog::CloseWindow() {
    monitor_.Join();
    QDialog::done(QDialog::Rejected);
}

// ---- The report layer's results -------------------------------------------------------------

void MainDialog::ShareImage(const SettingsImage& image) {
    if (!OnUiThread(this)) {
        QMetaObject::invokeMethod(
            this, [this, image] { ShareImage(image); }, Qt::QueuedConnection);
        return;
    }
    pages_.Share(image);
    actions_.UnitImageRead(image);
}

void MainDialog::ShowVersions(int hardware, int powerFirmware, int monitorFirmware) {
    if (!OnUiThread(this)) {
        QMetaObject::invokeMethod(
            this,
            [this, hardware, powerFirmware, monitorFirmware] {
                ShowVersions(hardware, powerFirmware, monitorFirmware);
            },
            Qt::QueuedConnection);
        return;
    }
    pages_.TestInfo()->ShowVersions(hardware, powerFirmware, monitorFirmware);
}

void MainDialog::ShowTimeSinceStartup(std::int32_t seconds) {
    // Read on the monitor thread: handed over, never waited for.
    QMetaObject::invokeMethod(
        this, [this, seconds] { pages_.TestInfo()->ShowTimeSinceStartup(seconds); },
        Qt::QueuedConnection);
}

// ---- Window events --------------------------------------------------------------------------

void MainDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();  // neither key closes the window or presses a button
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (!actions_.Ending()) {
        if (actions_.Running()) {
            // An action is under way: like a press of Exit meanwhile, the close box takes
            // effect once the action is over instead of being lost.
            event->ignore();
            CloseWhenIdle(0);
            return;
        }
        if (!actions_.MayClose()) {
            event->ignore();
            return;
        }
        actions_.EndWindow();
    }
    event->accept();
}

void MainDialog::CloseWhenIdle(int delayMs) {
    if (closePending_ && delayMs == 0) return;
    closePending_ = true;
    // Looked at again in Exit's steps, so a modal box inside the action never sees a busy loop.
    QTimer::singleShot(delayMs, this, [this] {
        if (actions_.Ending()) return;
        if (actions_.Running()) {
            CloseWhenIdle(WindowActions::kExitStepMs);
            return;
        }
        closePending_ = false;
        close();
    });
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Qt offers no way to extend the window menu, so the About entry lives here.
    const QString about = LoadText(ids::text::kAbout);
    if (about.isEmpty()) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    connect(menu.addAction(about), &QAction::triggered, this, [this] {
        AboutDialog dialog(this);
        dialog.exec();
    });
    menu.exec(event->globalPos());
}

}  // namespace upsconfig
