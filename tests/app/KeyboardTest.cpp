#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QAccessible>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <functional>
#include <set>

#include "app/AppFixture.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

// A field whose label a screen reader should announce: its id, the name it gets, and whether a
// label text (not a check box or frame) names it, which is then its labelled-by relation.
struct Named {
    int id;
    const char* name;
    bool byLabel = true;
};

struct PageCase {
    const char* name;
    int model;
    int tab;  // Ctrl+Tab presses from the first tab
    std::vector<Named> named;
};
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class Keyboard : public AppFixture, public testing::WithParamInterface<PageCase> {};

void Walk(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& visit) {
    visit(node);
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* child = node->child(i)) Walk(child, visit);
}

TEST_P(Keyboard, EveryControlIsNamedAndTabReadsThePageInOrderShowingItsHelp) {
    unit.LoadImage(HeldSettings(GetParam().model));
    MainDialog& dialog = Start();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTabBar* bar = Pages().Tabs()->Bar();
    bar->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < GetParam().tab; ++i)
        QTest::keyClick(bar, Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(Pages().Tabs()->CurrentIndex(), GetParam().tab);
    SettingsPage* page = nullptr;
    for (SettingsPage* candidate : Pages().All())
        if (candidate->isVisible()) page = candidate;
    ASSERT_NE(page, nullptr);

    // The accessible tree: every control has a name of its own, never just its value, and a
    // radio button says it is one.
    Walk(QAccessible::queryAccessibleInterface(page), [&](QAccessibleInterface* node) {
        auto* widget = qobject_cast<QWidget*>(node->object());
        if (widget == nullptr || widget == page || !widget->isVisibleTo(page)) return;
        const QString id = widget->objectName();
        if (qobject_cast<QRadioButton*>(widget)) {
            EXPECT_EQ(node->role(), QAccessible::RadioButton) << id.toStdString();
        } else if (qobject_cast<QCheckBox*>(widget)) {
            EXPECT_EQ(node->role(), QAccessible::CheckBox) << id.toStdString();
        }
        if ((widget->focusPolicy() & Qt::TabFocus) == 0 || id.isEmpty()) return;
        const QString name = node->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << id.toStdString();
        const QString value = node->text(QAccessible::Value);
        if (!value.isEmpty()) {
            EXPECT_NE(name, value) << id.toStdString();
        }
    });
    for (const Named& field : GetParam().named) {
        QWidget* widget = page->Control<QWidget>(field.id);
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        EXPECT_EQ(node->text(QAccessible::Name), field.name) << field.id;
        if (!field.byLabel) continue;
        const auto labels = node->relations(QAccessible::Label);
        ASSERT_FALSE(labels.isEmpty()) << field.id;
        const QString label = labels.front().first->text(QAccessible::Name);
        EXPECT_TRUE(QString(field.name).startsWith(label.chopped(label.endsWith(':') ? 1 : 0)))
            << field.id;
    }

    // Tab from the tabs walks the page's enabled controls once each, down each row from left to
    // right and the right-hand column after the left, then leaves for the buttons; each control
    // with help shows it in the help box as the mouse would.
    auto* help = page->findChild<QPlainTextEdit*>(QString(), Qt::FindDirectChildrenOnly);
    std::vector<QWidget*> visited;
    for (int guard = 0; guard < 40; ++guard) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (!page->isAncestorOf(focus)) {
            EXPECT_EQ(focus, Button(ids::window::kRefresh));
            break;
        }
        EXPECT_EQ(std::count(visited.begin(), visited.end(), focus), 0)
            << focus->objectName().toStdString();
        if (!visited.empty()) {
            const QRect a = visited.back()->geometry(), b = focus->geometry();
            const bool sameRow = std::abs(a.center().y() - b.center().y()) < a.height() / 2 + 1;
            const bool read = sameRow ? b.x() > a.x() : b.y() > a.y() || b.x() > a.center().x();
            EXPECT_TRUE(read) << visited.back()->objectName().toStdString() << " -> "
                              << focus->objectName().toStdString();
        }
        visited.push_back(focus);
        if (help && focus != help && !focus->accessibleDescription().isEmpty()) {
            EXPECT_EQ(help->toPlainText(), focus->accessibleDescription())
                << focus->objectName().toStdString();
        }
    }
    std::set<QWidget*> reachable;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus))
            reachable.insert(child);
    EXPECT_EQ(std::set<QWidget*>(visited.begin(), visited.end()), reachable);

    // Ctrl+Shift+Tab steps back a page, from the first to the last.
    const int count = Pages().Tabs()->TabCount();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Pages().Tabs()->CurrentIndex(), (GetParam().tab + count - 1) % count);
}

namespace ui = ids::ups;
namespace ob = ids::outlet;

INSTANTIATE_TEST_SUITE_P(
    Pages, Keyboard,
    testing::Values(
        PageCase{
            "Ups", 3, 0, {{ui::kModelName, "UPS Model"}, {ui::kVoltage, "Output Voltage, Volts"}}},
        PageCase{"Battery",
                 3,
                 1,
                 {{ids::battery::kLowBatteryTime, "Low Battery Time Warning, Mins"},
                  {ids::battery::kTestInterval, "Auto Battery Test, Weeks"},
                  {ids::battery::kHelp, "Help Menu"}}},
        PageCase{"Outlet1",
                 3,
                 2,
                 {{ob::kTurnOnDelay, "Turn on delay, 0-30(mins)"},
                  {ob::kBatteryTime, "Turn off when UPS on battery for, 0-30(mins)", false},
                  {ob::kCapacity, "Turn off when battery capacity <, %(20-80)", false}}},
        PageCase{"Outlet2", 3, 3, {}}, PageCase{"Eco", 3, 4, {{ids::eco::kMode, "ECO Mode"}}},
        PageCase{
            "TestInfo", 3, 5, {{ids::testinfo::kTimeSinceStartup, "Time since startup", false}}},
        PageCase{"DryContact", 3, 6, {}},
        PageCase{"Parallel", 21, 2, {{ids::parallel::kUnits, "Number of Units in Parallel"}}}),
    [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

}  // namespace
}  // namespace upsconfig::support
