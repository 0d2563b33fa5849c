#include "formats/hex_mod.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "support/fixtures.h"

namespace echodelve::hex_mod_tests {
namespace {

TEST(HexModTest, BytesBecomeDigitsAndDigitPairsAreReversed) {
    // clang-format off
    const std::pair<test::Bytes, const char*> hex[] = {
        {{}, ""}, {{0x41, 0x42}, "4142"}, {{1, 2, 3}, "010203"},
        {{0x0A, 0xB0, 0x0F, 0xFF}, "0AB00FFF"}, {{1, 2, 3, 4, 5}, "01020304"}};
    const std::pair<const char*, const char*> reversed[] = {
        {"", ""}, {"ABC", "CAB"}, {"ABCDEF", "EFCDAB"}, {"01020304", "04030201"},
        {"0102030405", "04030201"}};
    // clang-format on
    for (const auto& [bytes, digits] : hex) {
        EXPECT_EQ(HexMod::BytesToHex(bytes), digits);
    }
    for (const auto& [digits, pairs] : reversed) {
        EXPECT_EQ(HexMod::ReverseHexBytes(digits), pairs) << digits;
    }
}

TEST(HexModTest, EveryDigitCountsAndFiveToEightDigitsAreSigned) {
    // clang-format off
    const std::pair<const char*, double> cases[] = {
        {"", 0}, {"0", 0}, {"9", 9}, {"A", 10}, {"F", 15}, {"a", 10}, {"f", 15}, {"FFFF", 65535},
        {"FFFFF", 1048575}, {"000001f4", 500}, {"7FFFFFFF", 2147483647.0},
        {"80000000", -2147483648.0}, {"FFFFFFFF", -1}};
    // clang-format on
    for (const auto& [hex, number] : cases) {
        EXPECT_EQ(HexMod::HexToNumber(hex), number) << hex;
    }
    // Each neighbour of a digit range, and one digit too many.
    for (const char* bad : {"/", ":", "@", "G", "`", "g", "1 ", "123456789"}) {
        EXPECT_THROW(HexMod::HexToNumber(bad), std::invalid_argument) << bad;
    }
}

TEST(HexModTest, AFieldIsLittleEndianSigned32) {
    // clang-format off
    const std::pair<std::array<std::uint8_t, 4>, std::int32_t> cases[] = {
        {{0x24, 0x08, 0, 0}, 2084}, {{0, 0, 1, 0}, 65536}, {{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},
        {{0, 0, 0, 0x80}, INT32_MIN}, {{0xF8, 0xFF, 0xFF, 0xFF}, -8}};
    // clang-format on
    for (const auto& [field, number] : cases) {
        EXPECT_EQ(HexMod::ReadArchiveNumber(field), number);
    }
}

}  // namespace
}  // namespace echodelve::hex_mod_tests
