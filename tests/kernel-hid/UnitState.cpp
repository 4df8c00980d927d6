#include "UnitState.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <sstream>

namespace upsconfig::kernelhid {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

std::string IdList(const std::vector<std::uint8_t>& ids) {
    return ids.empty() ? "-" : Hex(ids.data(), ids.size());
}

std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text) {
    if (text == "-") return std::vector<std::uint8_t>{};
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char* first = text.data() + 2 * i;
        const auto [end, error] = std::from_chars(first, first + 2, bytes[i], 16);
        if (error != std::errc() || end != first + 2) return std::nullopt;
    }
    return bytes;
}

template <std::size_t N>
bool FromHex(std::string_view text, std::array<std::uint8_t, N>& out) {
    const auto bytes = FromHex(text);
    if (!bytes || bytes->size() != N) return false;
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return true;
}

bool FromDecimal(std::string_view text, auto& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string FormatState(const UnitState& s) {
    std::ostringstream out;
    out << "image=" << Hex(s.image.bytes.data(), s.image.bytes.size())
        << " versions=" << Hex(s.versions.data(), s.versions.size())
        << " startup=" << s.startupSeconds << " online=" << s.online << " outlet1=" << s.outlet1On
        << " outlet2=" << s.outlet2On << " battery=" << s.batteryTest
        << " display=" << s.displayUpdate
        << " summary=" << (s.lastSummaryWrite ? Hex(s.lastSummaryWrite->data(), 4) : "-")
        << " reads=" << IdList(s.reads) << " writes=" << IdList(s.writes);
    return out.str();
}

std::optional<UnitState> ParseState(std::string_view text) {
    std::map<std::string, std::string, std::less<>> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) {
        const auto equals = word.find('=');
        if (equals == std::string::npos) return std::nullopt;
        words[word.substr(0, equals)] = word.substr(equals + 1);
    }
    const auto value = [&](std::string_view key) -> std::string_view {
        const auto it = words.find(key);
        return it == words.end() ? std::string_view() : std::string_view(it->second);
    };
    UnitState s;
    int online = 0, outlet1 = 0, outlet2 = 0, display = 0;
    std::array<std::uint8_t, 4> summary{};
    const auto reads = FromHex(value("reads"));
    const auto writes = FromHex(value("writes"));
    if (!FromHex(value("image"), s.image.bytes) || !FromHex(value("versions"), s.versions) ||
        !FromDecimal(value("startup"), s.startupSeconds) || !FromDecimal(value("online"), online) ||
        !FromDecimal(value("outlet1"), outlet1) || !FromDecimal(value("outlet2"), outlet2) ||
        !FromDecimal(value("battery"), s.batteryTest) || !FromDecimal(value("display"), display) ||
        !reads || !writes) {
        return std::nullopt;
    }
    if (value("summary") != "-") {
        if (!FromHex(value("summary"), summary)) return std::nullopt;
        s.lastSummaryWrite = summary;
    }
    s.online = online != 0;
    s.outlet1On = outlet1 != 0;
    s.outlet2On = outlet2 != 0;
    s.displayUpdate = display != 0;
    s.reads = *reads;
    s.writes = *writes;
    return s;
}

}  // namespace upsconfig::kernelhid
