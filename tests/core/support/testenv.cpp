#include "tests/core/support/testenv.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvanta::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "orvanta-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& relative, const std::string& bytes) const {
    const fs::path p = path_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

namespace {
const char* const kVars[4] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"};
}

IsolatedHome::IsolatedHome() {
    const std::string values[4] = {dir_.str() + "/home", dir_.str() + "/config", dir_.str() + "/data",
                                   dir_.str() + "/runtime"};
    for (int i = 0; i < 4; ++i) {
        if (const char* old = std::getenv(kVars[i])) {
            had_[i] = true;
            saved_[i] = old;
        }
        fs::create_directories(values[i]);
        setenv(kVars[i], values[i].c_str(), 1);
    }
}

IsolatedHome::~IsolatedHome() {
    for (int i = 0; i < 4; ++i) {
        if (had_[i]) setenv(kVars[i], saved_[i].c_str(), 1);
        else unsetenv(kVars[i]);
    }
}

std::string corporaDir() {
    const fs::path p = ORVANTA_CORPORA;
    std::error_code ec;
    return fs::is_directory(p, ec) ? fs::canonical(p, ec).string() : std::string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace orvanta::test
