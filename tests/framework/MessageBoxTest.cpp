#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "framework/AppServices.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig {
namespace {

// Runs `act` on the message box once it is up (the box runs its own modal loop).
int ShowAndAct(unsigned style, std::function<void(QMessageBox*)> act,
               const QString& caption = QStringLiteral("caption")) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(box);
    });
    return Services().ShowMessage(nullptr, "text\r\nline two", caption, style, {});
}

std::vector<QString> Captions(QMessageBox* box) {
    std::vector<QString> captions;
    for (QAbstractButton* button : box->buttons())
        captions.push_back(button->text());
    std::sort(captions.begin(), captions.end());
    return captions;
}

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text) return button;
    return nullptr;
}

struct StyleRow {
    const char* name;
    unsigned style;
    std::vector<std::pair<QString, int>> buttons;  // caption, id
    QMessageBox::Icon icon;
};

TEST(ShowMessage, EveryButtonSetCarriesOurCaptionsAndReturnsTheStandardIds) {
    const StyleRow rows[] = {
        {"ok", 0x00, {{"&OK", 1}}, QMessageBox::NoIcon},
        {"ok stop", 0x10, {{"&OK", 1}}, QMessageBox::Critical},
        {"ok cancel question", 0x21, {{"&OK", 1}, {"&Cancel", 2}}, QMessageBox::Question},
        {"abort retry ignore",
         0x32,
         {{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}},
         QMessageBox::Warning},
        {"yes no cancel question",
         0x23,
         {{"&Yes", 6}, {"&No", 7}, {"&Cancel", 2}},
         QMessageBox::Question},
        {"yes no information", 0x44, {{"&Yes", 6}, {"&No", 7}}, QMessageBox::Information},
        {"retry cancel", 0x05, {{"&Retry", 4}, {"&Cancel", 2}}, QMessageBox::NoIcon},
    };
    for (const StyleRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<QString> expected;
        for (const auto& [caption, id] : row.buttons)
            expected.push_back(caption);
        std::sort(expected.begin(), expected.end());
        for (const auto& [caption, id] : row.buttons) {
            const QString wanted = caption;
            const int result = ShowAndAct(row.style, [&, wanted](QMessageBox* box) {
                EXPECT_EQ(Captions(box), expected);
                EXPECT_EQ(box->icon(), row.icon);
                EXPECT_EQ(box->windowTitle(), "caption");
                EXPECT_EQ(box->text(), "text\nline two");
                QAbstractButton* button = ButtonWithText(box, wanted);
                ASSERT_NE(button, nullptr);
                button->click();
            });
            EXPECT_EQ(result, id) << caption.toStdString();
        }
    }
}

TEST(ShowMessage, ABoxWithoutACaptionOfItsOwnIsTitledError) {
    QString title;
    ShowAndAct(
        0x00,
        [&](QMessageBox* box) {
            title = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        },
        QString());
    EXPECT_EQ(title, "Error");
}

TEST(ShowMessage, EscapeAnswersCancelOrOkAndIsIgnoredWhereNeitherFits) {
    auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    EXPECT_EQ(ShowAndAct(0x23, escape), ButtonId::Cancel);
    EXPECT_EQ(ShowAndAct(0x21, escape), ButtonId::Cancel);
    EXPECT_EQ(ShowAndAct(0x10, escape), ButtonId::Ok);

    // Yes/No has no Cancel: Escape and the close box do nothing, an answer is needed.
    const int result = ShowAndAct(0x24, [](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->close());
        EXPECT_TRUE(box->isVisible());
        ButtonWithText(box, "&Yes")->click();
    });
    EXPECT_EQ(result, ButtonId::Yes);

    // The default button follows the style; Enter presses it.
    EXPECT_EQ(ShowAndAct(0x123, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }),
              ButtonId::No);
}

TEST(ShowMessage, GoesThroughTheInstalledServices) {
    support::ScriptedAppServices scripted;
    support::ScriptedAppServices::Installed installed(scripted);
    scripted.messageAnswers = {ButtonId::No};
    EXPECT_EQ(ShowMessage(nullptr, "Do you want?", "Apply", 0x23), ButtonId::No);
    EXPECT_EQ(ShowMessage(nullptr, "Done", "Apply", 0x24), ButtonId::Yes);  // queue empty
    ASSERT_EQ(scripted.calls.size(), 2u);
    EXPECT_EQ(scripted.calls[0].text, "Do you want?");
    EXPECT_EQ(scripted.calls[0].caption, "Apply");
    EXPECT_EQ(scripted.calls[0].style, 0x23u);
    EXPECT_EQ(scripted.calls[1].answer, ButtonId::Yes);
}

// The settings-file dialogs: our filter, the default suffix and overwrite question on save,
// no insisting on an existing file on open; cancelling gives no name.
TEST(FileDialogs, AreSetUpForSettingsFilesAndCancelToNothing) {
    auto check = [](QFileDialog::AcceptMode mode) {
        QTimer::singleShot(0, [mode] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(), mode);
            EXPECT_EQ(dialog->nameFilters(), QStringList{"KVR8 configuration(*.kvr)"});
            EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
            if (mode == QFileDialog::AcceptSave) {
                EXPECT_EQ(dialog->defaultSuffix(), "kvr");
                EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            }
            dialog->reject();
        });
    };
    check(QFileDialog::AcceptSave);
    EXPECT_FALSE(Services().GetSaveFileName(nullptr).has_value());
    check(QFileDialog::AcceptOpen);
    EXPECT_FALSE(Services().GetOpenFileName(nullptr).has_value());
}

// They open in the home folder, then where the last file was chosen.
TEST(FileDialogs, StartAtHomeAndRememberTheLastFolder) {
    QTemporaryDir elsewhere;
    const QString file = QDir(elsewhere.path()).filePath("unit.kvr");
    QString started;
    auto choose = [&](const QString& name) {
        QTimer::singleShot(0, [&started, name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            started = dialog->directory().absolutePath();
            dialog->selectFile(name);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, made public there
        });
    };
    choose(file);
    EXPECT_EQ(Services().GetSaveFileName(nullptr), file);
    EXPECT_EQ(started, QDir::homePath());
    choose(file);
    EXPECT_EQ(Services().GetOpenFileName(nullptr), file);
    EXPECT_EQ(started, QDir(elsewhere.path()).absolutePath());
}

TEST(LaunchProgram, StartsExactlyThePathGivenWithoutAShell) {
    EXPECT_TRUE(Services().LaunchProgram("/bin/true"));
    // A command line is not parsed: this names a program that does not exist.
    EXPECT_FALSE(Services().LaunchProgram("/bin/true --version"));
    EXPECT_FALSE(Services().FileExists("/nonexistent/KVR8_Language_Tool.exe"));
}

}  // namespace
}  // namespace upsconfig
