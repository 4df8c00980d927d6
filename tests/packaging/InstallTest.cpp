#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "device/HidLink.h"

// Reads back what `cmake --install` put into a fresh root (the ctest fixture installs it).
namespace upsconfig {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

const fs::path kUsr = UPSCONFIG_INSTALLED_USR;
const fs::path kRules = UPSCONFIG_INSTALLED_RULES;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A 16-bit id as four hex digits: lower case for udev, upper case for a modalias.
std::string Hex(std::uint16_t id, const char* format) {
    char text[8];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(id));
    return text;
}

TEST(InstallTest, BothComponentsInstallProgramsManPagesAndLicence) {
    for (const char* program : {"bin/upsconfig", "bin/upsconfig-demo"}) {
        const fs::file_status status = fs::status(kUsr / program);
        EXPECT_TRUE(fs::is_regular_file(status)) << program;
        EXPECT_NE(status.permissions() & fs::perms::others_exec, fs::perms::none) << program;
    }
    for (const char* page : {"upsconfig.1.gz", "upsconfig-demo.1.gz"})
        EXPECT_EQ(Read(kUsr / "share/man/man1" / page).substr(0, 2), "\x1f\x8b") << page;
    for (const char* file : {"upsconfig/copyright", "upsconfig-cli/copyright",
                             "upsconfig-cli/LICENSE", "upsconfig-demo/copyright"})
        EXPECT_NE(Read(kUsr / "share/doc" / file), "") << file;
}

// The desktop entry starts the installed program and shows the installed icon, each PNG the size
// its folder says; the metainfo names that entry and the units' ids.
TEST(InstallTest, DesktopEntryIconAndMetainfoFitTogether) {
    const std::string entry = Read(kUsr / "share/applications/upsconfig.desktop");
    std::smatch exec, icon;
    ASSERT_TRUE(std::regex_search(entry, exec, std::regex("\nExec=([^ \n]+)")));
    EXPECT_TRUE(fs::is_regular_file(kUsr / "bin" / exec[1].str()));
    ASSERT_TRUE(std::regex_search(entry, icon, std::regex("\nIcon=([^\n]+)")));

    const fs::path theme = kUsr / "share/icons/hicolor";
    EXPECT_TRUE(fs::is_regular_file(theme / "scalable/apps" / (icon[1].str() + ".svg")));
    int sizes = 0;
    for (const fs::directory_entry& folder : fs::directory_iterator(theme)) {
        int size = 0;
        if (std::sscanf(folder.path().filename().c_str(), "%dx", &size) != 1) continue;
        const std::string png = Read(folder.path() / "apps" / (icon[1].str() + ".png"));
        ASSERT_GE(png.size(), 24u) << folder.path();
        auto word = [&](std::size_t at) {
            return (std::uint8_t(png[at]) << 24) | (std::uint8_t(png[at + 1]) << 16) |
                   (std::uint8_t(png[at + 2]) << 8) | std::uint8_t(png[at + 3]);
        };
        EXPECT_EQ(word(16), size) << folder.path();  // width and height in the IHDR chunk
        EXPECT_EQ(word(20), size) << folder.path();
        ++sizes;
    }
    EXPECT_GE(sizes, 3);

    const std::string metainfo = Read(kUsr / "share/metainfo/org.upsconfig.upsconfig.metainfo.xml");
    EXPECT_THAT(metainfo, HasSubstr("<launchable type=\"desktop-id\">upsconfig.desktop<"));
    EXPECT_THAT(metainfo, HasSubstr("<modalias>usb:v" + Hex(kUpsVendorId, "%04X") + "p" +
                                    Hex(kUpsProductId, "%04X") + "d*</modalias>"));
}

// Both rules match the units the code looks for, on their hidraw nodes, and neither lets
// everyone write to them.
TEST(InstallTest, UdevRulesOpenTheUnitsTheCodeLooksFor) {
    const struct {
        fs::path path;
        std::string access;
    } rules[] = {
        {kRules / "70-upsconfig.rules", "TAG+=\"uaccess\""},
        {kUsr / "share/doc/upsconfig-cli/examples/70-upsconfig-plugdev.rules",
         "GROUP=\"plugdev\", MODE=\"0660\""},
    };
    const std::string ids = "ATTRS{idVendor}==\"" + Hex(kUpsVendorId, "%04x") +
                            "\", ATTRS{idProduct}==\"" + Hex(kUpsProductId, "%04x") + "\"";
    for (const auto& rule : rules) {
        std::istringstream lines(Read(rule.path));
        int count = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            ++count;
            EXPECT_THAT(line, HasSubstr("SUBSYSTEM==\"hidraw\""));
            EXPECT_THAT(line, HasSubstr(ids));
            EXPECT_THAT(line, HasSubstr(rule.access));
            std::smatch mode;
            if (std::regex_search(line, mode, std::regex("MODE=\"([0-7]+)\""))) {
                EXPECT_EQ(std::stoi(mode[1].str(), nullptr, 8) & 02, 0) << line;
            }
        }
        EXPECT_EQ(count, 1) << rule.path;
    }
}

#if defined(UPSCONFIG_INSTALLED_CLI)
// The command line comes with its man page and names the ids it was built for, the rule's.
TEST(InstallTest, CommandLineWithManPageAndTheRulesIds) {
    EXPECT_EQ(Read(kUsr / "share/man/man1/upsconfig-cli.1.gz").substr(0, 2), "\x1f\x8b");
    const std::string program = (kUsr / "bin/upsconfig-cli").string();
    FILE* pipe = popen(("'" + program + "' --version").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string version;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
        version += chunk;
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_THAT(version, HasSubstr("(unit ids " + Hex(kUpsVendorId, "%04x") + ":" +
                                   Hex(kUpsProductId, "%04x") + ")"));
}

// Each shell finds the completion where it looks for those of packages.
TEST(InstallTest, CommandLineCompletesInBashZshAndFish) {
    EXPECT_THAT(Read(kUsr / "share/bash-completion/completions/upsconfig-cli"),
                HasSubstr("\ncomplete -F _upsconfig_cli upsconfig-cli\n"));
    EXPECT_THAT(Read(kUsr / "share/zsh/vendor-completions/_upsconfig-cli"),
                testing::StartsWith("#compdef upsconfig-cli\n"));
    EXPECT_THAT(Read(kUsr / "share/fish/vendor_completions.d/upsconfig-cli.fish"),
                HasSubstr("\ncomplete -c upsconfig-cli "));
}
#endif

#if defined(UPSCONFIG_INSTALLED_COCKPIT)
// The web console page is whole: every file its page and its scripts load from the package is
// installed beside them (what Cockpit serves itself, such as ../base1/cockpit.js, is not ours).
TEST(InstallTest, CockpitPageLoadsOnlyFilesItShips) {
    const fs::path page = kUsr / "share/cockpit/upsconfig";
    EXPECT_THAT(Read(page / "manifest.json"), HasSubstr("\"tools\""));
    const std::regex reference(R"re((?:href|src)="([^"]+)"|from "\./([^"]+)")re");
    int count = 0;
    for (const char* file : {"index.html", "upsconfig.js"}) {
        const std::string text = Read(page / file);
        ASSERT_NE(text, "") << file;
        for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it) {
            const std::string name = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
            if (name.starts_with("../")) continue;
            EXPECT_TRUE(fs::is_regular_file(page / name)) << file << " loads " << name;
            ++count;
        }
    }
    EXPECT_GE(count, 3);
}
#endif

}  // namespace
}  // namespace upsconfig
