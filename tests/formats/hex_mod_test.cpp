#include "formats/hex_mod.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <stdexcept>

#include "support/fixtures.h"

namespace echodelve {
namespace {

using test::Bytes;

TEST(HexModTest, BytesToHexPadsEveryByteAndStopsAfterFour) {
    EXPECT_EQ(HexMod::BytesToHex(Bytes{0, 0, 0, 0}), "00000000");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{0x0A, 0x0B, 0x0C, 0x0D}), "0A0B0C0D");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{0x4A, 0x00, 0x0F, 0xFF}), "4A000FFF");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{1, 2, 3, 4, 5}), "01020304");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{1, 2, 3}), "010203");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{0x41, 0x42}), "4142");
    EXPECT_EQ(HexMod::BytesToHex(Bytes{}), "");
}

TEST(HexModTest, ReverseHexBytesSwapsPairsAndCutsShortInput) {
    EXPECT_EQ(HexMod::ReverseHexBytes("01020304"), "04030201");
    EXPECT_EQ(HexMod::ReverseHexBytes("AABBCCDD"), "DDCCBBAA");
    EXPECT_EQ(HexMod::ReverseHexBytes("ABCDEF"), "EFCDAB");
    EXPECT_EQ(HexMod::ReverseHexBytes("ABC"), "CAB");
    EXPECT_EQ(HexMod::ReverseHexBytes("0102030405"), "04030201");
    EXPECT_EQ(HexMod::ReverseHexBytes(""), "");
}

TEST(HexModTest, HexToNumberIsUnsignedUpToFourDigitsAndSigned32Beyond) {
    EXPECT_EQ(HexMod::HexToNumber(""), 0);
    EXPECT_EQ(HexMod::HexToNumber("00000000"), 0);
    EXPECT_EQ(HexMod::HexToNumber("000001F4"), 500);
    EXPECT_EQ(HexMod::HexToNumber("000001f4"), 500);
    EXPECT_EQ(HexMod::HexToNumber("8000"), 32768);
    EXPECT_EQ(HexMod::HexToNumber("FFFF"), 65535);
    EXPECT_EQ(HexMod::HexToNumber("0000FFFF"), 65535);
    EXPECT_EQ(HexMod::HexToNumber("FFFFFFF8"), -8);
    EXPECT_EQ(HexMod::HexToNumber("FFFFFFFF"), -1);
    EXPECT_EQ(HexMod::HexToNumber("7FFFFFFF"), 2147483647);
    EXPECT_EQ(HexMod::HexToNumber("80000000"), -2147483648.0);
    EXPECT_EQ(HexMod::HexToNumber("FFFFF"), 1048575);
    EXPECT_THROW(HexMod::HexToNumber("123456789"), std::invalid_argument);
    EXPECT_THROW(HexMod::HexToNumber("12G4"), std::invalid_argument);
}

TEST(HexModTest, ChainReadsLittleEndianSigned32) {
    const auto read = [](std::array<std::uint8_t, 4> field) {
        return HexMod::ReadArchiveNumber(field);
    };
    EXPECT_EQ(read({0x24, 0x08, 0x00, 0x00}), 2084);
    EXPECT_EQ(read({0x10, 0x27, 0x00, 0x00}), 10000);
    EXPECT_EQ(read({0xF8, 0xFF, 0xFF, 0xFF}), -8);
    EXPECT_EQ(read({0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(read({0x00, 0x00, 0x00, 0x80}), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(read({0xFF, 0xFF, 0xFF, 0x7F}), std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace echodelve
