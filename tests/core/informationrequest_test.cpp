#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "commandline/informationrequest.h"

namespace orvanta {
namespace {

std::optional<int> answer(std::vector<const char*> args, std::string& out, std::string& err) {
    args.insert(args.begin(), "orvanta");
    std::ostringstream o, e;
    const auto status = answerInformationRequest(static_cast<int>(args.size()), args.data(), o, e);
    out = o.str();
    err = e.str();
    return status;
}

TEST(CommandLine, HelpAndVersionAreAnsweredOnStandardOutput) {
    std::string out, err;
    EXPECT_EQ(answer({"--help"}, out, err), 0);
    EXPECT_EQ(out, usageText());
    EXPECT_EQ(err, "");
    for (const char* mode : {"\n  (none), c, /c ", "\n  /s ", "\n  /p ID ", "\n  -u ", "\n  --window-id ID ",
                             "\n  --help ", "\n  --version "})
        EXPECT_NE(out.find(mode), std::string::npos) << mode;

    EXPECT_EQ(answer({"--version"}, out, err), 0);
    EXPECT_EQ(out, std::string("orvanta ") + orvantaVersion() + "\n");
    EXPECT_EQ(err, "");
}

TEST(CommandLine, VersionIsTheProjectVersion) {
    std::ifstream lists(ORVANTA_SOURCE_DIR "/CMakeLists.txt");
    std::stringstream text;
    text << lists.rdbuf();
    std::smatch m;
    const std::string s = text.str();
    ASSERT_TRUE(std::regex_search(s, m, std::regex(R"(project\(Orvanta VERSION ([0-9.]+))")));
    EXPECT_EQ(m[1].str(), orvantaVersion());
}

TEST(CommandLine, EveryOtherCommandLineIsARunMode) {
    const std::vector<std::vector<const char*>> others = {
        {},          {"/s"},   {"-s"},         {"--help", "x"}, {"/s", "--help"}, {"--HELP"}, {"-h"}, {"--version "},
        {" --help"}, {"help"}, {"--versions"}, {"-help"},       {"--root"},       {"-u"},
    };
    for (const auto& args : others) {
        std::string out, err;
        EXPECT_EQ(answer(args, out, err), std::nullopt) << (args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(out, "");
        EXPECT_EQ(err, "");
    }
}

TEST(CommandLine, CommandLinesThatCannotRunAreRefusedInOneLine) {
    struct Case {
        std::vector<const char*> args;
        std::optional<int> status;
        const char* line;
    };
    const Case cases[] = {
        {{"--foo"}, 2, "orvanta: unknown argument \"--foo\"; try \"orvanta --help\"\n"},
        {{"/s", "0"}, 2, "orvanta: unknown arguments \"/s 0\"; try \"orvanta --help\"\n"},
        {{" /x\n"}, 2, "orvanta: unknown argument \"/x?\"; try \"orvanta --help\"\n"},
        {{"-root"}, 1, "orvanta: -root: no window to draw in"},
        {{}, std::nullopt, ""},
        {{"/s"}, std::nullopt, ""},
        {{"/p", "banana"}, std::nullopt, ""},
        {{"-root", "-window-id", "0x20"}, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = c.args;
        argv.insert(argv.begin(), "orvanta");
        std::ostringstream err;
        EXPECT_EQ(refuseCommandLine(static_cast<int>(argv.size()), argv.data(), nullptr, err), c.status)
            << (c.args.empty() ? "(none)" : c.args[0]);
        EXPECT_EQ(err.str().substr(0, std::strlen(c.line)), c.line);
        const std::string text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.status ? 1 : 0) << text;
    }
}

TEST(CommandLine, AnUnwritableOutputIsAFailure) {
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    const char* argv[] = {"orvanta", "--version"};
    EXPECT_EQ(answerInformationRequest(2, argv, out, err), 1);
    EXPECT_NE(err.str().find("could not write"), std::string::npos);
}

}  // namespace
}  // namespace orvanta
