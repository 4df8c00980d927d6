#include "framework/CommErrorDialog.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/AboutDialog.h"
#include "framework/AppServices.h"
#include "framework/TemplateBuilder.h"
#include "resources/Ids.h"

namespace upsconfig {
namespace {

namespace id = ids::commerror;

// Shows the dialog through the real services and acts on it once it is up.
int RunAndAct(std::function<void(CommErrorDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<CommErrorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
    return Services().RunCommErrorDialog(nullptr, {});
}

std::function<void(CommErrorDialog*)> Press(int id) {
    return [id](CommErrorDialog* dialog) {
        QTest::mouseClick(FindControl<QPushButton>(dialog, id), Qt::LeftButton);
    };
}

TEST(CommErrorDialog, ShowsTheTextsExactly) {
    CommErrorDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Communication Error");
    std::vector<QString> texts;
    for (QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (!label->text().isEmpty()) texts.push_back(label->text());
    const std::vector<QString> expected = {
        "There is a communication error.",
        "Please check the following:",
        "1. Verify the USB cable is connected securely between ",
        "the computer and the UPS.",
        "2. Verify that the UPS is powered.",
        "3. Temporarily remove the webcard  or option card ",
        "from the cardbay of the UPS.",
        "4. Verify the USB port is not being used by another program.",
        "5. If installed, stop Sentrel software using the stop command.",
    };
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(FindControl<QPushButton>(&dialog, id::kRetry)->text(), "Retry");
    EXPECT_EQ(FindControl<QPushButton>(&dialog, id::kIgnore)->text(), "Ignore");
    EXPECT_EQ(FindControl<QPushButton>(&dialog, id::kCancel)->text(), "Cancel");
}

TEST(CommErrorDialog, TheDiagnosisStandsBelowTheButtons) {
    CommErrorDialog dialog(nullptr, QStringLiteral("Verdict: busy"));
    auto* box = FindControl<QPlainTextEdit>(&dialog, ids::commerror::kDiagnosis);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText(), "Verdict: busy");
    EXPECT_GT(box->y(), FindControl<QPushButton>(&dialog, id::kRetry)->geometry().bottom());
    EXPECT_LE(box->geometry().bottom(), dialog.height());
    const CommErrorDialog plain;
    EXPECT_EQ(FindControl<QPlainTextEdit>(&plain, ids::commerror::kDiagnosis), nullptr);
}

TEST(CommErrorDialog, ButtonsChooseAndEverythingElseCancels) {
    EXPECT_EQ(RunAndAct(Press(id::kRetry)), ButtonId::Retry);
    EXPECT_EQ(RunAndAct(Press(id::kIgnore)), ButtonId::Ignore);
    EXPECT_EQ(RunAndAct(Press(id::kCancel)), ButtonId::Cancel);
    EXPECT_EQ(RunAndAct([](CommErrorDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }),
              ButtonId::Cancel);
    EXPECT_EQ(RunAndAct([](CommErrorDialog* d) { d->close(); }), ButtonId::Cancel);
    // F1 is answered and changes nothing; the dialog stays until a choice.
    EXPECT_EQ(RunAndAct([](CommErrorDialog* d) {
                  QTest::keyClick(d, Qt::Key_F1);
                  EXPECT_TRUE(d->isVisible());
                  QTest::mouseClick(FindControl<QPushButton>(d, id::kIgnore), Qt::LeftButton);
              }),
              ButtonId::Ignore);
}

TEST(CommErrorDialog, ChoiceStartsAtCancelOnEveryShowing) {
    CommErrorDialog dialog;
    QTimer::singleShot(0, [&] { FindControl<QPushButton>(&dialog, id::kRetry)->click(); });
    dialog.exec();
    EXPECT_EQ(dialog.Choice(), ButtonId::Retry);
    QTimer::singleShot(0, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    dialog.exec();
    EXPECT_EQ(dialog.Choice(), ButtonId::Cancel);
}

TEST(AboutDialog, ClosesWithOk) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle(), "About");
    QTimer::singleShot(0, [&] { FindControl<QPushButton>(&about, 1)->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace upsconfig
