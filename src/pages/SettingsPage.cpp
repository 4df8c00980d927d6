#include "pages/SettingsPage.h"

#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "framework/BusyScope.h"
#include "resources/QtText.h"

namespace upsconfig {

std::optional<std::size_t> HoverMatch(QPoint cursor, std::span<const QRect> screenRects,
                                      int margin) {
    std::optional<std::size_t> match;
    for (std::size_t i = 0; i < screenRects.size(); ++i) {
        const QRect& r = screenRects[i];
        // Half-open on the right and bottom; QRect::right() is the last pixel inside.
        const int left = r.x() - margin;
        const int top = r.y() - margin;
        const int right = r.x() + r.width() + margin;
        const int bottom = r.y() + r.height() + margin;
        if (left <= cursor.x() && cursor.x() < right && top <= cursor.y() && cursor.y() < bottom)
            match = i;
    }
    return match;
}

SettingsPage::SettingsPage(const DialogTemplate& dialog, QWidget* parent) : QWidget(parent) {
    TemplateBuilder::Build(dialog, this);
    // Qt sends tracking-only moves to the widget under the mouse alone and none to disabled
    // widgets, so the page watches itself and every control, inner parts (viewports, buttons
    // of spin boxes) included.
    Watch(this);
    for (QWidget* child : findChildren<QWidget*>())
        Watch(child);
}

void SettingsPage::Watch(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void SettingsPage::RunCommand(const QString& what, const QString& target,
                              const std::function<bool()>& send) {
    bool sent = false;
    {
        BusyScope busy;
        sent = send();
    }
    emit CommandReported(
        sent ? QStringLiteral("%1 sent to %2.").arg(what, target)
             : QStringLiteral("%1 for %2: communication lost, the command did not reach the UPS.")
                   .arg(what, target));
}

void SettingsPage::LoadSettings(SettingsImage) {}
bool SettingsPage::StoreSettings(SettingsImage&) { return true; }
void SettingsPage::SetFactoryDefaults() {}
void SettingsPage::DisableAllControls() {}

void SettingsPage::ShowHelpText(const QString& text) {
    if (helpBoxId_ == kNoId) return;
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (auto* box = Control<QPlainTextEdit>(helpBoxId_)) {
        box->setPlainText(plain);
    } else if (auto* line = Control<QLineEdit>(helpBoxId_)) {
        line->setText(plain);
    }
}

void SettingsPage::SetHelp(int helpBoxId, std::span<const HelpRow> table, int marginPixels) {
    helpBoxId_ = helpBoxId;
    helpTable_ = table;
    margin_ = marginPixels;
    // Screen readers read the help with the control itself.
    for (const HelpRow& row : table)
        if (QWidget* control = Control<QWidget>(row.controlId))
            control->setAccessibleDescription(
                QString(HelpText(row)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString SettingsPage::HelpText(const HelpRow& row) const {
    const int id =
        row.alternativeId != 0 && UseAlternativeHelp() ? row.alternativeId : row.stringId;
    return id != 0 ? LoadText(id) : ToQString(row.text);
}

void SettingsPage::ShowHelpFor(const QWidget* control) {
    for (const HelpRow& row : helpTable_) {
        if (Control<QWidget>(row.controlId) == control) {
            ShowHelpText(HelpText(row));
            return;
        }
    }
}

void SettingsPage::UpdateHoverHelp() {
    if (helpTable_.empty()) return;
    // Nothing is cached: rectangles are taken afresh on every move, hidden controls included.
    std::vector<QRect> rects;
    std::vector<std::size_t> entries;
    rects.reserve(helpTable_.size());
    for (std::size_t i = 0; i < helpTable_.size(); ++i) {
        const QWidget* control = Control<QWidget>(helpTable_[i].controlId);
        if (control == nullptr) continue;
        rects.emplace_back(control->mapToGlobal(QPoint(0, 0)), control->size());
        entries.push_back(i);
    }
    const std::optional<std::size_t> match = HoverMatch(QCursor::pos(), rects, margin_);
    if (!match) return;  // the help box keeps the text it has
    ShowHelpText(HelpText(helpTable_[entries[*match]]));
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            UpdateHoverHelp();
            break;
        case QEvent::FocusIn: {
            // The keyboard's way of pointing at a control; a window merely activated points
            // at nothing.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (watched->isWidgetType() &&
                (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                 reason == Qt::ShortcutFocusReason))
                ShowHelpFor(static_cast<QWidget*>(watched));
            break;
        }
        case QEvent::KeyPress:
            // An opened list is a window of its own and keeps its keys.
            if (filterEnterEscape_ && watched->isWidgetType() &&
                static_cast<QWidget*>(watched)->window() == window()) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
                    return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace upsconfig
