#include "framework/AppServices.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <memory>

#include "framework/CommErrorDialog.h"
#include "framework/UnitChoiceDialog.h"

namespace upsconfig {

namespace {

constexpr const char* kFileFilter = "KVR8 configuration(*.kvr)";

struct ButtonInfo {
    int id;
    QMessageBox::StandardButton standard;
    const char* text;
};

constexpr ButtonInfo kButtons[] = {
    {ButtonId::Ok, QMessageBox::Ok, "&OK"},
    {ButtonId::Cancel, QMessageBox::Cancel, "&Cancel"},
    {ButtonId::Abort, QMessageBox::Abort, "&Abort"},
    {ButtonId::Retry, QMessageBox::Retry, "&Retry"},
    {ButtonId::Ignore, QMessageBox::Ignore, "&Ignore"},
    {ButtonId::Yes, QMessageBox::Yes, "&Yes"},
    {ButtonId::No, QMessageBox::No, "&No"},
};

const ButtonInfo& Info(int id) {
    return *std::find_if(std::begin(kButtons), std::end(kButtons),
                         [id](const ButtonInfo& b) { return b.id == id; });
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & 0xF0u) {
        case MessageStyle::IconStop:
            return QMessageBox::Critical;
        case MessageStyle::IconQuestion:
            return QMessageBox::Question;
        case MessageStyle::IconExclamation:
            return QMessageBox::Warning;
        case MessageStyle::IconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A box without Cancel and with more than one button cannot be dismissed: Qt would otherwise
// take "No" for Escape and the close box.
class NoDismissFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

AppServices realServices;
AppServices* current = &realServices;

// The folder of the last settings file chosen in this run; the file dialogs open there, and in
// the user's home folder before the first choice (not wherever the program was started from).
QString lastFolder;

void StartInLastFolder(QFileDialog& dialog) {
    dialog.setDirectory(lastFolder.isEmpty() ? QDir::homePath() : lastFolder);
}

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString file = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(file).absolutePath();
    return file;
}

}  // namespace

std::vector<int> MessageButtonIds(unsigned style) {
    using namespace ButtonId;
    switch (style & 0x0Fu) {
        case MessageStyle::OkCancel:
            return {Ok, Cancel};
        case MessageStyle::AbortRetryIgnore:
            return {Abort, Retry, Ignore};
        case MessageStyle::YesNoCancel:
            return {Yes, No, Cancel};
        case MessageStyle::YesNo:
            return {Yes, No};
        case MessageStyle::RetryCancel:
            return {Retry, Cancel};
        default:
            return {Ok};
    }
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text,
                                            const QString& caption, unsigned style,
                                            const QString& details) {
    // A box without a caption of its own is titled "Error", as the platform's boxes are.
    const QString title = caption.isEmpty() ? QStringLiteral("Error") : caption;
    auto box = std::make_unique<QMessageBox>(IconOf(style), title,
                                             QString(text).replace(QStringLiteral("\r\n"), "\n"),
                                             QMessageBox::NoButton, owner);
    box->setTextFormat(Qt::PlainText);
    if (!details.isEmpty()) box->setDetailedText(details);
    const std::vector<int> ids = MessageButtonIds(style);
    std::vector<QPushButton*> buttons;
    for (int id : ids) {
        const ButtonInfo& info = Info(id);
        // Standard buttons keep their roles; only the captions are ours.
        QPushButton* button = box->addButton(info.standard);
        button->setText(QString::fromLatin1(info.text));
        buttons.push_back(button);
    }
    const std::size_t defaultIndex = (style >> 8) & 0x0Fu;
    box->setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
    if (box->button(QMessageBox::Cancel)) box->setEscapeButton(box->button(QMessageBox::Cancel));
    return box;
}

int AppServices::ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                             unsigned style, const QString& details) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(owner, text, caption, style, details);
    const std::vector<int> ids = MessageButtonIds(style);
    const bool hasCancel = std::find(ids.begin(), ids.end(), ButtonId::Cancel) != ids.end();
    NoDismissFilter noDismiss;
    if (!hasCancel && ids.size() > 1) box->installEventFilter(&noDismiss);
    box->exec();
    for (int id : ids)
        if (box->clickedButton() == box->button(Info(id).standard)) return id;
    // Closed without a button (e.g. its owner went away): what Escape would have answered.
    return hasCancel ? ButtonId::Cancel : ids.front();
}

int AppServices::RunCommErrorDialog(QWidget* owner, const QString& diagnosis) {
    CommErrorDialog dialog(owner, diagnosis);
    dialog.exec();
    return dialog.Choice();
}

std::optional<int> AppServices::ChooseUnit(QWidget* owner, const QStringList& units) {
    UnitChoiceDialog dialog(units, owner);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen() < 0) return std::nullopt;
    return dialog.Chosen();
}

HostView AppServices::Host() { return HostView::OfThisMachine(); }

std::optional<QString> AppServices::GetSaveFileName(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kFileFilter));
    dialog.setDefaultSuffix(QStringLiteral("kvr"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    StartInLastFolder(dialog);
    return Chosen(dialog);
}

std::optional<QString> AppServices::GetOpenFileName(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The reader copes with a missing file itself, so the dialog does not insist on one.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kFileFilter));
    StartInLastFolder(dialog);
    return Chosen(dialog);
}

bool AppServices::LaunchProgram(const QString& exactPath) {
    return QProcess::startDetached(exactPath, {});
}

bool AppServices::FileExists(const QString& path) { return QFileInfo::exists(path); }

AppServices& Services() { return *current; }

void SetServices(AppServices* services) { current = services ? services : &realServices; }

int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                const QString& details) {
    return Services().ShowMessage(owner, text, caption, style, details);
}

}  // namespace upsconfig
