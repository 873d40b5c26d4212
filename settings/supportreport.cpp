// The system part reports what a support person asks first: which system
// and version, how much memory, how many monitors at what depth, whether and
// when the screen saver starts, where the program lives and on what kind of
// volume the user works. Lines that have no fact behind them are left out
// rather than printed empty, except the volume line, which always closes the
// part.
//
// The settings part reads the stored texts, not a settings record: it shows
// what was saved last, including values the program would correct on load.
#include "settings/supportreport.h"

#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "base/WRegistryKey.h"
#include "base/WString.h"
#include "base/regularfile.h"
#include "base/version.h"
#include "settings/encodings.h"
#include "settings/settingstable.h"

namespace orvanta {

namespace {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char buffer[512];
    va_list args;
    va_start(args, pattern);
    const int n = std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n), '\0');
    va_start(args, pattern);
    std::vsnprintf(out.data(), out.size() + 1, pattern, args);
    va_end(args);
    return out;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The lines of a small text file (the system's files are never large; the
// cap keeps a strange one from filling memory).
std::vector<std::string> readLines(const std::string& path, std::size_t maxBytes = 1 << 20) {
    std::vector<std::string> lines;
    const std::unique_ptr<std::FILE, FileCloser> f(fopenRegularFile(path));
    if (!f) return lines;
    std::string line;
    std::size_t total = 0;
    for (int c; (c = std::fgetc(f.get())) != EOF && total < maxBytes; ++total) {
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

// The first `count` characters of UTF-8 text (a character is never cut).
std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < count; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

// Memory in mebibytes, computed and rounded as the report always did: the
// byte count times 1/1024 twice, narrowed to single precision.
std::string megabytes(double bytes) {
    const auto mb = static_cast<float>(bytes * (1.0 / 1024) * (1.0 / 1024));
    return format("%.0f", static_cast<double>(mb));
}

// os-release values: quotes removed, backslash escapes resolved.
std::string unquote(std::string_view v) {
    v = std::string_view(v).substr(0, v.find_last_not_of(" \t\r") + 1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        const char quote = v.front();
        v = v.substr(1, v.size() - 2);
        if (quote == '\'') return std::string(v);
    }
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) ++i;
        out += v[i];
    }
    return out;
}

// Mount points in the mount table write blanks, tabs, new lines and
// backslashes as three octal digits after a backslash.
std::string unescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string_view::npos) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string_view> splitBlanks(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// True when mount point m holds path p ("/home" holds "/home/a", not "/homes").
bool holds(const std::string& m, const std::string& p) {
    if (m == "/") return !p.empty() && p.front() == '/';
    return p.compare(0, m.size(), m) == 0 && (p.size() == m.size() || p[m.size()] == '/');
}

std::string fileSystemNameFromMagic(unsigned long magic) {
    struct Known {
        unsigned long magic;
        const char* name;
    };
    static constexpr Known kKnown[] = {
        {0xEF53, "ext4"},         {0x9123683E, "btrfs"}, {0x58465342, "xfs"},      {0x01021994, "tmpfs"},
        {0x794C7630, "overlay"},  {0x6969, "nfs"},       {0xFF534D42, "cifs"},     {0x4D44, "vfat"},
        {0x2011BAB0, "exfat"},    {0x5346544E, "ntfs"},  {0x2FC12FC1, "zfs"},      {0xF2F52010, "f2fs"},
        {0x65735546, "fuse"},     {0x9660, "iso9660"},   {0x73717368, "squashfs"}, {0x15013346, "udf"},
        {0x52654973, "reiserfs"}, {0x3153464A, "jfs"},   {0x858458F6, "ramfs"},    {0x01021997, "9p"},
    };
    for (const Known& k : kKnown)
        if (k.magic == magic) return k.name;
    return format("0x%lx", magic);
}

}  // namespace

std::optional<KernelFacts> readKernelFacts() {
    struct utsname u {};
    if (::uname(&u) != 0) return std::nullopt;
    return KernelFacts{u.sysname, u.release, u.version, u.machine};
}

OsRelease readOsRelease(const std::string& path) {
    OsRelease os;
    for (const std::string& raw : readLines(path)) {
        const std::string line = trimWhiteSpace(raw);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        std::string value = unquote(std::string_view(line).substr(eq + 1));
        if (key == "PRETTY_NAME") os.prettyName = std::move(value);
        else if (key == "NAME") os.name = std::move(value);
        else if (key == "VARIANT") os.variant = std::move(value);
        else if (key == "BUILD_ID") os.buildId = std::move(value);
    }
    return os;
}

OsRelease readSystemOsRelease() {
    if (::access("/etc/os-release", R_OK) == 0) return readOsRelease("/etc/os-release");
    return readOsRelease("/usr/lib/os-release");
}

MemoryFacts readMemInfo(const std::string& path) {
    MemoryFacts memory;
    for (const std::string& line : readLines(path)) {
        const std::vector<std::string_view> f = splitBlanks(line);
        if (f.size() < 2) continue;
        // Sizes are in kibibytes ("kB"); a value without a unit is bytes.
        const double unit = f.size() >= 3 && f[2] == "kB" ? 1024.0 : 1.0;
        char* end = nullptr;
        const std::string number(f[1]);
        const double value = std::strtod(number.c_str(), &end);
        if (end == number.c_str() || *end != '\0' || !(value >= 0)) continue;
        if (f[0] == "MemTotal:") memory.totalBytes = value * unit;
        else if (f[0] == "CommitLimit:") memory.commitLimitBytes = value * unit;
    }
    return memory;
}

VolumeFacts volumeOf(const std::string& dir, const std::string& mountTable) {
    VolumeFacts volume;
    std::string path = dir;
    if (char* real = ::realpath(dir.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    // mountinfo: id parent major:minor root mount-point options [optional...] - type source super-options
    for (const std::string& line : readLines(mountTable, 16 << 20)) {
        const std::vector<std::string_view> f = splitBlanks(line);
        if (f.size() < 7) continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 1 >= f.size()) continue;
        std::string mountPoint = unescapeMountField(f[4]);
        if (!holds(mountPoint, path) || mountPoint.size() < volume.mountPoint.size()) continue;
        volume.mountPoint = std::move(mountPoint);
        volume.fileSystem = unescapeMountField(f[dash + 1]);
    }
    if (volume.fileSystem.empty()) {
        struct statfs st {};
        if (::statfs(path.c_str(), &st) == 0) {
            volume.fileSystem = fileSystemNameFromMagic(static_cast<unsigned long>(st.f_type));
            if (volume.mountPoint.empty()) volume.mountPoint = path;
        }
    }
    return volume;
}

std::string programDirectory() {
    std::string exe(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0) return {};
    exe.resize(static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

XscreensaverPrefs readXscreensaverPrefs(const std::string& path) {
    XscreensaverPrefs prefs;
    for (const std::string& line : readLines(path)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string name = trimWhiteSpace(line.substr(0, colon));
        const std::string value = trimWhiteSpace(line.substr(colon + 1));
        if (name == "mode") {
            prefs.off = value == "off";
        } else if (name == "timeout" && !value.empty() && value.find_first_not_of("0123456789:") == std::string::npos &&
                   value.size() <= 12) {
            // "H:MM:SS", "M:SS", or a plain number of minutes.
            long parts[3] = {0, 0, 0};
            int n = 0;
            std::size_t start = 0;
            for (; n < 3; ++n) {
                const std::size_t end = value.find(':', start);
                parts[n] = std::atol(value.substr(start, end - start).c_str());
                if (end == std::string::npos) break;
                start = end + 1;
            }
            long seconds = 0;
            if (n == 0) seconds = parts[0] * 60;
            else if (n == 1) seconds = parts[0] * 60 + parts[1];
            else if (n == 2) seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
            else continue;  // more than three parts
            prefs.timeoutSeconds = static_cast<int>(std::min<long>(seconds, INT_MAX));
        }
    }
    return prefs;
}

SystemFacts gatherSystemFacts(const DisplayFacts& display) {
    SystemFacts facts;
    facts.kernel = readKernelFacts();
    facts.os = readSystemOsRelease();
    facts.memory = readMemInfo("/proc/meminfo");
    facts.display = display;
    facts.programDirectory = programDirectory();
    std::string cwd(PATH_MAX, '\0');
    if (::getcwd(cwd.data(), cwd.size())) {
        cwd.resize(std::char_traits<char>::length(cwd.c_str()));
        facts.volume = volumeOf(cwd, "/proc/self/mountinfo");
    }
    return facts;
}

std::string systemReportText(const SystemFacts& facts) {
    std::string r = std::string("  Orvanta ") + kProgramVersion + " (September 1, 2018)\r\n";
    if (facts.kernel) {
        const KernelFacts& k = *facts.kernel;
        r += "  Kernel Version: " + k.sysname + " " + k.release + ", Machine: " + k.machine + "\r\n";
    }
    // The distribution: its pretty name (or plain name), its variant, and its
    // build, which is the kernel's build when the distribution names none.
    if (const auto& product = facts.os.prettyName ? facts.os.prettyName : facts.os.name)
        r += "  Product Name: " + *product + "\r\n";
    if (facts.os.variant) r += "  Edition: " + *facts.os.variant + "\r\n";
    if (facts.os.buildId) r += "  Build ID: " + *facts.os.buildId + "\r\n";
    else if (facts.kernel && !facts.kernel->version.empty()) r += "  Build ID: " + facts.kernel->version + "\r\n";
    if (facts.memory.totalBytes) r += "  Physical Memory: " + megabytes(*facts.memory.totalBytes) + " MB\r\n";
    if (facts.memory.commitLimitBytes)
        r += "  Committed Memory Limit: " + megabytes(*facts.memory.commitLimitBytes) + " MB\r\n";

    const DisplayFacts& d = facts.display;
    r += format("  Number of Monitors: %d\r\n", d.monitorCount);
    if (d.monitorCount > 1)
        r += format("  Virtual Screen: (%d, %d, %d, %d)\r\n", d.virtualScreen.left, d.virtualScreen.top,
                    d.virtualScreen.width, d.virtualScreen.height);
    r += format("  Primary Monitor Size: %d x %d\r\n", d.primaryWidth, d.primaryHeight);
    r += format("  Color Capability: %d-Bit\r\n", d.bitsPerPixel);
    r += format("  Number of Colors: %.0f\r\n", std::pow(2.0, d.bitsPerPixel * d.planes));
    // The two answers differ in the case of one letter; stored reports are
    // compared against both spellings.
    r += d.paletteDevice ? "  Palette device: Yes\r\n" : "  Palette Device: No\r\n";
    r += d.constantAlphaBlend ? "  AlphaBlend Hardware: Yes\r\n" : "  AlphaBlend Hardware: No\r\n";
    r += format("  Pixel Resolution: %d x %d\r\n", d.dpiX, d.dpiY);
    r += d.screenSaverActive ? "  Screen Saver State: Enabled\r\n" : "  Screen Saver State: Disabled\r\n";
    r += format("  Screen Saver Timeout: %d\r\n", d.screenSaverTimeout);
    r += "  Orvanta Location: " + facts.programDirectory + "\r\n";
    r += "  File System of Volume " + firstCharacters(facts.volume.mountPoint, 32) + ": " +
         firstCharacters(facts.volume.fileSystem, 32);
    return r;
}

namespace {

class SavedSettings {
public:
    explicit SavedSettings(const WRegistryKey& key) : key_(key) {}
    bool exists(const char* name) const { return key_.valueExists(name); }
    std::string text(const char* name) const { return key_.readString(name); }
    // Exists and reads as a non-zero integer; a missing value reads as zero.
    bool isSet(const char* name) const { return readInteger(key_.readString(name)) != 0; }
    const char* yesNo(const char* name) const { return isSet(name) ? "Yes" : "No"; }
    const char* onOff(const char* name) const { return isSet(name) ? "On" : "Off"; }

    // The sum of prefix%i for every i below the count stored in countName.
    // Only values that exist add anything, so the stored names are walked
    // rather than every index up to a count that may be huge.
    long long sumBelowCount(const std::string& prefix, const char* countName) const {
        const long long count = readInteger(key_.readString(countName));
        long long sum = 0;
        for (const std::string& name : key_.valueNames()) {
            if (name.size() <= prefix.size() || !equalsNoCase(std::string_view(name).substr(0, prefix.size()), prefix))
                continue;
            const std::string digits = name.substr(prefix.size());
            if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9 ||
                (digits.size() > 1 && digits[0] == '0'))
                continue;
            if (std::stoll(digits) < count) sum += readInteger(key_.readString(name));
        }
        return sum;
    }

private:
    const WRegistryKey& key_;
};

}  // namespace

std::string lastSavedSettingsText(const WRegistryKey* registryKey) {
    std::string r = "\r\n---- Last Saved Settings ----";
    if (!registryKey || !registryKey->isOpen()) return r;
    const SavedSettings s(*registryKey);
    const auto line = [&r](const std::string& text) { r += "\r\n  " + text; };

    if (s.exists("Duration")) line("Picture Disply Duration: " + s.text("Duration"));
    if (s.isSet("Randomize")) line("Picture Sequence: Random");
    if (s.isSet("AlphaSort")) {
        line("Picture Sequence: Alphabetical");
        if (s.exists("AlphaMemory")) line(std::string("Remember Last Picture: ") + s.yesNo("AlphaMemory"));
    }
    if (s.isSet("DateSort")) {
        line("Picture Sequence: By Date");
        if (s.exists("AlphaMemory")) line(std::string("Remember Last Picture: ") + s.yesNo("AlphaMemory"));
        if (s.exists("DateRevSort")) line(std::string("Newest Date First: ") + s.yesNo("DateRevSort"));
    }
    const auto tileLine = [&] {
        if (s.exists("Tiled")) line(std::string("Tile Pictures: ") + s.yesNo("Tiled"));
    };
    if (s.isSet("Stretch")) line("Picture Stretch: Full Screen");
    if (s.isSet("Proportional")) line("Picture Stretch: Proportional");
    if (s.isSet("Shrink")) {
        line("Picture Stretch: Shrink Only");
        tileLine();
    }
    if (!s.isSet("Stretch") && !s.isSet("Proportional") && !s.isSet("Shrink")) {
        line("Picture Stretch: None");
        tileLine();
    }
    if (s.exists("Message")) line(std::string("Messages: ") + s.onOff("Message"));
    if (s.exists("Captions")) {
        line(std::string("Captions: ") + s.onOff("Captions"));
        if (s.isSet("Captions")) {
            line(std::string("Caption Date: ") + s.yesNo("CaptionDate"));
            line(std::string("Caption Full Path: ") + s.yesNo("CaptionFullPath"));
        }
    }
    if (s.exists("IgnoreMouse")) line(std::string("Ignore Mouse: ") + s.yesNo("IgnoreMouse"));
    if (s.exists("WallpaperLast")) line(std::string("Wallpaper Last Picture: ") + s.yesNo("WallpaperLast"));
    if (s.exists("Effects")) {
        line(std::string("Transition Effects: ") + s.onOff("Effects"));
        if (s.isSet("Effects")) line("Transition Delay: " + s.text("Delay"));
    }
    if (s.exists("Count")) {
        line("Directories In List: " + s.text("Count"));
        line(format("Directories Selected: %lld", s.sumBelowCount("DirSet", "Count")));
        line(std::string("Auto-add Subdirectories: ") + s.yesNo("AutoSubDir"));
    }
    if (s.exists("MusicOption")) {
        switch (readInteger(s.text("MusicOption"))) {
        case 1:
            line("Music Option: Music Directories");
            if (s.exists("NumMusicDirs")) {
                line("Music Directories In List: " + s.text("NumMusicDirs"));
                line(format("Music Directories Selected: %lld", s.sumBelowCount("MusicDirSet", "NumMusicDirs")));
            }
            break;
        case 2: line("Music Option: Music CD"); break;
        default: line("Music Option: No Music"); break;
        }
    }
    return r;
}

std::string supportReportText(const std::string& systemPart) {
    WRegistryKey key;
    const bool opened = key.open(RegistryRoot::CurrentUser, kSettingsKeyPath);
    return systemPart + lastSavedSettingsText(opened ? &key : nullptr);
}

}  // namespace orvanta
