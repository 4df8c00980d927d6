#include "support/PageTestSupport.h"

#include <QCursor>
#include <QPlainTextEdit>

namespace upsconfig::support {

SettingsImage ImageWith(std::uint8_t fill, std::initializer_list<FieldValue> fields) {
    SettingsImage image;
    image.bytes.fill(fill);
    for (const FieldValue& f : fields)
        SetField(image, f.field, f.value);
    return image;
}

std::string Hex(const SettingsImage& image) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : image.bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

QString HelpText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString HoverOver(SettingsPage& page, int id, int helpBoxId) {
    const QWidget* control = page.Control<QWidget>(id);
    QCursor::setPos(page.mapToGlobal(control->geometry().center()));
    page.UpdateHoverHelp();
    return page.Control<QPlainTextEdit>(helpBoxId)->toPlainText();
}

}  // namespace upsconfig::support
