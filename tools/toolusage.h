#pragma once
// What every tool here does with its command line before its own work:
// "--help" prints the usage on standard output and ends with status 0 (1 when
// it cannot be written); an option the tool does not know is refused in one
// line on standard error with status 2, so that no mistyped option is taken
// for a file name. An argument is an option when it starts with "-" and is
// more than "-" alone or a negative number ("-40" is a coordinate).
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <optional>

namespace orvanta::tools {

struct KnownOption {
    const char* name;
    bool takesValue;
};

inline bool isOption(const char* argument) {
    return argument[0] == '-' && argument[1] != '\0' && !std::isdigit(static_cast<unsigned char>(argument[1]));
}

// The exit status when the command line is answered or refused here;
// nothing when the tool goes on with it.
inline std::optional<int> screenOptions(int argc, char** argv, const char* tool, const char* usage,
                                        std::initializer_list<KnownOption> known = {}) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") != 0) continue;
        std::fputs(usage, stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    for (int i = 1; i < argc; ++i) {
        if (!isOption(argv[i])) continue;
        const KnownOption* option = nullptr;
        for (const KnownOption& k : known)
            if (std::strcmp(argv[i], k.name) == 0) option = &k;
        if (!option) {
            std::fprintf(stderr, "%s: unknown option \"%s\"; try \"%s --help\"\n", tool, argv[i], tool);
            return 2;
        }
        if (option->takesValue) ++i;
    }
    return std::nullopt;
}

}  // namespace orvanta::tools
