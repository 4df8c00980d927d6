#include "framework/Accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>

namespace upsconfig {
namespace {

constexpr char kNamedList[] = "upsconfigNamedList";

// Qt's own list interface on Unix gives the chosen item as the name, whatever the list is
// called; this one names the list and gives the item as its value.
class NamedListAccessible : public QAccessibleWidget {
  public:
    explicit NamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    QString text(QAccessible::Text kind) const override {
        const auto* list = static_cast<const QComboBox*>(widget());
        if (kind == QAccessible::Name && !list->accessibleName().isEmpty())
            return list->accessibleName();
        if (kind == QAccessible::Value || kind == QAccessible::Name) return list->currentText();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            static_cast<QComboBox*>(widget())->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* NamedListFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QComboBox") || !object->property(kNamedList).toBool())
        return nullptr;
    return new NamedListAccessible(static_cast<QComboBox*>(object));
}

}  // namespace

void UseNamedListInterface(QComboBox* list) {
    static const bool installed = [] {
        QAccessible::installFactory(&NamedListFactory);
        return true;
    }();
    (void)installed;
    list->setProperty(kNamedList, true);
}

namespace {

bool IsField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget);
}

// The text a label, check box or frame shows; empty for anything else.
QString LabelText(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (const auto* box = qobject_cast<const QCheckBox*>(widget)) return box->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    return {};
}

QString Trimmed(QString text) {
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

int CentreY(const QRect& r) { return r.y() + r.height() / 2; }

// On one row: either one's vertical middle lies within the other.
bool SameRow(const QRect& a, const QRect& b) {
    const auto within = [](int y, const QRect& r) { return y >= r.y() && y < r.y() + r.height(); };
    return within(CentreY(a), b) || within(CentreY(b), a);
}

struct Label {
    QWidget* widget = nullptr;
    QString text;
};

Label FindLabel(const QWidget* field, const std::vector<QWidget*>& built, bool toTheRight) {
    const QRect f = field->geometry();
    Label best;
    int bestX = 0;
    for (QWidget* candidate : built) {
        if (candidate == field || qobject_cast<QGroupBox*>(candidate)) continue;
        const QString text = Trimmed(LabelText(candidate));
        const QRect c = candidate->geometry();
        if (text.isEmpty() || !SameRow(c, f)) continue;
        const bool right = c.x() > f.x() + f.width() / 2;
        const bool left = c.x() < f.x() && c.x() + c.width() / 2 < f.x();
        if (toTheRight ? !right || (best.widget && c.x() >= bestX)
                       : !left || (best.widget && c.x() <= bestX))
            continue;
        best = {candidate, text};
        bestX = c.x();
    }
    return best;
}

// A label just above the field, over it, at most a line and a half away.
Label FindLabelAbove(const QWidget* field, const std::vector<QWidget*>& built) {
    const QRect f = field->geometry();
    const int reach = field->fontMetrics().height() * 3 / 2;
    for (QWidget* candidate : built) {
        const QRect c = candidate->geometry();
        const QString text = Trimmed(LabelText(candidate));
        if (text.isEmpty() || !qobject_cast<QLabel*>(candidate)) continue;
        const int gap = f.y() - (c.y() + c.height());
        const bool over = c.x() < f.x() + f.width() && f.x() < c.x() + c.width();
        if (over && gap >= -2 && gap <= reach) return {candidate, text};
    }
    return {};
}

// The smallest frame around the field's middle.
Label FindFrame(const QWidget* field, const std::vector<QWidget*>& built) {
    Label best;
    int bestArea = 0;
    for (QWidget* candidate : built) {
        auto* frame = qobject_cast<QGroupBox*>(candidate);
        const QString text = frame ? Trimmed(frame->title()) : QString();
        const QRect c = candidate->geometry();
        const int area = c.width() * c.height();
        if (text.isEmpty() || !c.contains(field->geometry().center())) continue;
        if (best.widget && area >= bestArea) continue;
        best = {candidate, text};
        bestArea = area;
    }
    return best;
}

}  // namespace

void NameFieldsByTheirLabels(const std::vector<QWidget*>& built) {
    for (QWidget* field : built) {
        if (!IsField(field)) continue;
        Label label = FindLabel(field, built, false);
        if (!label.widget) label = FindLabelAbove(field, built);
        if (!label.widget) label = FindFrame(field, built);
        if (!label.widget) continue;
        QString name = label.text;
        if (const Label unit = FindLabel(field, built, true); unit.widget)
            name += QStringLiteral(", ") + unit.text;
        field->setAccessibleName(name);
        if (auto* text = qobject_cast<QLabel*>(label.widget)) text->setBuddy(field);
    }
}

std::vector<QWidget*> ReadingOrder(const std::vector<QWidget*>& built, int columnX) {
    for (QWidget* widget : built) {
        auto* radio = qobject_cast<QRadioButton*>(widget);
        QButtonGroup* group = radio ? radio->group() : nullptr;
        if (!group) continue;
        const QList<QAbstractButton*> buttons = group->buttons();
        const bool reachable = std::any_of(buttons.begin(), buttons.end(), [](QAbstractButton* b) {
            return (b->focusPolicy() & Qt::TabFocus) != 0;
        });
        if (!reachable && !buttons.isEmpty()) buttons.front()->setFocusPolicy(Qt::StrongFocus);
    }

    std::vector<QWidget*> stops;
    for (QWidget* widget : built)
        if ((widget->focusPolicy() & Qt::TabFocus) != 0) stops.push_back(widget);
    const auto column = [columnX](const QWidget* w) {
        if (const auto* text = qobject_cast<const QPlainTextEdit*>(w); text && text->isReadOnly())
            return 2;
        return columnX > 0 && w->geometry().x() >= columnX ? 1 : 0;
    };
    // By column, then by top; then each run of controls on one row from left to right.
    std::stable_sort(stops.begin(), stops.end(), [&](const QWidget* a, const QWidget* b) {
        if (column(a) != column(b)) return column(a) < column(b);
        return a->geometry().y() < b->geometry().y();
    });
    for (auto row = stops.begin(); row != stops.end();) {
        const QRect first = (*row)->geometry();
        const auto end = std::find_if(row + 1, stops.end(), [&](const QWidget* w) {
            return column(w) != column(*row) || !SameRow(w->geometry(), first);
        });
        std::stable_sort(row, end, [](const QWidget* a, const QWidget* b) {
            return a->geometry().x() < b->geometry().x();
        });
        row = end;
    }
    return stops;
}

void ChainFocus(const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

std::vector<QWidget*> TabStops(const QWidget* root) {
    std::vector<QWidget*> stops;
    const QWidget* start = root;
    for (QWidget* w = root->nextInFocusChain(); w != nullptr && w != start;
         w = w->nextInFocusChain()) {
        if (root->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0 &&
            std::find(stops.begin(), stops.end(), w) == stops.end())
            stops.push_back(w);
    }
    return stops;
}

}  // namespace upsconfig
