#include "core/ini/ini_password_codec.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quorvel;

TEST(IniPasswordCodec, EncodesAsDecimalBytesOfTheXorWithTheSectionKey) {
    // key "ab2": 'x'^'a' = 25, 'y'^'b' = 27, 'z'^'2' = 72, 'x'^'a' = 25
    EXPECT_EQ(IniPasswordCodec::encode("xyzx", "ab"), "#25#27#72#25");
    // a byte equal to the key byte becomes "#0"
    EXPECT_EQ(IniPasswordCodec::encode("a", "ab"), "#0");
    EXPECT_EQ(IniPasswordCodec::encode("", "ab"), "");
    EXPECT_EQ(IniPasswordCodec::decode("", "ab"), "");
}

TEST(IniPasswordCodec, DecodeOfEncodeGivesTheTextBack) {
    for (std::string section : {"P", "My Project", "Ω project", "a rather long section name for a short key"})
        for (const std::string& text : std::vector<std::string>{"secret", "#starts with hash", "ab2ab2ab2",
                                                                "a much longer password than the key is",
                                                                std::string("nul\0inside", 10), "Grüße"})
            EXPECT_EQ(IniPasswordCodec::decode(IniPasswordCodec::encode(text, section), section), text)
                << section << " / " << text;
}

TEST(IniPasswordCodec, DecodeTakesDigitRunsOrPlainCharacters) {
    // any non-digit ends a run; "#25x27" is two bytes
    EXPECT_EQ(IniPasswordCodec::decode("#25x27", "ab"), "xy");
    // text without a leading "#" is taken byte for byte
    EXPECT_EQ(IniPasswordCodec::decode(std::string("\x19\x1b"), "ab"), "xy");
}
