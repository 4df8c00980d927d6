#include "pages/InfoTextPage.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>

#include "resources/Ids.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::infotext;

TEST(InfoTextPage, HoldsItsTextFromTheStartAndShowsItAgainOnRequest) {
    InfoTextPage page;
    auto* edit = page.Control<QPlainTextEdit>(id::kText);
    ASSERT_NE(edit, nullptr);
    const QString text = edit->toPlainText();
    EXPECT_TRUE(text.startsWith('\n'));
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_TRUE(text.contains("PDF viewer"));
    EXPECT_TRUE(edit->isReadOnly());

    edit->setPlainText("changed");
    page.ShowInfoText();
    EXPECT_EQ(edit->toPlainText(), text);
}

TEST(InfoTextPage, EnterAndEscapeCloseNothing) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* page = new InfoTextPage(&dialog);
    layout->addWidget(page);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    bool closed = false;
    QObject::connect(&dialog, &QDialog::finished, [&] { closed = true; });

    for (QWidget* target : {static_cast<QWidget*>(page),
                            static_cast<QWidget*>(page->Control<QPlainTextEdit>(id::kText))})
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(target, key);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(page->isVisible());
}

}  // namespace
}  // namespace upsconfig
