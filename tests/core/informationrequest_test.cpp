#include <gtest/gtest.h>

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

TEST(CommandLine, AnUnwritableOutputIsAFailure) {
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    const char* argv[] = {"orvanta", "--version"};
    EXPECT_EQ(answerInformationRequest(2, argv, out, err), 1);
    EXPECT_NE(err.str().find("could not write"), std::string::npos);
}

}  // namespace
}  // namespace orvanta
