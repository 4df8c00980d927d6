#include "framework/TemplateBuilder.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "framework/TabControl.h"
#include "resources/Ids.h"

namespace upsconfig {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

DialogBaseUnits UnitsOf(const DialogTemplate& dialog) { return BaseUnits(DialogFont(dialog)); }

// The communication-error template, control by control: kind, text, place, id.
TEST(TemplateBuilder, BuildsTheCommunicationErrorTemplateAsItsTableSays) {
    const DialogTemplate& dialog = Template(ids::dialog::kCommError);
    QDialog window;
    const std::vector<QWidget*> built = TemplateBuilder::BuildDialog(dialog, &window);
    const DialogBaseUnits units = UnitsOf(dialog);
    ASSERT_EQ(units.width, 6);
    ASSERT_EQ(units.height, 12);

    EXPECT_EQ(window.windowTitle(), "Communication Error");
    EXPECT_EQ(window.size(), QSize(408, 248));  // 272 x 165 dialog units
    ASSERT_EQ(built.size(), dialog.controls.size());
    for (std::size_t i = 0; i < built.size(); ++i) {
        SCOPED_TRACE(i);
        const ControlTemplate& control = dialog.controls[i];
        QWidget* widget = built[i];
        EXPECT_EQ(widget->parentWidget(), &window);
        if (control.kind == ControlKind::Icon) {
            ASSERT_NE(qobject_cast<QLabel*>(widget), nullptr);
            EXPECT_EQ(widget->geometry(), QRect(21, 26, 32, 32));  // (14, 17), icon size
            continue;
        }
        if (control.kind == ControlKind::Static) {
            auto* label = qobject_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), Text(control.text));
            EXPECT_TRUE(widget->objectName().isEmpty());
            // One-line texts may grow a little to fit our font, never shrink.
            const QRect expected = DluToPixels(control.rect, units);
            EXPECT_EQ(widget->pos(), expected.topLeft());
            EXPECT_EQ(widget->height(), expected.height());
            EXPECT_GE(widget->width(), expected.width());
            EXPECT_LE(widget->width(), std::max(expected.width(), label->sizeHint().width()));
            EXPECT_FALSE(label->wordWrap());
            continue;
        } else {
            ASSERT_EQ(control.kind, ControlKind::PushButton);
            auto* button = qobject_cast<QPushButton*>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), Text(control.text));
            EXPECT_EQ(FindControl<QPushButton>(&window, control.id), button);
        }
        EXPECT_EQ(widget->geometry(), DluToPixels(control.rect, units));
    }
    // Spot checks in pixels: the first line of text and the Retry button.
    EXPECT_EQ(built[1]->geometry().topLeft(), QPoint(80, 32));
    EXPECT_EQ(FindControl<QPushButton>(&window, ids::commerror::kRetry)->geometry(),
              QRect(90, 206, 75, 21));
    // A label keeps its trailing blank; two blanks stay two.
    EXPECT_EQ(qobject_cast<QLabel*>(built[6])->text(),
              "3. Temporarily remove the webcard  or option card ");
    // Focus follows the template: Retry, Ignore, Cancel.
    EXPECT_EQ(FindControl<QWidget>(&window, ids::commerror::kRetry)->nextInFocusChain(),
              FindControl<QWidget>(&window, ids::commerror::kIgnore));
    EXPECT_EQ(FindControl<QWidget>(&window, ids::commerror::kIgnore)->nextInFocusChain(),
              FindControl<QWidget>(&window, ids::commerror::kCancel));
}

TEST(TemplateBuilder, AppliesStylesAndKeepsDropDownListsAtTheirClosedHeight) {
    const DialogTemplate& dialog = Template(ids::dialog::kUpsPage);
    QWidget page;
    TemplateBuilder::Build(dialog, &page);
    const DialogBaseUnits units = UnitsOf(dialog);

    EXPECT_TRUE(FindControl<QCheckBox>(&page, ids::ups::kReverseDetection)->isHidden());
    EXPECT_FALSE(FindControl<QCheckBox>(&page, ids::ups::kAlarm)->isHidden());

    auto* help = FindControl<QPlainTextEdit>(&page, ids::ups::kHelp);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isReadOnly());
    EXPECT_EQ(help->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_NE(help->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(help->toPlainText().isEmpty());

    auto* model = FindControl<QLineEdit>(&page, ids::ups::kModelName);
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(model->isReadOnly());

    // The list's 97 units are its opened height; the closed box is one normal row high.
    auto* voltage = FindControl<QComboBox>(&page, ids::ups::kVoltage);
    ASSERT_NE(voltage, nullptr);
    EXPECT_FALSE(voltage->isEditable());
    const QRect templ = DluToPixels({75, 28, 76, 97}, units);
    EXPECT_EQ(voltage->geometry().topLeft(), templ.topLeft());
    EXPECT_EQ(voltage->width(), templ.width());
    EXPECT_EQ(voltage->height(), voltage->sizeHint().height());
    EXPECT_LT(voltage->height(), templ.height() / 3);
    EXPECT_GT(voltage->maxVisibleItems(), 1);

    // Lookup by id: wrong type or unknown id gives nothing.
    EXPECT_EQ(FindControl<QPushButton>(&page, ids::ups::kVoltage), nullptr);
    EXPECT_EQ(FindControl<QWidget>(&page, 4242), nullptr);

    const DialogTemplate& battery = Template(ids::dialog::kBatteryPage);
    QWidget batteryPage;
    TemplateBuilder::Build(battery, &batteryPage);
    auto* minutes = FindControl<QComboBox>(&batteryPage, ids::battery::kLowBatteryTime);
    ASSERT_NE(minutes, nullptr);
    ASSERT_GT(minutes->count(), 2);
    EXPECT_EQ(minutes->itemText(0), "*2");  // items in template order, unsorted
    EXPECT_EQ(minutes->itemText(1), "3");
    EXPECT_EQ(minutes->currentIndex(), -1);  // a new list has no choice yet
}

// Two radio groups side by side, separated by group marks, stay independent; a group mark on
// a control that is not a radio button ends the group before it too.
constexpr ControlTemplate kRadioControls[] = {
    {1, ControlKind::RadioButton, "A1", {0, 0, 40, 10}, Style::GroupStart},
    {2, ControlKind::RadioButton, "A2", {0, 12, 40, 10}},
    {3, ControlKind::RadioButton, "B1", {50, 0, 40, 10}, Style::GroupStart},
    {4, ControlKind::RadioButton, "B2", {50, 12, 40, 10}, Style::MultiLine | Style::TopAlign},
    {5, ControlKind::CheckBox, "x", {0, 30, 40, 10}, Style::GroupStart},
    {6, ControlKind::RadioButton, "C1", {0, 42, 40, 10}},
    {7, ControlKind::RadioButton, "C2", {0, 54, 40, 10}},
};
constexpr DialogTemplate kRadioTemplate{
    .id = 9001, .caption = "", .width = 100, .height = 70, .controls = kRadioControls};

TEST(TemplateBuilder, RadioButtonsGroupByGroupMarks) {
    QWidget page;
    TemplateBuilder::Build(kRadioTemplate, &page);
    auto radio = [&](int id) { return FindControl<QRadioButton>(&page, id); };
    for (int id : {1, 2, 3, 4, 6, 7})
        ASSERT_NE(radio(id), nullptr) << id;
    EXPECT_EQ(radio(1)->group(), radio(2)->group());
    EXPECT_NE(radio(1)->group(), radio(3)->group());
    EXPECT_EQ(radio(3)->group(), radio(4)->group());
    EXPECT_NE(radio(4)->group(), radio(6)->group());
    EXPECT_EQ(radio(6)->group(), radio(7)->group());

    page.show();
    QTest::mouseClick(radio(2), Qt::LeftButton);
    QTest::mouseClick(radio(4), Qt::LeftButton);  // multi-line: anywhere in its rectangle
    QTest::mouseClick(radio(6), Qt::LeftButton);
    EXPECT_TRUE(radio(2)->isChecked());
    EXPECT_TRUE(radio(4)->isChecked());
    EXPECT_TRUE(radio(6)->isChecked());
    QTest::mouseClick(radio(1), Qt::LeftButton);
    EXPECT_TRUE(radio(1)->isChecked());
    EXPECT_FALSE(radio(2)->isChecked());
    EXPECT_TRUE(radio(4)->isChecked());
    EXPECT_TRUE(radio(6)->isChecked());
    QTest::mouseClick(radio(3), Qt::LeftButton, {}, QPoint(radio(3)->width() - 2, 2));
    EXPECT_TRUE(radio(3)->isChecked());
    EXPECT_FALSE(radio(4)->isChecked());
}

// A frame listed after the controls it surrounds must not hide them or take their clicks.
constexpr ControlTemplate kFrameControls[] = {
    {10, ControlKind::CheckBox, "inside", {10, 15, 60, 10}},
    {11, ControlKind::PushButton, "press", {10, 30, 60, 14}},
    {12, ControlKind::GroupBox, "Frame", {5, 5, 90, 50}},
};
constexpr DialogTemplate kFrameTemplate{.id = 9002,
                                        .caption = "",
                                        .width = 100,
                                        .height = 60,
                                        .child = false,
                                        .controls = kFrameControls};

TEST(TemplateBuilder, GroupBoxesStayBehindAndLetClicksThrough) {
    QDialog window;
    TemplateBuilder::BuildDialog(kFrameTemplate, &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* box = FindControl<QCheckBox>(&window, 10);
    auto* button = FindControl<QPushButton>(&window, 11);
    auto* frame = FindControl<QGroupBox>(&window, 12);
    ASSERT_TRUE(box && button && frame);
    EXPECT_TRUE(frame->geometry().contains(box->geometry()));

    const QPoint boxCentre = box->geometry().center();
    EXPECT_EQ(window.childAt(boxCentre), box);
    // Through the window, as a real click arrives.
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, boxCentre);
    EXPECT_TRUE(box->isChecked());
    int pressed = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    EXPECT_EQ(pressed, 1);
    // Even on the frame's own caption line the click reaches nothing but the window.
    EXPECT_NE(window.childAt(frame->geometry().topLeft() + QPoint(10, 2)), frame);
}

// On every template, each check box and radio button draws its indicator whole: inside its own
// rectangle, and clear of the line of any frame around it.
TEST(TemplateBuilder, EveryIndicatorShowsWhole) {
    for (int id : TemplateIds()) {
        QDialog window;
        TemplateBuilder::Build(Template(id), &window);
        window.show();
        const auto frames = window.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
        for (QAbstractButton* button :
             window.findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
            const QRect indicator = TemplateBuilder::IndicatorRect(*button);
            if (indicator.isEmpty()) continue;  // a push button
            SCOPED_TRACE("template " + std::to_string(id) + ", " + button->text().toStdString());
            EXPECT_TRUE(button->rect().contains(indicator))
                << testing::PrintToString(indicator) << " in "
                << testing::PrintToString(button->rect());
            const QRect placed = indicator.translated(button->pos());
            for (const QGroupBox* frame : frames) {
                const QRect inside =
                    frame->geometry().adjusted(3, frame->fontMetrics().height() / 2 + 3, -3, -3);
                EXPECT_TRUE(inside.contains(placed) || !frame->geometry().intersects(placed))
                    << testing::PrintToString(placed) << " across the frame "
                    << testing::PrintToString(frame->geometry());
            }
        }
    }
}

TEST(TabControl, SelectsByIndexAndReportsOnlyTheUsersChoice) {
    TabControl tabs;
    tabs.resize(450, 400);
    std::vector<int> reported;
    QObject::connect(&tabs, &TabControl::SelectionChanged,
                     [&](int index) { reported.push_back(index); });

    EXPECT_EQ(tabs.CurrentIndex(), -1);
    EXPECT_EQ(tabs.InsertTab(0, " UPS "), 0);
    EXPECT_EQ(tabs.InsertTab(1, " Battery "), 1);
    EXPECT_EQ(tabs.InsertTab(7, " ECO Mode "), 2);  // past the end: appended
    EXPECT_EQ(tabs.TabCount(), 3);
    EXPECT_EQ(tabs.TabText(2), " ECO Mode ");
    tabs.SetCurrentIndex(1);
    EXPECT_EQ(tabs.CurrentIndex(), 1);
    tabs.DeleteTab(0);
    tabs.DeleteTab(5);
    EXPECT_EQ(tabs.TabCount(), 2);
    EXPECT_EQ(tabs.TabText(0), " Battery ");
    EXPECT_TRUE(reported.empty());

    tabs.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tabs));
    tabs.SetCurrentIndex(0);
    QTest::mouseClick(tabs.Bar(), Qt::LeftButton, {}, tabs.Bar()->tabRect(1).center());
    EXPECT_EQ(tabs.CurrentIndex(), 1);
    EXPECT_EQ(reported, std::vector<int>{1});

    // Pages live in the pane, which covers the whole control, under the tabs.
    EXPECT_EQ(tabs.ClientRect(), QRect(0, 0, 450, 400));
    EXPECT_LT(tabs.Bar()->geometry().bottom(), 30);
    EXPECT_EQ(tabs.Pane()->parentWidget(), &tabs);
}

}  // namespace
}  // namespace upsconfig
