#include "core/cp1250.h"

#include <gtest/gtest.h>

#include <set>

namespace kalvo {
namespace {

TEST(Cp1250, EveryByteButZeroRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = DecodeCp1250(byte);
        const auto back = EncodeCp1250(utf8);
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, byte) << b;
    }
}

TEST(Cp1250, ExactlyTheCharactersOfItsBytesAreHeld) {
    std::set<char32_t> held;
    for (int b = 1; b < 256; ++b) {
        const std::string utf8 = DecodeCp1250(std::string(1, static_cast<char>(b)));
        std::size_t pos = 0;
        char32_t c = 0;
        ASSERT_TRUE(NextCodePoint(utf8, pos, c));
        held.insert(c);
    }
    for (char32_t c = 0; c < 0x2200; ++c)
        EXPECT_EQ(Cp1250CanHold(c), held.count(c) == 1) << std::hex << static_cast<std::uint32_t>(c);
    EXPECT_FALSE(Cp1250CanHold(U'\U0001F600'));
}

TEST(Cp1250, SlovakLettersAndUndefinedBytes) {
    EXPECT_EQ(DecodeCp1250("\x8A\x9A\xBE\xE4\xF4"), "Ššľäô");
    EXPECT_EQ(DecodeCp1250("\x81"), "\u0081");
    EXPECT_EQ(*EncodeCp1250("Časové znamenie"),
              "\xC8"
              "asov\xE9 znamenie");
}

TEST(Cp1250, TextTheCodePageCannotHoldIsRefused) {
    Cp1250Error error;
    EXPECT_FALSE(EncodeCp1250("ok \u263A", &error).has_value());
    EXPECT_EQ(error.offset, 3u);
    EXPECT_EQ(error.character, U'\u263A');
    EXPECT_FALSE(EncodeCp1250(std::string("a\0b", 3), &error).has_value());  // a zero byte would end the text
    EXPECT_FALSE(EncodeCp1250("\xC3", &error).has_value());                  // broken UTF-8
    EXPECT_EQ(error.character, U'\uFFFD');
    EXPECT_FALSE(Cp1250CanHold(U'\u00F1'));  // ñ is not in the code page
    EXPECT_TRUE(Cp1250CanHold(U'\u0155'));   // ŕ is
}

TEST(Cp1250, MixedTextAppendsAtTheEndAndTellsWhereItStopped) {
    // Runs of plain ASCII go across whole; the offsets of refused characters stay those of the input.
    std::string out = "pred:";
    ASSERT_TRUE(AppendCp1250(out, "Stretnutie č. 41 v zasadačke, 8:00"));
    EXPECT_EQ(out, "pred:Stretnutie \xE8. 41 v zasada\xE8ke, 8:00");
    Cp1250Error error;
    out.clear();
    EXPECT_FALSE(AppendCp1250(out, "dlhý text \u263A koniec", &error));
    EXPECT_EQ(error.offset, 11u);
    EXPECT_EQ(error.character, U'\u263A');
    EXPECT_FALSE(AppendCp1250(out, std::string("abc\0def", 7), &error));
    EXPECT_EQ(error.offset, 3u);
    EXPECT_EQ(error.character, U'\0');
}

TEST(Cp1250, FirstLetterUpperCase) {
    EXPECT_EQ(UpperFirstCp1250("šimon"), "Šimon");
    EXPECT_EQ(UpperFirstCp1250("ľudmila"), "Ľudmila");
    EXPECT_EQ(UpperFirstCp1250("jana"), "Jana");
    EXPECT_EQ(UpperFirstCp1250("ŠIMON"), "ŠIMON");
    EXPECT_EQ(UpperFirstCp1250("ßa"), "ßa");
    EXPECT_EQ(UpperFirstCp1250(""), "");
}

}  // namespace
}  // namespace kalvo
