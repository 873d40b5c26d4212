#include <gtest/gtest.h>

#include "base/crandom.h"
#include "commandline/arguments.h"

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
        {"/a", RunMode::PasswordChange},
        {"-A 12", RunMode::PasswordChange},
        {"/a 0", RunMode::PasswordChange},
        {"-u", RunMode::RemoveSettings},
        {"-U", RunMode::RemoveSettings},
        {"-u 1", RunMode::RemoveSettings},
        {"-U:1", RunMode::RemoveSettings},
        {"-update", RunMode::Other},  // a mistyped word never deletes the settings
        {"-uu", RunMode::Other},
        {"-u1", RunMode::RemoveSettings},
        {"-about", RunMode::Other},
        {"/a:7", RunMode::PasswordChange},
        {"-platform offscreen /s", RunMode::Other},
        {"-preview 1234", RunMode::Other},
        {"/p1234", RunMode::Preview},  // the handle then is 234
        {"/p", RunMode::Preview},
        {"-list", RunMode::Other},
        {"-config", RunMode::Other},
        {"/c77", RunMode::SettingsWithOwner},
        {"/C 5", RunMode::SettingsWithOwner},
        {"/u", RunMode::Other},
        {"/p 1234", RunMode::Preview},
        {"-P:1", RunMode::Preview},
        {"/l", RunMode::Preview},
        {"-L", RunMode::Preview},
        {"/s", RunMode::Show},
        {"S", RunMode::Show},
        {"-s", RunMode::Show},
        {"/s:0", RunMode::Other},
        {"/s 0", RunMode::Other},
        {"x", RunMode::Other},
        {"c", RunMode::SettingsWithOwner},
        {"C", RunMode::SettingsWithOwner},
        {"/c:1234", RunMode::SettingsWithOwner},
        {"-C", RunMode::SettingsWithOwner},
        {"cc", RunMode::Other},
        {"", RunMode::SettingsNoOwner},
        {"s ", RunMode::Other},
        {"ss", RunMode::Other},
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

TEST(Arguments, PreviewHostIdsInDecimalOrHexadecimal) {
    EXPECT_EQ(previewHandleOf("/p 4194310"), 4194310LL);
    EXPECT_EQ(previewHandleOf("/p:0x400006"), 0x400006LL);
    EXPECT_EQ(previewHandleOf("-P 0X1F"), 0x1FLL);
    EXPECT_EQ(previewHandleOf("/p 0x"), 0LL);           // no digits: read as decimal "0"
    EXPECT_EQ(previewHandleOf("/p 0x123456789"), 0LL);  // longer than any window id
    EXPECT_EQ(previewHandleOf("/p"), 0LL);
    EXPECT_EQ(previewHandleOf("/p 123456789012345"), 123456789012LL);  // 12 characters, as ever
}

TEST(Arguments, WindowIdsAreDecimalOrHexadecimal) {
    EXPECT_EQ(windowIdOf("4194312"), 4194312ul);
    EXPECT_EQ(windowIdOf("0x400008"), 0x400008ul);
    EXPECT_EQ(windowIdOf("0X1Ab"), 0x1ABul);
    EXPECT_EQ(windowIdOf(" 0x20 "), 0x20ul);
    EXPECT_EQ(windowIdOf("0xFFFFFFFF"), 0xFFFFFFFFul);
    EXPECT_EQ(windowIdOf("4294967295"), 4294967295ul);
    // Not an id: nothing, signs, other text after the number, more than 32 bits.
    for (const char* text :
         {"", "0x", "-5", "+5", "12abc", "0x12g", "0x100000000", "4294967296", "99999999999", "1 2", "0x0x1"})
        EXPECT_EQ(windowIdOf(text), 0ul) << '"' << text << '"';
}

TEST(Arguments, TheDaemonsWindowWinsOverEveryArgument) {
    // xscreensaver names its window in the environment and adds -root.
    EXPECT_EQ(hackWindowOf("--root", "0x400008"), std::optional<unsigned long>(0x400008));
    EXPECT_EQ(hackWindowOf("-root", "0x400008"), std::optional<unsigned long>(0x400008));
    EXPECT_EQ(hackWindowOf("/s", "123"), std::optional<unsigned long>(123));
    EXPECT_EQ(hackWindowOf("--window-id 5", "0x9"), std::optional<unsigned long>(9));
    EXPECT_EQ(hackWindowOf("", "not a window"), std::optional<unsigned long>(0));
    // An empty variable is no variable.
    EXPECT_EQ(hackWindowOf("/s", ""), std::nullopt);
    EXPECT_EQ(hackWindowOf("--root", nullptr), std::nullopt);
    // The option, in both spellings, anywhere among the arguments.
    EXPECT_EQ(hackWindowOf("--window-id 4194312", nullptr), std::optional<unsigned long>(4194312));
    EXPECT_EQ(hackWindowOf("--window-id=0x1e00003", nullptr), std::optional<unsigned long>(0x1e00003));
    EXPECT_EQ(hackWindowOf("-root --window-id 0x20", nullptr), std::optional<unsigned long>(0x20));
    // xscreensaver's single-dash spelling.
    EXPECT_EQ(hackWindowOf("-root -window-id 0x20", nullptr), std::optional<unsigned long>(0x20));
    EXPECT_EQ(hackWindowOf("-window-id=4194312", nullptr), std::optional<unsigned long>(4194312));
    EXPECT_EQ(hackWindowOf("---window-id 3", nullptr), std::nullopt);
    EXPECT_EQ(hackWindowOf("--window-id", nullptr), std::optional<unsigned long>(0));
    EXPECT_EQ(hackWindowOf("--window-id x", nullptr), std::optional<unsigned long>(0));
    EXPECT_EQ(hackWindowOf("/p 0x20", nullptr), std::nullopt);
    EXPECT_EQ(hackWindowOf("--window-identity 3", nullptr), std::nullopt);
}

TEST(Arguments, CommandLineKindTable) {
    struct Case {
        const char* text;
        const char* variable;
        CommandLineKind kind;
    };
    const Case cases[] = {
        {"", nullptr, CommandLineKind::Run},
        {" /s ", nullptr, CommandLineKind::Run},
        {"/c:77", nullptr, CommandLineKind::Run},
        {"/p banana", nullptr, CommandLineKind::Run},  // a preview, which reports its id
        {"/a", nullptr, CommandLineKind::Run},
        {"-u", nullptr, CommandLineKind::Run},
        {"--window-id 9", nullptr, CommandLineKind::Run},
        {"-window-id 9 --foo", nullptr, CommandLineKind::Run},
        {"--foo", "0x20", CommandLineKind::Run},  // the daemon's window wins over every argument
        {"-root", "0x20", CommandLineKind::Run},
        {"-root", nullptr, CommandLineKind::RootWithoutWindow},
        {" --root ", "", CommandLineKind::RootWithoutWindow},
        {"--foo", nullptr, CommandLineKind::Unknown},
        {"-h", nullptr, CommandLineKind::Unknown},
        {"/x", nullptr, CommandLineKind::Unknown},
        {"/s 0", nullptr, CommandLineKind::Unknown},
        {"-update", nullptr, CommandLineKind::Unknown},
        {"-root /s", nullptr, CommandLineKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(commandLineKindOf(c.text, c.variable), c.kind) << '"' << c.text << '"';
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
