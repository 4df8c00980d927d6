#pragma once

// Settings files in a folder of each test's own, with the images and the clock the tests share.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "platform/Platform.h"
#include "settingsfile/SettingsFile.h"
#include "support/LocalTime.h"
#include "support/TestFiles.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

namespace fs = std::filesystem;
using enum FieldId;

// 7 March 2009, 08:05:04: every part of the time line needs its leading zero.
inline std::tm FixedTime() { return support::LocalTime(2009, 3, 7, 8, 5, 4); }

inline SettingsImage PatternImage() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return image;
}

inline SettingsImage RandomImage(std::mt19937& rng) {
    SettingsImage image;
    for (auto& b : image.bytes)
        b = static_cast<std::uint8_t>(rng());
    return image;
}

inline std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void Spit(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("upsconfig-" + std::to_string(platform::ProcessId()) + "-" + info->name());
        // Process ids come round again (quickly under Wine): a folder may be left from before.
        support::RemoveTree(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { support::RemoveTree(dir_); }

    // Reads text as a settings file into image.
    ReadResult ReadText(std::string_view text, SettingsImage& image) {
        const fs::path path = dir_ / "in.kvr";
        Spit(path, text);
        return ReadSettingsFile(path, image);
    }

    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

}  // namespace upsconfig
