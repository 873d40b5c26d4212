#include <gtest/gtest.h>

#include "app/arguments.h"
#include "catalogue/crandom.h"

namespace orvanta {
namespace {

TEST(Arguments, TextIsTheArgumentsJoinedAndTrimmed) {
    const char* argv[] = {"orvanta", " /s", "0 "};
    EXPECT_EQ(rawArgumentText(3, argv), " /s 0 ");
    EXPECT_EQ(trimBlanks(rawArgumentText(3, argv)), "/s 0");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks("\t/s"), "\t/s");  // only blanks are trimmed
    EXPECT_EQ(rawArgumentText(1, argv), "");
}

TEST(Arguments, RunModeTable) {
    struct Case {
        const char* text;
        RunMode mode;
    };
    const Case cases[] = {
        {"/a", RunMode::PasswordChange},     {"-A 12", RunMode::PasswordChange},   {"/a 0", RunMode::PasswordChange},
        {"-u", RunMode::RemoveSettings},     {"-U", RunMode::RemoveSettings},      {"/u", RunMode::Other},
        {"/p 1234", RunMode::Preview},       {"-P:1", RunMode::Preview},           {"/l", RunMode::Preview},
        {"-L", RunMode::Preview},            {"/s", RunMode::Show},                {"S", RunMode::Show},
        {"-s", RunMode::Show},               {"/s:0", RunMode::Other},             {"/s 0", RunMode::Other},
        {"x", RunMode::Other},               {"c", RunMode::SettingsWithOwner},    {"C", RunMode::SettingsWithOwner},
        {"/c:1234", RunMode::SettingsWithOwner}, {"-C", RunMode::SettingsWithOwner}, {"cc", RunMode::Other},
        {"", RunMode::SettingsNoOwner},      {"s ", RunMode::Other},               {"ss", RunMode::Other},
    };
    for (const Case& c : cases) EXPECT_EQ(runModeOf(c.text), c.mode) << '"' << c.text << '"';
}

TEST(Arguments, WindowHandleSkipsTheThirdCharacter) {
    EXPECT_EQ(windowHandleOf("/p 1234"), 1234);
    EXPECT_EQ(windowHandleOf("/p:1234"), 1234);
    EXPECT_EQ(windowHandleOf("/p1234"), 234);
    EXPECT_EQ(windowHandleOf("/p"), 0);
    EXPECT_EQ(windowHandleOf("/p "), 0);
    EXPECT_EQ(windowHandleOf("/p x12"), 0);
    EXPECT_EQ(windowHandleOf("/p -42"), -42);
    EXPECT_EQ(windowHandleOf("/p 12345678901234"), 123456789012);  // at most 12 characters
    EXPECT_EQ(windowHandleOf("/c:77 extra"), 77);
}

TEST(Seeds, SeedFormulaWrapsInThirtyTwoBits) {
    EXPECT_EQ(showSeed(0, 0), 4357u);
    EXPECT_EQ(showSeed(1000, 500), 1000u + 4357u - 500u * 1u);
    // 1,700,000,000 div 999 = 1,701,701; times 999 ms wraps around 2^32.
    const std::uint32_t t = 1700000000u;
    EXPECT_EQ(showSeed(t, 999), static_cast<std::uint32_t>(t + 4357u - 999u * 1701701u));
}

TEST(Seeds, CLibraryStyleGenerator) {
    CRandom r(1);
    // state = 1103515245 + 12345 = 1103527590; bits 16..30 = 16838 (the classic first value).
    EXPECT_EQ(r.next(), 16838);
    EXPECT_EQ(r.next(), 5758);
    EXPECT_EQ(r.next(), 10113);
    CRandom a(12345), b(12345);
    for (int i = 0; i < 100; ++i) {
        const int v = a.next();
        EXPECT_EQ(v, b.next());
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 32767);
    }
}

}  // namespace
}  // namespace orvanta
