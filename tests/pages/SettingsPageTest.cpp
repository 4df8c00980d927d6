#include "pages/SettingsPage.h"

#include <gtest/gtest.h>

#include "resources/Ids.h"
#include "resources/QtText.h"
#include "support/QtPrinters.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <array>

namespace upsconfig {
namespace {

TEST(HoverMatch, RightAndBottomEdgesAreOutsideAndTheMarginWidens) {
    const std::array<QRect, 1> rects{QRect(100, 50, 40, 20)};  // x 100..139, y 50..69
    auto at = [&](int x, int y, int margin) { return HoverMatch({x, y}, rects, margin); };

    EXPECT_EQ(at(100, 50, 0), 0u);
    EXPECT_EQ(at(139, 69, 0), 0u);
    EXPECT_FALSE(at(140, 60, 0));  // right edge
    EXPECT_FALSE(at(120, 70, 0));  // bottom edge
    EXPECT_FALSE(at(99, 60, 0));

    // 3 pixels: left and top reach 97 and 47, right and bottom stop before 143 and 73.
    EXPECT_EQ(at(97, 47, 3), 0u);
    EXPECT_EQ(at(142, 72, 3), 0u);
    EXPECT_FALSE(at(96, 60, 3));
    EXPECT_FALSE(at(143, 60, 3));
    EXPECT_FALSE(at(120, 73, 3));
    // The same spots with 1 pixel.
    EXPECT_FALSE(at(97, 60, 1));
    EXPECT_FALSE(at(142, 60, 1));
    EXPECT_EQ(at(99, 49, 1), 0u);
    EXPECT_EQ(at(140, 70, 1), 0u);
    EXPECT_FALSE(at(141, 60, 1));
}

TEST(HoverMatch, OverlapsGoToTheLastEntryInTableOrder) {
    const std::array<QRect, 3> rects{QRect(0, 0, 100, 100), QRect(10, 10, 20, 20),
                                     QRect(200, 200, 5, 5)};
    EXPECT_EQ(HoverMatch({15, 15}, rects, 0), 1u);
    EXPECT_EQ(HoverMatch({50, 50}, rects, 0), 0u);
    // Margins make neighbours overlap: the later one wins.
    EXPECT_EQ(HoverMatch({101, 28}, rects, 3), 0u);
    EXPECT_EQ(HoverMatch({31, 31}, rects, 3), 1u);
    EXPECT_FALSE(HoverMatch({150, 150}, rects, 3));
    EXPECT_FALSE(HoverMatch({150, 150}, std::span<const QRect>(), 3));
}

// A small page: a help box, an enabled box, a disabled list, a hidden box.
constexpr std::string_view kItems[] = {"*1", "2"};
constexpr ControlTemplate kPageControls[] = {
    {1001, ControlKind::CheckBox, "enabled", {10, 10, 60, 10}},
    {1002, ControlKind::DropDownList, "", {10, 30, 60, 50}, Style::Disabled, kItems},
    {1003, ControlKind::CheckBox, "hidden", {100, 10, 60, 10}, Style::Hidden},
    {1004, ControlKind::Edit, "", {100, 30, 40, 12}, Style::Border},
    {1009,
     ControlKind::Edit,
     "",
     {10, 60, 150, 40},
     Style::ReadOnly | Style::MultiLine | Style::Border | Style::VScroll},
};
constexpr DialogTemplate kPage{
    .id = 9100, .caption = "", .width = 170, .height = 110, .controls = kPageControls};

// The list's row has an alternative string-table text, chosen at every move.
constexpr HelpRow kHelpRows[] = {
    {1001, 0, "help enabled\r\nsecond line"},
    {1002, 0, "help list", ids::text::kAbout},
    {1003, 0, "help hidden"},
    {1004, 0, "help edit"},
};

class TestPage : public SettingsPage {
  public:
    explicit TestPage(QWidget* parent = nullptr, int margin = 3) : SettingsPage(kPage, parent) {
        SetHelp(1009, kHelpRows, margin);
    }
    using SettingsPage::SetEnterEscapeFilter;
    bool alternative = false;
    mutable int listAsked = 0;

  protected:
    bool UseAlternativeHelp() const override {
        ++listAsked;
        return alternative;
    }
};

class SettingsPageTest : public testing::Test {
  protected:
    QString Help() const { return page->Control<QPlainTextEdit>(1009)->toPlainText(); }

    // Puts the system cursor at a point of `target` and delivers the move the way the window
    // system does, to whatever widget lies under it.
    void MoveTo(QWidget* target, QPoint local) {
        const QPoint inWindow = target->mapTo(page->window(), local);
        QCursor::setPos(page->window()->mapToGlobal(inWindow));
        QTest::mouseMove(page->window()->windowHandle(), inWindow);
        QCoreApplication::processEvents();
    }

    void SetUp() override {
        page = new TestPage();
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
    }
    void TearDown() override { delete page; }

    TestPage* page = nullptr;
};

TEST_F(SettingsPageTest, StartsWithoutTabAndWithAnEmptyHelpBox) {
    EXPECT_EQ(page->TabIndex(), -1);
    EXPECT_TRUE(Help().isEmpty());
}

TEST_F(SettingsPageTest, MouseMovesShowTheHelpOfEnabledDisabledAndHiddenControls) {
    auto* enabled = page->Control<QCheckBox>(1001);
    auto* disabled = page->Control<QComboBox>(1002);
    auto* hidden = page->Control<QCheckBox>(1003);
    ASSERT_FALSE(disabled->isEnabled());
    ASSERT_TRUE(hidden->isHidden());

    MoveTo(enabled, enabled->rect().center());
    EXPECT_EQ(Help(), "help enabled\nsecond line");

    // A disabled control gets no mouse events of its own; the page still shows its help.
    MoveTo(disabled, disabled->rect().center());
    const int asked = page->listAsked;
    EXPECT_GE(asked, 1);
    EXPECT_EQ(Help(), "help list");
    // Nothing cached: every move asks again.
    page->alternative = true;
    MoveTo(disabled, disabled->rect().center() + QPoint(1, 0));
    EXPECT_GT(page->listAsked, asked);
    EXPECT_EQ(Help(), LoadText(ids::text::kAbout));

    // Where the hidden control would be.
    MoveTo(page, hidden->geometry().center());
    EXPECT_EQ(Help(), "help hidden");

    // Within the margin beside a control, on the page's own surface.
    MoveTo(page, enabled->geometry().topLeft() - QPoint(2, 2));
    EXPECT_EQ(Help(), "help enabled\nsecond line");

    // An edit takes mouse moves for itself; its help shows all the same.
    auto* edit = page->Control<QLineEdit>(1004);
    MoveTo(edit, edit->rect().center());
    EXPECT_EQ(Help(), "help edit");

    // Over a control without help and over bare page: the text stays.
    auto* box = page->Control<QPlainTextEdit>(1009);
    MoveTo(box->viewport(), box->viewport()->rect().center());
    EXPECT_EQ(Help(), "help edit");
    MoveTo(page, QPoint(page->width() - 2, page->height() - 2));
    EXPECT_EQ(Help(), "help edit");
}

TEST_F(SettingsPageTest, EnterAndEscapeNeverReachTheDialogAroundThePage) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* inner = new TestPage(&dialog);
    layout->addWidget(inner);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    bool rejected = false;
    QObject::connect(&dialog, &QDialog::rejected, [&] { rejected = true; });

    auto* edit = inner->Control<QLineEdit>(1004);
    int returns = 0;
    QObject::connect(edit, &QLineEdit::returnPressed, [&] { ++returns; });
    for (QWidget* target : {static_cast<QWidget*>(inner), static_cast<QWidget*>(edit),
                            static_cast<QWidget*>(inner->Control<QCheckBox>(1001))}) {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(target, key);
        }
    }
    EXPECT_FALSE(rejected);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(returns, 0);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(edit->text(), "a");  // other keys pass

    // An opened list still takes Enter to pick an item.
    auto* list = inner->Control<QComboBox>(1002);
    list->setEnabled(true);
    list->showPopup();
    QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_TRUE(dialog.isVisible());

    inner->SetEnterEscapeFilter(false);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(rejected);
}

}  // namespace
}  // namespace upsconfig
