#include "pages/InfoTextPage.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

#include "resources/Ids.h"
namespace upsconfig {

namespace {

using ids::infotext::kText;

// What comes with the unit; lines end in \r\n like every text of the tool.
constexpr const char* kInfoText =
    "\r\n"
    "This configuration program is distributed on a CD that comes in the UPS accessory "
    "package.\r\n"
    "\r\n"
    "The CD contains:\r\n"
    "1. The UPS configuration program and its installation files.\r\n"
    "2. The user manual of the UPS configuration program.\r\n"
    "3. The user manuals of the UPS models.\r\n"
    "4. A PDF viewer, version 5.0 or later, to read the manuals.\r\n"
    "5. A web page viewer, version 5.5 or later, to read the help pages.\r\n";

}  // namespace

InfoTextPage::InfoTextPage(QWidget* parent)
    : SettingsPage(Template(ids::dialog::kInfoTextPage), parent),
      text_(QString::fromUtf8(kInfoText)) {
    // Not swallowed on their way in, but see keyPressEvent: they never close anything either.
    SetEnterEscapeFilter(false);
    ShowInfoText();
}

void InfoTextPage::ShowInfoText() {
    QString shown = text_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Control<QPlainTextEdit>(kText)->setPlainText(shown);
}

void InfoTextPage::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape do nothing here, rather than reach the window around the page.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            SettingsPage::keyPressEvent(event);
    }
}

}  // namespace upsconfig
