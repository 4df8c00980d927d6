#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "app/SettingsFileActions.h"
#include "settingsfile/SettingsFile.h"
#include "support/LocalTime.h"
#include "support/ScriptedAppServices.h"
#include "unit/SettingsImage.h"

namespace upsconfig {
namespace {

using support::ScriptedAppServices;
using Kind = ScriptedAppServices::Kind;
using enum FieldId;

std::tm FixedTime() { return support::LocalTime(2026, 12, 8, 15); }

SettingsImage Pattern(int seed) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(i * 37 + seed);
    return image;
}

QByteArray Slurp(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Spit(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The main window reduced to what the actions use: `shown` is what the pages show, and a page
// stores its fields only while it has a tab.
class FakeHost : public SettingsFileHost {
  public:
    explicit FakeHost(const ScriptedAppServices& services) : services_(services) {}

    QWidget* Owner() override { return &owner; }
    SettingsImage& Image() override { return image; }
    bool UpsOn() const override { return upsOn; }
    bool PagesLoaded() const override { return loaded; }
    bool StorePagesWithTabs(SettingsImage& target) override {
        events.push_back("store");
        callsBeforeStore = services_.calls.size();
        for (const FieldInfo& field : Fields())
            if (pagesWithTab.contains(field.editedOn))
                SetField(target, field.id, GetField(shown, field.id));
        return entriesValid;
    }
    void ShareImage() override {
        events.push_back("share");
        shared = image;
    }
    void LoadPagesFromImage() override {
        events.push_back("load");
        shown = image;
    }

    // The image with the fields of the pages that have a tab taken from the pages.
    SettingsImage Stored() const {
        SettingsImage result = image;
        for (const FieldInfo& field : Fields())
            if (pagesWithTab.contains(field.editedOn))
                SetField(result, field.id, GetField(shown, field.id));
        return result;
    }

    QWidget owner;
    SettingsImage image = Pattern(11);
    SettingsImage shown = Pattern(90);
    SettingsImage shared;
    bool upsOn = false;
    bool loaded = true;
    bool entriesValid = true;
    std::set<EditedOn> pagesWithTab{EditedOn::UpsPage,     EditedOn::DryContactPage,
                                    EditedOn::BatteryPage, EditedOn::Outlet1Page,
                                    EditedOn::Outlet2Page, EditedOn::EcoPage};
    std::vector<std::string> events;
    std::size_t callsBeforeStore = 99;

  private:
    const ScriptedAppServices& services_;
};

class SettingsFileActionsTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString PathOf(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedAppServices services;
    ScriptedAppServices::Installed installed{services};
    FakeHost host{services};
};

TEST_F(SettingsFileActionsTest, DownloadWritesWhatThePagesShowPackedBeforeTheDialog) {
    const SettingsImage before = host.image;
    services.saveFileNames.push_back(PathOf("out.kvr"));
    DownloadSettings(host, FixedTime);

    EXPECT_EQ(host.callsBeforeStore, 0u) << "the pages are packed before the dialog opens";
    ASSERT_EQ(services.CallsOf(Kind::SaveFileName).size(), 1u);
    EXPECT_EQ(services.CallsOf(Kind::SaveFileName)[0].owner, &host.owner);
    // Pages with a tab give their values, the parallel page (no tab) the image's.
    const SettingsImage expected = host.Stored();
    EXPECT_NE(GetField(expected, bOutputLevel), GetField(before, bOutputLevel));
    EXPECT_EQ(GetField(expected, bParalConfig), GetField(before, bParalConfig));
    EXPECT_EQ(Slurp(PathOf("out.kvr")),
              QByteArray::fromStdString(FormatSettingsFile(expected, FixedTime())));
    EXPECT_TRUE(services.CallsOf(Kind::Message).empty());
    EXPECT_EQ(host.image, before);
    EXPECT_EQ(host.events, std::vector<std::string>{"store"});
}

TEST_F(SettingsFileActionsTest, DownloadCancelledWritesNothing) {
    DownloadSettings(host, FixedTime);
    EXPECT_EQ(services.CallsOf(Kind::SaveFileName).size(), 1u);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(services.CallsOf(Kind::Message).empty());
}

TEST_F(SettingsFileActionsTest, DownloadOfPagesNeverLoadedOrWithARefusedEntrySavesNothing) {
    // A refused entry: the page has told the user; no dialog follows.
    host.entriesValid = false;
    services.saveFileNames.push_back(PathOf("refused.kvr"));
    DownloadSettings(host, FixedTime);
    EXPECT_TRUE(services.calls.empty());

    // Never loaded: nothing to save, and the user learns why.
    host.loaded = false;
    host.events.clear();
    DownloadSettings(host, FixedTime);
    ASSERT_EQ(services.calls.size(), 1u);
    EXPECT_EQ(services.calls[0].caption, "Download Settings");
    EXPECT_EQ(services.calls[0].style, 0x30u);
    EXPECT_TRUE(services.calls[0].text.contains("nothing to save"));
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(SettingsFileActionsTest, FailedDownloadIsReportedAndLeavesThePreviousFile) {
    // A folder chosen as the file.
    QDir(dir.path()).mkdir("folder.kvr");
    services.saveFileNames.push_back(PathOf("folder.kvr"));
    DownloadSettings(host, FixedTime);
    ASSERT_EQ(services.CallsOf(Kind::Message).size(), 1u);
    auto message = services.CallsOf(Kind::Message)[0];
    EXPECT_EQ(message.caption, "Download Settings");
    EXPECT_EQ(message.style, 0x10u);
    EXPECT_EQ(message.owner, &host.owner);
    EXPECT_TRUE(message.text.contains(QDir::toNativeSeparators(PathOf("folder.kvr"))));
    EXPECT_TRUE(message.text.contains("Is a directory")) << message.text.toStdString();
    EXPECT_TRUE(QFileInfo(PathOf("folder.kvr")).isDir());

    // The disk full part way: the earlier file stays byte for byte.
    const QByteArray previous = "previous settings\r\n";
    Spit(PathOf("previous.kvr"), previous);
    services.saveFileNames.push_back(PathOf("previous.kvr"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    DownloadSettings(host, FixedTime);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(services.CallsOf(Kind::Message).size(), 2u);
    message = services.CallsOf(Kind::Message)[1];
    EXPECT_EQ(message.style, 0x10u);
    EXPECT_TRUE(message.text.contains(QDir::toNativeSeparators(PathOf("previous.kvr"))));
    EXPECT_TRUE(message.text.contains("File too large")) << message.text.toStdString();
    EXPECT_EQ(Slurp(PathOf("previous.kvr")), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"previous.kvr"});
}

TEST_F(SettingsFileActionsTest, UploadWhileOnlineOnlyShowsTheRefusal) {
    host.upsOn = true;
    const FakeHost untouched{services};
    services.openFileNames.push_back(PathOf("never.kvr"));
    UploadSettings(host);

    ASSERT_EQ(services.calls.size(), 1u) << "no dialog";
    const auto& message = services.calls[0];
    EXPECT_EQ(message.kind, Kind::Message);
    EXPECT_EQ(message.text,
              "Can't upload settings while the UPS is online. Please \r\n"
              "change to standby mode and try again.");
    EXPECT_EQ(message.caption, "Upload Settings");
    EXPECT_EQ(message.style, 0u);
    EXPECT_EQ(message.owner, &host.owner);
    EXPECT_EQ(host.image, untouched.image);
    EXPECT_EQ(host.shown, untouched.shown);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(SettingsFileActionsTest, UploadTakesTheFileButKeepsTheUnitsModelCode) {
    SettingsImage file = Pattern(200);
    SetField(file, bModelCode, 3);
    Spit(PathOf("in.kvr"), QByteArray::fromStdString(FormatSettingsFile(file, FixedTime())));
    SetField(host.image, bModelCode, 21);
    const SettingsImage before = host.image;
    services.openFileNames.push_back(PathOf("in.kvr"));

    UploadSettings(host);

    EXPECT_TRUE(services.CallsOf(Kind::Message).empty());
    EXPECT_EQ(GetField(host.image, bModelCode), 21u);
    for (const FieldInfo& field : Fields()) {
        const unsigned expected =
            field.inSettingsFile ? GetField(file, field.id) : GetField(before, field.id);
        EXPECT_EQ(GetField(host.image, field.id), expected) << field.name;
    }
    // Adopted first, then shared, then loaded onto the pages.
    EXPECT_EQ(host.events, (std::vector<std::string>{"share", "load"}));
    EXPECT_EQ(host.shared, host.image);
    EXPECT_EQ(host.shown, host.image);
}

TEST_F(SettingsFileActionsTest, UploadThatFindsNoSettingsChangesNothing) {
    QDir(dir.path()).mkdir("folder.kvr");
    Spit(PathOf("keyless.kvr"), "<Config>\r\n  <Time>then</Time>\r\n</Config>\r\n");
    Spit(PathOf("empty.kvr"), "");
    Spit(PathOf("huge.kvr"), QByteArray(static_cast<qsizetype>(kMaxSettingsFileBytes) + 1, ' '));
    struct Row {
        const char* name;
        QString file;
        QString says;
    };
    const Row rows[] = {
        {"missing", PathOf("missing.kvr"), "No such file or directory"},
        {"folder", PathOf("folder.kvr"), "Is a directory"},
        {"keyless", PathOf("keyless.kvr"), "holds no settings"},
        {"empty", PathOf("empty.kvr"), "holds no settings"},
        {"huge", PathOf("huge.kvr"), "File too large"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.calls.clear();
        const SettingsImage image = host.image;
        const SettingsImage shown = host.shown;
        services.openFileNames.push_back(row.file);

        UploadSettings(host);

        ASSERT_EQ(services.CallsOf(Kind::Message).size(), 1u);
        const auto message = services.CallsOf(Kind::Message)[0];
        EXPECT_EQ(message.caption, "Upload Settings");
        EXPECT_EQ(message.style, 0x10u);
        EXPECT_TRUE(message.text.contains(QDir::toNativeSeparators(row.file)));
        EXPECT_TRUE(message.text.contains(row.says)) << message.text.toStdString();
        EXPECT_EQ(host.image, image);
        EXPECT_EQ(host.shown, shown) << "unapplied edits stay on the pages";
        EXPECT_TRUE(host.events.empty());
    }

    // Cancelled: nothing at all.
    services.calls.clear();
    UploadSettings(host);
    EXPECT_EQ(services.calls.size(), 1u);
    EXPECT_TRUE(host.events.empty());
}

}  // namespace
}  // namespace upsconfig
