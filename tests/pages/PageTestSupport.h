#pragma once

#include <QCursor>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "pages/SettingsPage.h"
#include "unit/SettingsImage.h"

namespace upsconfig::pagetest {

struct FieldValue {
    FieldId field;
    unsigned value;
};

// Every byte `fill`, then the given fields: with 0x00 and 0xFF a store that touches a
// neighbour's bits shows in the bytes.
inline SettingsImage ImageWith(std::uint8_t fill, std::initializer_list<FieldValue> fields) {
    SettingsImage image;
    image.bytes.fill(fill);
    for (const FieldValue& f : fields)
        SetField(image, f.field, f.value);
    return image;
}

// The bytes as hex, so that a failed comparison shows where the images differ.
inline std::string Hex(const SettingsImage& image) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : image.bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// The string-table text as the help box shows it.
inline QString HelpText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Puts the system cursor on the middle of control `id`, runs the page's hover help the way a
// mouse move does, and returns what the help box then holds.
inline QString HoverOver(SettingsPage& page, int id, int helpBoxId) {
    const QWidget* control = page.Control<QWidget>(id);
    QCursor::setPos(page.mapToGlobal(control->geometry().center()));
    page.UpdateHoverHelp();
    return page.Control<QPlainTextEdit>(helpBoxId)->toPlainText();
}

}  // namespace upsconfig::pagetest
