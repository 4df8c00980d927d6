#include <gtest/gtest.h>

#include <set>

#include "unit/SettingsImage.h"

namespace upsconfig {
namespace {

TEST(SettingsImageTest, FieldTableCoversEveryBitOnceExceptTheUnnamedNibble) {
    std::array<unsigned, SettingsImage::kSize> covered{};
    for (const FieldInfo& f : Fields()) {
        ASSERT_LT(f.byte, SettingsImage::kSize) << f.name;
        ASSERT_LE(f.shift + f.width, 8) << f.name;
        const unsigned mask = ((1u << f.width) - 1u) << f.shift;
        EXPECT_EQ(covered[f.byte] & mask, 0u) << f.name << " overlaps another field";
        covered[f.byte] |= mask;
    }
    for (std::size_t b = 0; b < covered.size(); ++b) {
        // Byte 39 bits 4-7 have no name: carried unchanged, never in a file.
        const unsigned expected = b == 39 ? 0x0Fu : 0xFFu;
        EXPECT_EQ(covered[b], expected) << "byte " << b;
    }
}

TEST(SettingsImageTest, SixtyFourFileKeysAllButTheFourBookkeepingBytes) {
    std::set<std::string_view> notInFile;
    int inFile = 0;
    for (const FieldInfo& f : Fields()) {
        if (f.inSettingsFile) {
            ++inFile;
        } else {
            notInFile.insert(f.name);
        }
        EXPECT_EQ(FindField(f.name), f.id);
    }
    EXPECT_EQ(inFile, 64);
    EXPECT_EQ(notInFile, (std::set<std::string_view>{"bCommandFlags", "bChangedReports",
                                                     "bModelCode", "bSpare"}));
    EXPECT_FALSE(FindField("bOutputlevel").has_value());
}

TEST(SettingsImageTest, SetFieldReplacesOnlyItsOwnBitsAndCutsToWidth) {
    SettingsImage image;
    image.bytes[1] = 0xFF;
    SetField(image, FieldId::bLowBattTime, 5);
    EXPECT_EQ(image.bytes[1], (5u << 3) | 0x07u);
    EXPECT_EQ(GetField(image, FieldId::bLowBattTime), 5u);

    SetField(image, FieldId::bLowBattTime, 300);  // 300 = 0b1'0010'1100, low five bits 12
    EXPECT_EQ(GetField(image, FieldId::bLowBattTime), 12u);
    EXPECT_EQ(image.bytes[1] & 0x07u, 0x07u);

    image.bytes[38] = 0xA5;
    SetField(image, FieldId::bECO_Freq_Tol, 2);
    EXPECT_EQ(image.bytes[38], 0x25);
}

TEST(SettingsImageTest, WordsAreHighByteFirst) {
    SettingsImage image;
    SetWord(image, FieldId::OutletOffAftACOffDT_H_A, 300);
    EXPECT_EQ(image.bytes[18], 1);
    EXPECT_EQ(image.bytes[19], 44);
    EXPECT_EQ(GetWord(image, FieldId::OutletOffAftACOffDT_H_A), 300u);
    SetWord(image, FieldId::BatWeakRunTime_H_B, 65535);
    EXPECT_EQ(image.bytes[40], 0xFF);
    EXPECT_EQ(image.bytes[41], 0xFF);
}

}  // namespace
}  // namespace upsconfig
