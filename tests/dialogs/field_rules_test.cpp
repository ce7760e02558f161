#include "dialogs/field_rules.h"

#include <gtest/gtest.h>

namespace ostinel::dialogs {
namespace {

struct IntegerCase {
    const char* text;
    bool valid;
    int value;
};

TEST(ParseIntegerTest, SignedFieldsTakeLeadingBlanksAndOneSign) {
    const IntegerCase cases[] = {
        {" 12", true, 12},        {"+7", true, 7},
        {"-3", true, -3},         {"12 ", false, 0},
        {"1-2", false, 0},        {"--3", false, 0},
        {"1234567890", false, 0}, {"123456789", true, 123456789},
        {"12a", false, 0},
    };
    for (const IntegerCase& c : cases) {
        const ParsedNumber parsed = ParseInteger(c.text, true, false);
        EXPECT_EQ(parsed.valid, c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(parsed.value, c.value) << c.text;
        }
    }
}

TEST(ParseIntegerTest, EmptyAndSignOnlyTextsFollowAllowEmpty) {
    EXPECT_TRUE(ParseInteger("", false, true).valid);
    EXPECT_FALSE(ParseInteger("", false, false).valid);
    EXPECT_TRUE(ParseInteger("  -", true, true).valid);
    EXPECT_FALSE(ParseInteger("  -", true, false).valid);
    EXPECT_FALSE(ParseInteger("-3", false, true).valid);
}

TEST(ParseNoteNameTest, NamesWithSharpsFlatsAndOctaves) {
    const IntegerCase cases[] = {
        {"C5", true, 60},   {"60", true, 60},   {"Eb4", true, 51},  {"d#4", true, 51},
        {"C-1", false, 0},  {"G10", true, 127}, {"G#10", false, 0}, {"H4", false, 0},
        {" bb0", true, 10}, {"128", false, 0},
    };
    for (const IntegerCase& c : cases) {
        const ParsedNumber parsed = ParseNoteName(c.text);
        EXPECT_EQ(parsed.valid, c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(parsed.value, c.value) << c.text;
        }
    }
}

TEST(FormatNoteNameTest, FlatKeysNameBlackKeysWithFlats) {
    EXPECT_EQ(FormatNoteName(61, true), "Db5");
    EXPECT_EQ(FormatNoteName(61, false), "C#5");
    EXPECT_EQ(FormatNoteName(60, true), "C5");
    for (int note = 0; note < 128; ++note) {
        EXPECT_EQ(ParseNoteName(FormatNoteName(note, note % 2 == 0)).value, note);
    }
}

TEST(FormatIntegerTest, SignedHalfStepsShowPlusAndEmptyZero) {
    EXPECT_EQ(FormatInteger(-5), "-5");
    EXPECT_EQ(FormatInteger(0), "0");
    EXPECT_EQ(FormatSignedHalfSteps(0), "");
    EXPECT_EQ(FormatSignedHalfSteps(7), "+7");
    EXPECT_EQ(FormatSignedHalfSteps(-7), "-7");
}

}  // namespace
}  // namespace ostinel::dialogs
