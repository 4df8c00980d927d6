#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

// Widgets need one QApplication for the whole run; tests run offscreen (QT_QPA_PLATFORM).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every Apply keeps a backup in the user's data folder: the tests' go to a folder of their
    // own, never into the home of whoever runs them.
    std::string data =
        (std::filesystem::temp_directory_path() / "upsconfig-ui-tests-XXXXXX").string();
    if (::mkdtemp(data.data()) != nullptr) ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(data, ignored);
    return result;
}
