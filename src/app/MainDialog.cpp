#include "app/MainDialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/AboutDialog.h"
#include "app/HiddenPages.h"
#include "app/LanguageUpload.h"
#include "app/LookingForUpsWindow.h"
#include "framework/AppServices.h"
#include "framework/BusyScope.h"
#include "framework/DialogUnits.h"
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
#include "resources/Artwork.h"
#include "resources/QtText.h"
#include "unit/ApplyChanges.h"
#include "unit/Tabs.h"

namespace upsconfig {

namespace {

const QString kCommLostText = QStringLiteral("communication lost,\nplease try again");
const QString kCommLostCaption = QStringLiteral("communication lost");
const QString kSaveQuestion = QStringLiteral("Do you want to save change?");
const QString kSaveCaption = QStringLiteral("Save setting");
const QString kSavedCaption = QStringLiteral("Setting");
const QString kFactoryOnlineText = QStringLiteral(
    "Can't reset to factory defaults while the UPS is online.\r\n Please change to standby mode "
    "and try again.");
const QString kFactoryQuestion =
    QStringLiteral("Do you want to change to Factory Default configuration?");
const QString kFactoryCaption = QStringLiteral("Factory Default");

// The status line sits in the free strip under the buttons, in the template's units.
constexpr DluRect kStatusLineRect{86, 294, 300, 10};

bool OnUiThread(const QObject* object) { return QThread::currentThread() == object->thread(); }

}  // namespace

MainDialog::MainDialog(HidLink& link, ReportLayer& reports, Pauser pauser, Pauser monitorPauser,
                       QWidget* parent)
    : QDialog(parent),
      link_(link),
      reports_(reports),
      pauser_(std::move(pauser)),
      monitor_(reports, monitorPauser ? std::move(monitorPauser) : pauser_) {
    const DialogTemplate& dialog = Template(kTemplateId);
    TemplateBuilder::BuildDialog(dialog, this);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);  // the main window may be minimised
    setWindowIcon(QIcon(ArtworkPath(kAppIconId)));
    tabs_ = FindControl<TabControl>(this, kTabControlId);
    // Seven tabs fit the control only at the dialog's own font with narrow tab margins, as they
    // do on the platform the layout was made for.
    tabs_->Bar()->setFont(DialogFont(dialog));
    tabs_->Bar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 5px; border: 1px solid palette(mid); border-bottom: none;"
        " border-top-left-radius: 2px; border-top-right-radius: 2px;"
        " background: palette(button); margin-right: -1px; }"
        "QTabBar::tab:selected { background: palette(window); }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));

    statusLine_ = new QLabel(this);
    statusLine_->setGeometry(DluToPixels(kStatusLineRect, BaseUnits(DialogFont(dialog))));
    statusLine_->setFont(DialogFont(dialog));

    // Enter on a focused button would press it: only Space and the mouse press buttons here.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ConnectButtons();
    connect(tabs_, &TabControl::SelectionChanged, this, [this](int) { ShowSelectedPage(); });
    reports_.SetListener(this);
}

MainDialog::~MainDialog() {
    Flags().keepPolling = 0;
    monitor_.Join();
    reports_.SetListener(nullptr);
}

void MainDialog::ConnectButtons() {
    const std::pair<int, void (MainDialog::*)()> handlers[] = {
        {kApplyId, &MainDialog::OnApply},
        {kExitId, &MainDialog::OnExit},
        {kRefreshId, &MainDialog::OnRefresh},
        {kFactorySettingId, &MainDialog::OnFactorySetting},
        {kDownloadId, &MainDialog::OnDownload},
        {kUploadId, &MainDialog::OnUpload},
        {kUploadLanguageId, &MainDialog::OnUploadLanguage},
    };
    for (auto [id, handler] : handlers) {
        if (QPushButton* button = Button(id))
            connect(button, &QPushButton::clicked, this,
                    [this, handler = handler] { (this->*handler)(); });
    }
}

QPushButton* MainDialog::Button(int id) const { return FindControl<QPushButton>(this, id); }

std::array<SettingsPage*, 7> MainDialog::SettingsPages() const {
    return {upsPage_,     dryContactPage_, batteryPage_, parallelPage_,
            outlet1Page_, outlet2Page_,    ecoPage_};
}

std::array<SettingsPage*, 9> MainDialog::AllPages() const {
    return {upsPage_,     dryContactPage_, batteryPage_, parallelPage_, infoTextPage_,
            outlet1Page_, outlet2Page_,    ecoPage_,     testInfoPage_};
}

void MainDialog::SetStatusText(const QString& text) { statusLine_->setText(text); }
QString MainDialog::StatusText() const { return statusLine_->text(); }

bool MainDialog::Busy() const { return actionRunning_ || BusyScope::Active() || ending_; }

// ---- Start-up ------------------------------------------------------------------------------

bool MainDialog::Initialise() {
    link_.SetIds(kUpsVendorId, kUpsProductId);
    CreatePages();

    UpsFlags& flags = Flags();
    flags.upsOn = 1;
    flags.keepPolling = 0;

    LookingForUpsWindow looking(windowTitle());
    bool ignored = false;
    for (;;) {
        looking.ShowSoon();
        reports_.ReadAllReports();
        if (link_.Connected() && GetField(Image(), FieldId::bModelCode) != 0) break;
        looking.Dismiss();
        const int choice = Services().RunCommErrorDialog(this);
        if (choice == ButtonId::Retry) continue;
        if (choice == ButtonId::Ignore) {
            DisableForIgnore();
            ignored = true;
            break;
        }
        return false;  // Cancel, or the dialog closed any other way: the program ends
    }
    // The reload below reads everything once more: without a unit that is another 6.6 s
    // before the window appears.
    looking.ShowSoon();

    if (!ignored) {
        flags.upsOn = 1;
        flags.keepPolling = 1;
        monitor_.Start([this] {
            if (stateUpdateQueued_.exchange(true)) return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    stateUpdateQueued_ = false;
                    ApplyStateToPages();
                },
                Qt::QueuedConnection);
        });
    }

    PlacePages();
    tabCount_ = 0;
    RebuildTabs();
    pauser_(kReloadDelayMs);
    Reload();
    upsPage_->UpdateForUpsState(flags.upsOn);
    parallelPage_->UpdateForUpsState(flags.upsOn);
    looking.Dismiss();
    return true;
}

void MainDialog::CreatePages() {
    if (upsPage_ != nullptr) return;
    QWidget* pane = tabs_->Pane();
    // Created in this order so that the focus order of the pages follows it.
    upsPage_ = new UpsPage(pane);
    dryContactPage_ = new DryContactPage(pane);
    batteryPage_ = new BatteryPage(pane);
    parallelPage_ = new ParallelPage(pane);
    infoTextPage_ = new InfoTextPage(pane);
    outlet1Page_ = new OutletPage(reports_, pane);
    outlet2Page_ = new OutletPage(reports_, pane);
    outlet1Page_->SetOutletNumber(1);
    outlet2Page_->SetOutletNumber(2);
    ecoPage_ = new EcoPage(pane);
    testInfoPage_ = new TestInfoPage(reports_, pane);
    for (SettingsPage* page : AllPages()) {
        page->hide();
        for (QPushButton* button : page->findChildren<QPushButton*>()) {
            button->setAutoDefault(false);
            button->setDefault(false);
        }
    }
}

void MainDialog::PlacePages() {
    // The pane covers the whole tab control, tabs on top; its size is the control's even before
    // the window is first shown.
    const QRect area = QRect(QPoint(0, 0), tabs_->size()).adjusted(2, 30, -2, -2);
    for (SettingsPage* page : AllPages())
        page->setGeometry(area);
}

void MainDialog::DisableForIgnore() {
    for (int id : {kRefreshId, kUploadLanguageId, kApplyId, kFactorySettingId})
        if (QPushButton* button = Button(id)) button->setEnabled(false);
    for (SettingsPage* page : SettingsPages())
        page->DisableAllControls();
    testInfoPage_->DisableAllControls();
}

// ---- Tabs and pages ------------------------------------------------------------------------

void MainDialog::RebuildTabs() {
    const int model = static_cast<int>(GetField(Image(), FieldId::bModelCode));
    if (model == lastModelCode_) return;
    lastModelCode_ = model;
    for (int i = 0; i < tabCount_; ++i)
        tabs_->DeleteTab(0);
    tabCount_ = 0;
    for (SettingsPage* page : AllPages())
        page->hide();
    InsertTabs();
    upsPage_->show();
    tabs_->SetCurrentIndex(0);
    infoTextPage_->ShowInfoText();
}

void MainDialog::InsertTabs() {
    const int model = static_cast<int>(GetField(Image(), FieldId::bModelCode));
    for (SettingsPage* page : AllPages())
        page->SetTabIndex(-1);
    for (const EditedOn tab : TabsOf(model, Flags().testInfo.load() != 0)) {
        PageOf(tab)->SetTabIndex(tabCount_);
        tabs_->InsertTab(tabCount_, QString::fromStdString(TabLabel(tab)));
        ++tabCount_;
    }
}

SettingsPage* MainDialog::PageOf(EditedOn page) const {
    switch (page) {
        case EditedOn::UpsPage:
            return upsPage_;
        case EditedOn::DryContactPage:
            return dryContactPage_;
        case EditedOn::BatteryPage:
            return batteryPage_;
        case EditedOn::ParallelPage:
            return parallelPage_;
        case EditedOn::Outlet1Page:
            return outlet1Page_;
        case EditedOn::Outlet2Page:
            return outlet2Page_;
        case EditedOn::EcoPage:
            return ecoPage_;
        case EditedOn::TestInfoPage:
            return testInfoPage_;
        case EditedOn::NoPage:
        case EditedOn::ReportWriter:
            break;
    }
    return nullptr;
}

void MainDialog::ShowSelectedPage() {
    const int selected = tabs_->CurrentIndex();
    SettingsPage* pages[] = {upsPage_,     dryContactPage_, batteryPage_, parallelPage_,
                             outlet1Page_, outlet2Page_,    ecoPage_,     testInfoPage_};
    // Hide first, so two pages are never on screen together.
    for (SettingsPage* page : pages)
        if (selected < 0 || page->TabIndex() != selected) page->hide();
    for (SettingsPage* page : pages)
        if (selected >= 0 && page->TabIndex() == selected) page->show();
    outlet1Page_->UpdateCommandButtons(Flags().outlet1On);
    outlet2Page_->UpdateCommandButtons(Flags().outlet2On);
}

void MainDialog::ApplyStateToPages() {
    if (upsPage_ == nullptr) return;
    const UpsFlags& flags = Flags();
    upsPage_->UpdateForUpsState(flags.upsOn);
    parallelPage_->UpdateForUpsState(flags.upsOn);
    outlet1Page_->UpdateCommandButtons(flags.outlet1On);
    outlet2Page_->UpdateCommandButtons(flags.outlet2On);
}

bool MainDialog::Reload() {
    const bool all = reports_.ReadAllReports();
    // A report never read leaves start values in the image: the pages wait for a read that
    // brings all of them.
    if (link_.Connected() && reports_.ImageFromUnit()) LoadPagesFromImage();
    upsPage_->UpdateForUpsState(Flags().upsOn);
    return all && link_.Connected();
}

void MainDialog::LoadPagesFromImage() {
    const SettingsImage& image = Image();
    upsPage_->SetModel(static_cast<int>(GetField(image, FieldId::bModelCode)));
    parallelPage_->FillUnitIdList(static_cast<int>(GetField(image, FieldId::bParalConfig)) - 1);
    for (SettingsPage* page : SettingsPages())
        page->LoadSettings(Image());
    pagesLoaded_ = true;
}

bool MainDialog::StorePagesWithTabs(SettingsImage& image) {
    // Pages without a tab leave their fields as the image holds them.
    for (SettingsPage* page : SettingsPages()) {
        if (page->TabIndex() == -1 || page->StoreSettings(image)) continue;
        // The page with the refused entry comes to the front, the entry in focus.
        tabs_->SetCurrentIndex(page->TabIndex());
        ShowSelectedPage();
        return false;
    }
    return true;
}

// ---- The report layer's results -------------------------------------------------------------

void MainDialog::ShareImage(const SettingsImage& image) {
    if (!OnUiThread(this)) {
        QMetaObject::invokeMethod(
            this, [this, image] { ShareImage(image); }, Qt::QueuedConnection);
        return;
    }
    if (upsPage_ == nullptr) return;
    upsPage_->SetOwnImage(image);
    dryContactPage_->SetOwnImage(image);
    parallelPage_->SetOwnImage(image);
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
    versions_ = {hardware, powerFirmware, monitorFirmware};
    if (testInfoPage_ != nullptr)
        testInfoPage_->ShowVersions(hardware, powerFirmware, monitorFirmware);
}

void MainDialog::ShowTimeSinceStartup(std::int32_t seconds) {
    // Read on the monitor thread: handed over, never waited for.
    QMetaObject::invokeMethod(
        this,
        [this, seconds] {
            if (testInfoPage_ != nullptr) testInfoPage_->ShowTimeSinceStartup(seconds);
        },
        Qt::QueuedConnection);
}

// ---- Buttons ---------------------------------------------------------------------------------

void MainDialog::OnRefresh() {
    if (Busy()) return;
    if (!link_.Connected()) {
        ShowMessage(this, kCommLostText, kCommLostCaption, MessageStyle::IconStop);
        return;
    }
    BusyScope busy(QStringLiteral("Reading the settings of the UPS..."),
                   [this](const QString& text) { SetStatusText(text); });
    // The tabs follow the model code of the previous read: a unit swapped in between shows its
    // own tabs one Refresh later.
    RebuildTabs();
    Reload();
    ApplyStateToPages();
}

void MainDialog::OnApply() {
    if (Busy()) return;
    if (!pagesLoaded_) {
        // The pages never held the unit's values: storing them would put start values over
        // the unit's settings.
        ShowMessage(this, kCommLostText, kCommLostCaption, MessageStyle::IconStop);
        return;
    }
    actionRunning_ = true;
    const SaveOutcome saved = SaveChanges();
    if (saved.reload) {
        bool readBack = false;
        {
            BusyScope busy(QStringLiteral("Waiting for the UPS to take the settings..."),
                           [this](const QString& text) { SetStatusText(text); });
            pauser_(kApplyWaitMs);
            SetStatusText(QStringLiteral("Reading the settings of the UPS..."));
            readBack = Reload();
        }
        if (saved.check) CheckWrite(saved, readBack);
    }
    actionRunning_ = false;
}

MainDialog::SaveOutcome MainDialog::SaveChanges() {
    SaveOutcome outcome;
    const auto status = [this](const QString& text) { SetStatusText(text); };
    {
        BusyScope busy(QStringLiteral("Reading the settings of the UPS..."), status);
        reports_.ReadStatus();
        reports_.ReadAllReports();
    }
    const SettingsImage asRead = Image();
    SettingsImage edited = Image();
    // An entry a page refuses ends the Apply before anything is written, the edits kept.
    if (!StorePagesWithTabs(edited)) {
        outcome.reload = false;
        return outcome;
    }

    const int answer = ShowMessage(this, kSaveQuestion, kSaveCaption,
                                   MessageStyle::YesNoCancel | MessageStyle::IconQuestion);
    // Cancel goes back to the pages as they are; No discards the edits with the reload.
    if (answer == ButtonId::Cancel) outcome.reload = false;
    if (answer != ButtonId::Yes) return outcome;

    // Only what the user changed is written: a value the pages merely could not carry (a
    // hidden box, seconds below a minute, a code without a list item) stays as the unit has it.
    std::array<bool, 7> withTab{};
    const auto pages = SettingsPages();
    for (std::size_t i = 0; i < pages.size(); ++i)
        withTab[i] = pages[i]->TabIndex() != -1;
    const SettingsImage roundTrip = HiddenPages(reports_).RoundTrip(asRead, withTab);
    const SettingsImage merged = KeepWhatWasNotChanged(asRead, edited, roundTrip);

    const bool changed = ChangesAnySetting(merged, Image());
    if (changed) ReportLayer::AdoptImage(merged, Image());
    WriteOutcome written;
    {
        BusyScope busy(QStringLiteral("Writing the settings to the UPS..."), status);
        written = reports_.WriteReports(Image(), asRead);
    }
    // A report given up is lost even when a later one found the unit again.
    if (!written.allWritten || !link_.Connected()) {
        ShowMessage(this, kCommLostText, kCommLostCaption, MessageStyle::IconStop);
    } else if (changed) {
        ShowMessage(this, LoadText(kSavedStringId), kSavedCaption, MessageStyle::Ok);
        outcome.check = true;
        outcome.written = Image();
        outcome.writtenBytes = written.writtenBytes;
    }
    return outcome;
}

void MainDialog::CheckWrite(const SaveOutcome& saved, bool readBack) {
    if (!readBack) {
        ShowMessage(this,
                    QStringLiteral("The settings were sent, but they could not be read back "
                                   "from the UPS to check them.\n\nPress Refresh to see what "
                                   "the UPS holds."),
                    kSavedCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
        return;
    }
    const std::vector<UnheldSetting> unheld =
        FindUnheldSettings(saved.written, Image(), saved.writtenBytes);
    if (unheld.empty()) return;
    const int model = static_cast<int>(GetField(Image(), FieldId::bModelCode));
    QString text = QStringLiteral("The UPS does not hold these settings as they were written:\n");
    for (const UnheldSetting& setting : unheld)
        text += QStringLiteral("\n") + QString::fromStdString(DescribeUnheld(setting, model));
    ShowMessage(this, text, kSavedCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
}

void MainDialog::OnFactorySetting() {
    if (Busy()) return;
    if (Flags().upsOn.load() != 0) {
        ShowMessage(this, kFactoryOnlineText, kFactoryCaption, MessageStyle::Ok);
        return;
    }
    if (ShowMessage(this, kFactoryQuestion, kFactoryCaption,
                    MessageStyle::YesNoCancel | MessageStyle::IconQuestion) != ButtonId::Yes)
        return;
    // Every settings page, with a tab or not; nothing reaches the unit before Apply.
    for (SettingsPage* page : SettingsPages())
        page->SetFactoryDefaults();
}

void MainDialog::OnExit() {
    if (actionRunning_ || BusyScope::Active()) return;
    EndWindow(kExitStepMs);
}

void MainDialog::EndWindow(int settleMs) {
    if (ending_) return;
    ending_ = true;
    Flags().keepPolling = 0;
    // The monitor finishes its pass (a status read in progress gives up before its next
    // attempt); only then may the window and its pages go.
    do {
        pauser_(settleMs);
    } while (monitor_.Running());
    monitor_.Join();
    QDialog::done(QDialog::Rejected);
}

void MainDialog::OnAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainDialog::OnDownload() {
    if (Busy()) return;
    DownloadSettings(*this);
}

void MainDialog::OnUpload() {
    if (Busy()) return;
    UploadSettings(*this);
}

void MainDialog::OnUploadLanguage() {
    if (Busy()) return;
    UploadLanguage(
        this, reports_, pauser_, [this] { return monitor_.Running(); },
        [this] { EndWindow(kExitStepMs); });
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
    if (!ending_) {
        if (actionRunning_ || BusyScope::Active()) {
            // An action is under way: like a press of Exit meanwhile, the close box takes
            // effect once the action is over instead of being lost.
            event->ignore();
            CloseWhenIdle(0);
            return;
        }
        EndWindow(kExitStepMs);
    }
    event->accept();
}

void MainDialog::CloseWhenIdle(int delayMs) {
    if (closePending_ && delayMs == 0) return;
    closePending_ = true;
    // Looked at again in Exit's steps, so a modal box inside the action never sees a busy loop.
    QTimer::singleShot(delayMs, this, [this] {
        if (ending_) return;
        if (actionRunning_ || BusyScope::Active()) {
            CloseWhenIdle(kExitStepMs);
            return;
        }
        closePending_ = false;
        close();
    });
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Qt offers no way to extend the window menu, so the About entry lives here.
    const QString about = LoadText(kAboutStringId);
    if (about.isEmpty()) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    connect(menu.addAction(about), &QAction::triggered, this, &MainDialog::OnAbout);
    menu.exec(event->globalPos());
}

}  // namespace upsconfig
