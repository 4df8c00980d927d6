#include "session/UnitLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestFiles.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
using platform::LockOn;

class UnitLockTest : public testing::Test {
  protected:
    void TearDown() override { support::RemoveTree(folder_); }

    const fs::path folder_ = support::UniqueFolder("upsconfig-lock");
};

TEST_F(UnitLockTest, ANodeIsItsOwnLockAndAUnitWithoutOneIsNamedInTheFolder) {
    struct Row {
        std::string_view name;
        HidInterface unit;
        fs::path place;  // relative: in the folder
        LockOn on;
    };
    const Row rows[] = {
        {"a device node", {"/dev/null", 0, 0, "SN1"}, "/dev/null", LockOn::Node},
        {"no node: by serial",
         {"1-1:1.0", 0, 0, "SN/1 x"},
         "upsconfig-serial-SN%2F1%20x.lock",
         LockOn::File},
        {"no node, no serial: by path",
         {"1-1:1.0", 0, 0, ""},
         "upsconfig-path-1-1%3A1.0.lock",
         LockOn::File},
        {"a node gone",
         {"/dev/hidraw-gone", 0, 0, "SN1"},
         "upsconfig-serial-SN1.lock",
         LockOn::File},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LockPlace place = UnitLock::PlaceOf(row.unit, folder_);
        EXPECT_EQ(place.path, folder_ / row.place);
        EXPECT_EQ(place.on, row.on);
    }
}

TEST_F(UnitLockTest, OnlyARegularFileIsALockFile) {
    // A link planted in the shared folder is never followed, a pipe never waited on.
    fs::create_symlink("elsewhere", folder_ / "link");
    ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0600), 0);
    for (const char* name : {"link", "pipe"}) {
        SCOPED_TRACE(name);
        UnitLock lock;
        const LockAttempt attempt = lock.Take({folder_ / name, LockOn::File});
        EXPECT_EQ(attempt.end, LockAttempt::End::Failed);
        EXPECT_NE(attempt.reason.find(name), std::string::npos) << attempt.reason;
        EXPECT_FALSE(fs::exists(folder_ / "elsewhere"));
    }
}

TEST_F(UnitLockTest, TheHolderIsNamedAndALockWhoseHolderDiedIsFree) {
    const LockPlace place{folder_ / "unit.lock", LockOn::File};
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const mode_t umask = ::umask(077);
    const pid_t child = ::fork();
    if (child == 0) {
        UnitLock lock;
        const char taken = lock.Take(place).Taken() ? 'y' : 'n';
        (void)!::write(ready[1], &taken, 1);
        for (;;)
            ::pause();
    }
    ::umask(umask);
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');
    // Every user must be able to open it to lock it, whatever the holder's umask.
    EXPECT_EQ(fs::status(place.path).permissions(), fs::perms(0644));

    UnitLock second;
    const LockAttempt held = second.Take(place);
    EXPECT_TRUE(held.Held());
    ASSERT_TRUE(held.holder.has_value());
    EXPECT_EQ(held.holder->pid, child);
    EXPECT_EQ(HolderText(held.holder), "core_tests, pid " + std::to_string(child));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(second.Take(place).Taken());
    // Two holders in one process exclude each other just as well.
    UnitLock third;
    EXPECT_TRUE(third.Take(place).Held());
    second.Release();
    EXPECT_TRUE(third.Take(place).Taken());
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace upsconfig
