#include "settingsfile/SettingsFile.h"

#include <array>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "settingsfile/RegularFile.h"

namespace upsconfig {
namespace {

using enum FieldId;

// Key order of the file. It differs from image order (BatWeakPer_B among the outlet 1 keys, the
// outlet 2 weak-battery run time after its reboot times, bit fields last); files in the field
// rely on it, and the reader's handling of lines with several keys depends on it.
constexpr std::array<FieldId, 64> kKeyOrder{
    OutletOnDT_H_A,
    OutletOnDT_L_A,
    OutletOnAftACRecDT_H_A,
    OutletOnAftACRecDT_L_A,
    OutletOnAftRTlessDT_H_A,
    OutletOnAftRTlessDT_L_A,
    OutletOnAftCPlessDT_H_A,
    OutletOnAftCPlessDT_L_A,
    OutletOffAftACOffDT_H_A,
    OutletOffAftACOffDT_L_A,
    OutletRebootDT_H_A,
    OutletRebootDT_L_A,
    BatWeakPer_A,
    BatWeakPer_B,
    BatWeakRunTime_H_A,
    BatWeakRunTime_L_A,

    OutletOnDT_H_B,
    OutletOnDT_L_B,
    OutletOnAftACRecDT_H_B,
    OutletOnAftACRecDT_L_B,
    OutletOnAftRTlessDT_H_B,
    OutletOnAftRTlessDT_L_B,
    OutletOnAftCPlessDT_H_B,
    OutletOnAftCPlessDT_L_B,
    OutletOffAftACOffDT_H_B,
    OutletOffAftACOffDT_L_B,
    OutletRebootDT_H_B,
    OutletRebootDT_L_B,
    BatWeakRunTime_H_B,
    BatWeakRunTime_L_B,

    bOutputLevel,
    bFreqLevel,
    bAlarmCtrl,
    bShutDownAction,
    bShutDownLogic,
    bAutoBattTestEn,
    bAutoStartEn,
    bLowBattTime,
    bAutoBattTestTime,
    bBattType,
    bSystemSelect,
    bReverseDect,
    bEodMode,
    bParalConfig,
    bParalAddr,
    bInvFirstMode,
    bPROVOB_1,
    bPROVRL_1,
    bPROVCL_1,
    bOOOOB_1,
    bPROVOB_2,
    bPROVRL_2,
    bPROVCL_2,
    bOOOOB_2,
    bECOMode,
    bOUPLOF_1,
    bOBRLOF_1,
    bOBCLOF_1,
    bOUPLOF_2,
    bOBRLOF_2,
    bOBCLOF_2,
    bECO_Vol_Tol,
    bECO_Freq_Tol,
    bECO_Requlify_Interval,
};

constexpr std::string_view kCrLf = "\r\n";

// Removes every occurrence, also those that earlier removals join together, so that none is
// left: the result of removing the first occurrence again and again, in one pass. The kept
// text never holds an occurrence; each character kept remembers how much of `what` the kept
// text then ends with (string matching with a failure table), so a removal resumes where the
// text before it stood.
void EraseAll(std::string& line, std::string_view what) {
    if (what.empty() || line.find(what) == std::string::npos) return;
    std::vector<std::size_t> fallback(what.size(), 0);
    for (std::size_t i = 1, k = 0; i < what.size(); ++i) {
        while (k > 0 && what[i] != what[k])
            k = fallback[k - 1];
        if (what[i] == what[k]) ++k;
        fallback[i] = k;
    }
    std::string kept;
    std::vector<std::size_t> matched;
    kept.reserve(line.size());
    matched.reserve(line.size());
    for (const char c : line) {
        std::size_t k = matched.empty() ? 0 : matched.back();
        while (k > 0 && c != what[k])
            k = fallback[k - 1];
        if (c == what[k]) ++k;
        kept.push_back(c);
        matched.push_back(k);
        if (k == what.size()) {
            kept.resize(kept.size() - k);
            matched.resize(matched.size() - k);
        }
    }
    line = std::move(kept);
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading white space, optional sign, digits up to the first non-digit; 0 without digits. Unlike
// atoi the result is defined for any length: it saturates at the int range as strtol does.
int ConvertLikeAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) magnitude = limit;  // keeps going through the digits, saturated
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// Tests every key against the line in key order; the line keeps each key's removals for the
// keys after it. Returns the keys that set their field, as bits by key position.
std::bitset<kKeyOrder.size()> ApplyLine(std::string line, SettingsImage& image) {
    std::bitset<kKeyOrder.size()> found;
    for (std::size_t k = 0; k < kKeyOrder.size(); ++k) {
        const std::string_view key = Field(kKeyOrder[k]).name;
        if (line.find(key) == std::string::npos) continue;
        EraseAll(line, key);
        EraseAll(line, "</>");
        EraseAll(line, "<>");
        EraseAll(line, " ");
        // Negative numbers wrap: -1 sets every bit of the field.
        SetField(image, kKeyOrder[k], static_cast<unsigned>(ConvertLikeAtoi(line)));
        found.set(k);
    }
    return found;
}

std::string ErrorText(int error) { return std::strerror(error); }

WriteResult Failure(int error) { return WriteResult{false, error, ErrorText(error)}; }

// Creates a new, empty file beside the target with the permissions a newly created target
// would get (0666 less the umask).
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // A short fixed stem: deriving it from the target's name could exceed the name limit.
    const std::string stem = ".kvr-save-" + std::to_string(platform::ProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder / (stem + std::to_string(counter.fetch_add(1)) + ".tmp");
        const int fd = platform::Open(tempPath, platform::OpenFor::CreateNew);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A symbolic link is followed, so that saving over it updates the file it points to rather
// than replacing the link with a plain file.
std::filesystem::path ResolveTarget(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
        const auto resolved = std::filesystem::canonical(path, ec);
        if (!ec) return resolved;
    }
    return path;
}

}  // namespace

std::tm SystemLocalTime() { return platform::LocalTime(std::time(nullptr)); }

std::span<const FieldId> SettingsFileKeys() { return kKeyOrder; }

std::string FormatSettingsFile(const SettingsImage& image, const std::tm& time) {
    // strftime's "%d-%m-%y %H:%M:%S", written without it: the Windows runtime's strftime ends
    // the program for a time whose day is 0, which a clock handed in may hold.
    std::array<char, 96> stamp{};
    const int printed = std::snprintf(
        stamp.data(), stamp.size(), "%02d-%02d-%02d %02d:%02d:%02d", time.tm_mday, time.tm_mon + 1,
        (time.tm_year % 100 + 100) % 100, time.tm_hour, time.tm_min, time.tm_sec);
    const std::size_t stampLength = printed > 0 ? static_cast<std::size_t>(printed) : 0;

    std::string text;
    text.reserve(2400);
    const auto line = [&text](std::string_view a, std::string_view b = {},
                              std::string_view c = {}) {
        text.append(a).append(b).append(c).append(kCrLf);
    };
    line("<Config>");
    line("  <Time>", std::string_view(stamp.data(), stampLength), "</Time>");
    line("  <type>");
    line("    <body>");
    for (FieldId id : kKeyOrder) {
        const std::string_view key = Field(id).name;
        text.append("      <").append(key).append(">");
        text.append(std::to_string(GetField(image, id)));
        text.append("</").append(key).append(">").append(kCrLf);
    }
    line("    </body>");
    line("  </type>");
    line("</Config>");
    return text;
}

WriteResult WriteSettingsFile(const std::filesystem::path& path, const SettingsImage& image,
                              const LocalClock& clock) {
    const std::string text = FormatSettingsFile(image, clock ? clock() : SystemLocalTime());
    const std::filesystem::path target = ResolveTarget(path);

    platform::NodeInfo existing;
    const bool targetExists = platform::StatPath(target, existing);
    if (targetExists && existing.kind == platform::NodeKind::Directory) return Failure(EISDIR);
    // Renaming over a device or pipe would replace the node itself; refuse instead.
    if (targetExists && existing.kind != platform::NodeKind::Regular) return Failure(EINVAL);
    // Replacing through the folder would go around the file's own protection: a file that may
    // not be opened for writing stays as it is.
    if (targetExists) {
        const int probe = platform::Open(target, platform::OpenFor::Writing);
        if (probe < 0) return Failure(errno);
        platform::Close(probe);
    }

    std::filesystem::path tempPath;
    const int fd = CreateTemporaryBeside(target, tempPath);
    if (fd < 0) return Failure(errno);

    // Overwriting keeps the permissions the user gave the file.
    bool ok = !targetExists || platform::KeepPermissions(fd, existing);
    ok = ok && platform::WriteAll(fd, text) && platform::FlushToDisk(fd);
    int error = ok ? 0 : errno;
    if (!platform::Close(fd) && ok) {
        ok = false;
        error = errno;
    }
    if (ok && !platform::MoveIntoPlace(tempPath, target)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        platform::RemoveFile(tempPath);
        return Failure(error);
    }
    return WriteResult{true, 0, {}};
}

int ApplySettingsText(std::string_view text, SettingsImage& image) {
    std::bitset<kKeyOrder.size()> found;
    while (!text.empty()) {
        // The line end (LF or CR LF) is not part of the line; a last line may lack it.
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        found |= ApplyLine(std::string(line), image);
    }
    return static_cast<int>(found.count());
}

ReadResult ReadSettingsFile(const std::filesystem::path& path, SettingsImage& image) {
    ReadResult result;
    // A pipe or device is refused without being waited on, so the window is never held here.
    const FileText file = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (!file.ok) {
        result.reason = file.errorNumber != EFBIG
                            ? file.reason
                            : ErrorText(EFBIG) + " (a settings file is a few KB; at most " +
                                  std::to_string(kMaxSettingsFileBytes >> 20) + " MiB is read)";
        return result;
    }
    result.keysFound = ApplySettingsText(file.text, image);
    result.opened = true;
    return result;
}

}  // namespace upsconfig
