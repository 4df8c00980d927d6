#include "framework/TemplateBuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <type_traits>

#include "framework/Accessibility.h"
#include "framework/TabControl.h"
#include "resources/Artwork.h"
#include "resources/QtText.h"

namespace upsconfig {

namespace {

bool Has(const ControlTemplate& control, std::uint32_t style) {
    return (control.style & style) != 0;
}

Qt::Alignment HorizontalAlignment(const ControlTemplate& control) {
    if (Has(control, Style::Center)) return Qt::AlignHCenter;
    if (Has(control, Style::RightAlign)) return Qt::AlignRight;
    return Qt::AlignLeft;
}

// The platform's edit boxes show text with \r\n line breaks; Qt wants \n alone.
QString EditText(std::string_view text) {
    return ToQString(text).replace(QStringLiteral("\r\n"), "\n");
}

QWidget* MakeStatic(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(EditText(control.text));
    label->setAlignment(HorizontalAlignment(control) | Qt::AlignTop);
    label->setWordWrap(!Has(control, Style::NoWordWrap));
    return label;
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget* parent) {
    const bool readOnly = Has(control, Style::ReadOnly);
    if (!Has(control, Style::MultiLine)) {
        auto* edit = new QLineEdit(EditText(control.text), parent);
        edit->setReadOnly(readOnly);
        edit->setFrame(Has(control, Style::Border) && !Has(control, Style::NoBorder));
        edit->setAlignment(HorizontalAlignment(control) | Qt::AlignVCenter);
        return edit;
    }
    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(EditText(control.text));
    edit->setReadOnly(readOnly);
    if (!Has(control, Style::Border) || Has(control, Style::NoBorder))
        edit->setFrameShape(QFrame::NoFrame);
    // A vertical scroll bar in the template is always there (greyed out while not needed).
    edit->setVerticalScrollBarPolicy(Has(control, Style::VScroll) ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Without horizontal auto-scroll the platform wraps long lines at the box's edge.
    edit->setLineWrapMode(Has(control, Style::AutoHScroll) ? QPlainTextEdit::NoWrap
                                                           : QPlainTextEdit::WidgetWidth);
    return edit;
}

// A check box or radio button that, like the platform's, reacts to a click anywhere in its
// rectangle, and whose text wraps inside it when the template says multi-line.
template <class Base>
class TemplateButton : public Base {
  public:
    TemplateButton(const QString& text, QWidget* parent, bool wrap, bool topAlign)
        : Base(text, parent), wrap_(wrap), topAlign_(topAlign) {}

    // Where the indicator goes, in the button's coordinates.
    QRect Indicator() const {
        QStyleOptionButton option;
        this->initStyleOption(&option);
        return Place(option).indicator;
    }

  protected:
    static constexpr bool kRadio = std::is_same_v<Base, QRadioButton>;

    struct Places {
        QRect indicator;
        QRect text;
    };

    Places Place(const QStyleOptionButton& option) const {
        const QStyle* style = this->style();
        QRect indicator = style->subElementRect(
            kRadio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, this);
        if (!wrap_) return {indicator, {}};
        const QRect contents = style->subElementRect(
            kRadio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, this);
        const int lines =
            this->fontMetrics().boundingRect(contents, Qt::TextWordWrap, option.text).height();
        QRect text = contents;
        if (!topAlign_) text.setTop(contents.top() + qMax(0, (contents.height() - lines) / 2));
        // Level with the first line of text, but never pushed out of the button: a line lower
        // than the indicator would cut its top off.
        const int lineHeight = this->fontMetrics().height();
        const int top = text.top() + (lineHeight - indicator.height()) / 2;
        indicator.moveTop(qBound(0, top, this->height() - indicator.height()));
        return {indicator, text};
    }

    void paintEvent(QPaintEvent* event) override {
        if (!wrap_) {
            Base::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionButton option;
        this->initStyleOption(&option);
        const Places places = Place(option);
        const QString text = option.text;
        option.text.clear();
        option.rect = places.indicator;
        painter.drawPrimitive(
            kRadio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, option);
        this->style()->drawItemText(&painter, places.text,
                                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, option.palette,
                                    this->isEnabled(), text, QPalette::WindowText);
    }

    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }

  private:
    bool wrap_;
    bool topAlign_;
};

// A frame whose line runs through the middle of its caption, as on the platform, so the
// controls the template places just below the caption sit inside it.
class TemplateGroupBox : public QGroupBox {
  public:
    TemplateGroupBox(const QString& title, QWidget* parent, bool centred)
        : QGroupBox(title, parent), centred_(centred) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        // An etched line: dark, with a light one a pixel below and right of it. (The styles'
        // own group-box frames leave a caption-high gap above the line.)
        const QRect line = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(line);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(line.translated(1, 1));
        if (title().isEmpty()) return;
        const int textWidth = metrics.horizontalAdvance(title()) + 4;
        const int x = centred_ ? (width() - textWidth) / 2 : 6;
        const QRect textRect(x, 0, textWidth, metrics.height());
        painter.fillRect(textRect, palette().window());
        style()->drawItemText(&painter, textRect, Qt::AlignCenter, palette(), isEnabled(), title(),
                              QPalette::WindowText);
    }

  private:
    bool centred_;
};

// Our font draws a little wider than the one the templates were laid out with: a one-line
// text grows to fit rather than being cut or wrapped into a second line nobody sees.
void FitOneLineText(QWidget* widget, QRect& pixels, Qt::Alignment alignment) {
    const int needed = widget->sizeHint().width();
    if (needed <= pixels.width()) return;
    const int extra = needed - pixels.width();
    if (alignment & Qt::AlignRight) pixels.moveLeft(pixels.left() - extra);
    if (alignment & Qt::AlignHCenter) pixels.moveLeft(pixels.left() - extra / 2);
    pixels.setWidth(needed);
}

// A button lower than its indicator would cut the indicator's top and bottom off: it grows about
// its middle to the indicator's height.
void FitIndicator(const QAbstractButton* button, QRect& pixels) {
    const bool radio = qobject_cast<const QRadioButton*>(button) != nullptr;
    const int needed = button->style()->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight, nullptr, button);
    if (pixels.height() >= needed) return;
    pixels.moveTop(pixels.top() - (needed - pixels.height()) / 2);
    pixels.setHeight(needed);
}

template <class Button>
Button* MakeButton(const ControlTemplate& control, QWidget* parent) {
    return new TemplateButton<Button>(ToQString(control.text), parent,
                                      Has(control, Style::MultiLine),
                                      Has(control, Style::TopAlign));
}

QComboBox* MakeDropDownList(const ControlTemplate& control, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    UseNamedListInterface(combo);
    combo->setEditable(false);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view item : control.items)
        combo->addItem(ToQString(item));
    // A new list has its items but no choice; Qt would select the first item.
    combo->setCurrentIndex(-1);
    return combo;
}

// Icons of the templates are drawn at the standard icon size.
constexpr QSize kIconSize(32, 32);

QLabel* MakeArtwork(const ControlTemplate& control, QWidget* parent, const QRect& pixels) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QString path = ArtworkPath(control.resource);
    if (path.isEmpty()) return label;
    if (control.kind == ControlKind::Icon) {
        label->setPixmap(QIcon(path).pixmap(kIconSize));
    } else {
        label->setPixmap(QPixmap(path));
        if (pixels.width() > 0 && pixels.height() > 0) label->setScaledContents(true);
    }
    return label;
}

// A zero-sized icon or bitmap takes the size of its picture, as on the platform.
QSize NaturalArtworkSize(const ControlTemplate& control, const QLabel* label) {
    if (control.kind == ControlKind::Icon) return kIconSize;
    return label->pixmap().isNull() ? QSize(0, 0) : label->pixmap().size();
}

// A static text of one line in height shows one line, fitted as the platform fits it.
QLabel* MakeFittedStatic(const ControlTemplate& control, QWidget* target, QRect& pixels) {
    auto* label = static_cast<QLabel*>(MakeStatic(control, target));
    if (pixels.height() < 2 * label->fontMetrics().height()) {
        label->setWordWrap(false);
        FitOneLineText(label, pixels, HorizontalAlignment(control));
    }
    return label;
}

// What every control takes from its template: place, id, tab stop and state.
void Place(QWidget* widget, const ControlTemplate& control, const QRect& pixels) {
    widget->setGeometry(pixels);
    if (control.id != kNoId) widget->setObjectName(QString::number(control.id));
    if (Has(control, Style::NoTabStop) && widget->focusPolicy() != Qt::NoFocus)
        widget->setFocusPolicy(Qt::ClickFocus);
    if (Has(control, Style::Disabled)) widget->setEnabled(false);
    if (Has(control, Style::Hidden)) widget->setHidden(true);
}

}  // namespace

std::vector<QWidget*> TemplateBuilder::Build(const DialogTemplate& dialog, QWidget* target) {
    const QFont font = DialogFont(dialog);
    const DialogBaseUnits units = BaseUnits(font);
    target->setFont(font);
    target->resize(DluToPixelsX(dialog.width, units), DluToPixelsY(dialog.height, units));

    std::vector<QWidget*> built;
    std::vector<QWidget*> frames;
    QButtonGroup* radioGroup = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        // A group mark on any control ends the radio group before it, as on the platform.
        if (Has(control, Style::GroupStart)) radioGroup = nullptr;
        QRect pixels = DluToPixels(control.rect, units);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Static:
                widget = MakeFittedStatic(control, target, pixels);
                break;
            case ControlKind::Edit:
                widget = MakeEdit(control, target);
                break;
            case ControlKind::DropDownList: {
                QComboBox* combo = MakeDropDownList(control, target);
                // The template's height is the opened list's; the closed box keeps its own.
                const int closed = combo->sizeHint().height();
                const int row = qMax(1, combo->fontMetrics().height() + 2);
                combo->setMaxVisibleItems(qMax(1, (pixels.height() - closed) / row));
                pixels.setHeight(closed);
                widget = combo;
                break;
            }
            case ControlKind::CheckBox: {
                QCheckBox* box = MakeButton<QCheckBox>(control, target);
                if (!Has(control, Style::MultiLine)) FitOneLineText(box, pixels, Qt::AlignLeft);
                FitIndicator(box, pixels);
                widget = box;
                break;
            }
            case ControlKind::RadioButton: {
                QRadioButton* radio = MakeButton<QRadioButton>(control, target);
                if (radioGroup == nullptr) {
                    radioGroup = new QButtonGroup(target);
                    radioGroup->setExclusive(true);
                }
                // The group decides exclusivity; auto-exclusive stays on, as it tells screen
                // readers that this is a radio button and not a check box.
                radioGroup->addButton(radio);
                if (!Has(control, Style::MultiLine)) FitOneLineText(radio, pixels, Qt::AlignLeft);
                FitIndicator(radio, pixels);
                widget = radio;
                break;
            }
            case ControlKind::PushButton: {
                auto* button = new QPushButton(ToQString(control.text), target);
                if (Has(control, Style::DefaultButton)) button->setDefault(true);
                widget = button;
                break;
            }
            case ControlKind::GroupBox: {
                auto* frame = new TemplateGroupBox(ToQString(control.text), target,
                                                   Has(control, Style::Center));
                frame->setAttribute(Qt::WA_TransparentForMouseEvents);
                frame->setFocusPolicy(Qt::NoFocus);
                frames.push_back(frame);
                widget = frame;
                break;
            }
            case ControlKind::Icon:
            case ControlKind::Bitmap: {
                QLabel* label = MakeArtwork(control, target, pixels);
                if (pixels.width() <= 0 || pixels.height() <= 0)
                    pixels.setSize(NaturalArtworkSize(control, label));
                widget = label;
                break;
            }
            case ControlKind::TabControl:
                widget = new TabControl(target);
                break;
        }
        Place(widget, control, pixels);
        built.push_back(widget);
    }
    // Frames go behind everything they surround, wherever the template lists them.
    for (QWidget* frame : frames)
        frame->lower();
    NameFieldsByTheirLabels(built);
    ChainFocus(ReadingOrder(built, DluToPixelsX(dialog.columnX, units)));
    return built;
}

QRect TemplateBuilder::IndicatorRect(const QAbstractButton& button) {
    if (auto* box = dynamic_cast<const TemplateButton<QCheckBox>*>(&button))
        return box->Indicator();
    if (auto* radio = dynamic_cast<const TemplateButton<QRadioButton>*>(&button))
        return radio->Indicator();
    return {};
}

std::vector<QWidget*> TemplateBuilder::BuildDialog(const DialogTemplate& dialog, QDialog* target) {
    std::vector<QWidget*> built = Build(dialog, target);
    target->setWindowTitle(ToQString(dialog.caption));
    target->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
    target->setFixedSize(target->size());
    return built;
}

}  // namespace upsconfig
