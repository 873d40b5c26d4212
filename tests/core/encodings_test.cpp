#include <gtest/gtest.h>

#include "settings/encodings.h"
#include "settings/fontdescription.h"
#include "settings/settingstable.h"

namespace orvanta {
namespace {

TEST(Encodings, IntegersReadLikeTheCLibrary) {
    EXPECT_EQ(readInteger(" 7abc"), 7);
    EXPECT_EQ(readInteger("abc"), 0);
    EXPECT_EQ(readInteger(""), 0);
    EXPECT_EQ(readInteger("\t -12x"), -12);
    EXPECT_EQ(readInteger("+20"), 20);
    EXPECT_EQ(readInteger("- 5"), 0);
    EXPECT_EQ(readInteger("99999999999999"), 2147483647);
    EXPECT_EQ(readInteger("-99999999999999"), -2147483647 - 1);
}

TEST(Encodings, ColoursReadInThreeCharacterPieces) {
    EXPECT_EQ(readColour("255  0  0"), (Rgb{255, 0, 0}));
    EXPECT_EQ(readColour("  0128255"), (Rgb{0, 128, 255}));
    EXPECT_EQ(readColour("000128255"), (Rgb{0, 128, 255}));
    EXPECT_EQ(readColour("255 12"), (Rgb{255, 12, 0}));
    EXPECT_EQ(readColour(""), (Rgb{0, 0, 0}));
    EXPECT_EQ(writeColour({0, 0, 0}), "  0  0  0");
    EXPECT_EQ(writeColour({255, 255, 255}), "255255255");
    EXPECT_EQ(writeColour({1, 22, 133}), "  1 22133");
}

TEST(Encodings, TransitionSwitchesReadOnlyTheAvailableCount) {
    int switches[35];
    std::fill(std::begin(switches), std::end(switches), 7);
    readTransitions(std::string(34, '0') + "1", 34, switches);
    EXPECT_EQ(switches[33], 0);
    EXPECT_EQ(switches[34], 7);  // not read
    readTransitions("10x", 35, switches);
    EXPECT_EQ(switches[0], 1);
    EXPECT_EQ(switches[1], 0);
    EXPECT_EQ(switches[2], 0);  // not a digit reads 0
    EXPECT_EQ(switches[3], 0);  // earlier value kept beyond a short string
    int ones[35];
    std::fill(std::begin(ones), std::end(ones), 1);
    EXPECT_EQ(writeTransitions(ones, 35), std::string(35, '1'));
    EXPECT_EQ(writeTransitions(ones, 34), std::string(34, '1'));
}

TEST(FontDescriptions, RoundTripUnchanged) {
    for (const char* text : {"14.Times New Roman.Bold", "8.MS Sans Serif", "9.MS Sans Serif.Bold", "Arial.Height=-13",
                             "10.Arial.Width =6.Weight=450.Italic.Underline.Strikeout.CharSet=2",
                             "12.Courier New.Heavy.Italic", "Serif"}) {
        EXPECT_EQ(FontDescription::parse(text).toString(), text) << text;
    }
}

TEST(FontDescriptions, TokensAreUnderstood) {
    const FontDescription f = FontDescription::parse("14.Times New Roman.Bold");
    EXPECT_EQ(f.pointSize, 14);
    EXPECT_EQ(f.face, "Times New Roman");
    EXPECT_EQ(f.weight, 700);
    const FontDescription s = FontDescription::parse("10.Arial.StrikeOut.Light");
    EXPECT_TRUE(s.strikeout);
    EXPECT_EQ(s.weight, 300);
    EXPECT_EQ(s.toString(), "10.Arial.Light.Strikeout");
}

// A value as the key holds it, and what the record makes of it and writes
// back: always something the dialog's controls can show and the show obeys
// in the same way as the stored value.
struct StoredCase {
    const char* name;
    const char* stored;
    const char* written;
};

class StoredValues : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredValues, ReadIntoRangeAndWrittenBack) {
    const StoredCase& c = GetParam();
    const SettingDef* def = findSetting(c.name);
    ASSERT_NE(def, nullptr);
    Settings settings;
    parseSetting(*def, settings, c.stored, kTransitionCount);
    EXPECT_EQ(formatSetting(*def, settings, kTransitionCount), c.written) << c.name << "=\"" << c.stored << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredValues,
    ::testing::Values(
        StoredCase{"Duration", "-5", "1"},  // a timed show still, not the manual one
        StoredCase{"Duration", "0", "0"}, StoredCase{"Duration", " 7abc", "7"},
        StoredCase{"Duration", "99999999999", "2147483"}, StoredCase{"Delay", "25", "20"},
        StoredCase{"Delay", "-3", "0"}, StoredCase{"PropLimit", "6", "0"}, StoredCase{"PropLimit", "-1", "0"},
        StoredCase{"PropLimit", "5", "5"}, StoredCase{"MsgPlace", "99", "1"}, StoredCase{"MsgPlace", "-4", "1"},
        StoredCase{"MsgPlace", "0", "0"}, StoredCase{"MsgPlace", "9", "9"}, StoredCase{"CaptionPlace", "-4", "3"},
        StoredCase{"CaptionPlace", "6", "3"}, StoredCase{"CaptionPlace", "5", "5"},
        StoredCase{"CaptionPlace", "0", "0"}, StoredCase{"TextFont", ".", "14.Times New Roman.Bold"},
        StoredCase{"TextFont", "", "14.Times New Roman.Bold"},
        StoredCase{"TextFont", "12..Italic", "14.Times New Roman.Bold"},
        StoredCase{"TextFont", "[UKWN]", "14.Times New Roman.Bold"}, StoredCase{"TextFont", "-5.Arial", "14.Arial"},
        StoredCase{"TextFont", "+12.Arial", "12.Arial"}, StoredCase{"TextFont", "900.Arial.Italic", "512.Arial.Italic"},
        StoredCase{"CaptionFont", "12.DejaVu Sans [UKWN].Bold", "12.DejaVu Sans.Bold"},
        StoredCase{"CaptionFont", "10. Arial .Light", "10.Arial.Light"},
        StoredCase{"CaptionFont", "Arial.Height=-13", "Arial.Height=-13"},
        StoredCase{"CaptionFont", "14.Times New Roman.Bold", "14.Times New Roman.Bold"}));

}  // namespace
}  // namespace orvanta
