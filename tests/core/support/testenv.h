#pragma once
// Helpers shared by the core tests: a temporary folder that is removed at the
// end, an environment that points every per-user location into it, and the
// public corpora, skipped (saying so) when the folder is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orvanta::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file (creating its folders) and returns its full path.
    std::string write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR into a fresh
// temporary folder for the life of the object, restoring them afterwards.
class IsolatedHome {
public:
    IsolatedHome();
    ~IsolatedHome();
    const TempDir& dir() const { return dir_; }
    std::string home() const { return dir_.str() + "/home"; }
    std::string registryFile() const { return dir_.str() + "/config/orvanta/HKEY_CURRENT_USER.reg"; }

private:
    TempDir dir_;
    std::string saved_[4];
    bool had_[4] = {};
};

// The public corpora folder, or "" when it is absent.
std::string corporaDir();
std::string readFile(const std::string& path);

}  // namespace orvanta::test

// Skips the current test, saying so, when the corpora are not there.
#define ORVANTA_REQUIRE_CORPORA()                                                       \
    do {                                                                                \
        if (::orvanta::test::corporaDir().empty())                                      \
            GTEST_SKIP() << "public corpora not found at " ORVANTA_CORPORA ", skipped"; \
    } while (0)
