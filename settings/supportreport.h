#pragma once
// The support report: a text about the user's system and the settings last
// saved, which the user copies into a mail to support. The system part is
// made once per opening of the settings dialog from facts gathered here
// (kernel, distribution, memory, the volume of the current directory) and
// facts the caller passes in (monitors, screen, screen saver); the settings
// part is read from the settings key each time the report is shown.
// Every line begins with two blanks; lines are separated by "\r\n".
#include <optional>
#include <string>

namespace orvanta {

class WRegistryKey;

struct ReportRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// What the display side knows: the caller fills it from the screens.
struct DisplayFacts {
    int monitorCount = 1;
    ReportRect virtualScreen;  // the bounding rectangle of every monitor
    int primaryWidth = 0, primaryHeight = 0;
    int bitsPerPixel = 24;
    int planes = 1;
    bool paletteDevice = false;
    bool constantAlphaBlend = true;
    int dpiX = 96, dpiY = 96;  // logical pixels per inch
    bool screenSaverActive = false;
    int screenSaverTimeout = 0;  // seconds
};

struct KernelFacts {
    std::string sysname, release, version, machine;  // as uname reports them
};

// The values of the os-release file that the report uses; absent ones stay empty.
struct OsRelease {
    std::optional<std::string> prettyName, name, variant, buildId;
};

struct MemoryFacts {
    std::optional<double> totalBytes;        // MemTotal
    std::optional<double> commitLimitBytes;  // CommitLimit
};

struct VolumeFacts {
    std::string mountPoint;  // the volume's name in the report
    std::string fileSystem;  // "ext4", "btrfs", ...
};

struct SystemFacts {
    std::optional<KernelFacts> kernel;
    OsRelease os;
    MemoryFacts memory;
    DisplayFacts display;
    std::string programDirectory;  // ends in "/"
    VolumeFacts volume;
};

// Readers of the system's files, with the file to read as a parameter so that
// tests can give their own. Missing or unreadable files give empty facts.
std::optional<KernelFacts> readKernelFacts();
// KEY=value lines; values may be quoted with "..." or '...' and use \-escapes.
OsRelease readOsRelease(const std::string& path);
// The /etc/os-release of the system, else /usr/lib/os-release.
OsRelease readSystemOsRelease();
MemoryFacts readMemInfo(const std::string& path);
// The mount whose mount point is the longest prefix of dir (the last such
// mount when one hides another), read from a mountinfo-style table; when the
// table gives nothing, the file system's type from statfs.
VolumeFacts volumeOf(const std::string& dir, const std::string& mountTable);
// The directory of the running program file, ending in "/".
std::string programDirectory();

// The two screen-saver preferences of xscreensaver's ~/.xscreensaver file:
// "timeout:" (H:MM:SS, M:SS or minutes) and whether "mode:" is "off".
struct XscreensaverPrefs {
    std::optional<int> timeoutSeconds;
    bool off = false;
};
XscreensaverPrefs readXscreensaverPrefs(const std::string& path);

// Everything this process can find out itself, plus the display facts.
SystemFacts gatherSystemFacts(const DisplayFacts& display);

// The system part of the report. Its last line has no line end.
std::string systemReportText(const SystemFacts& facts);

// "\r\n---- Last Saved Settings ----" followed by one line (each led by
// "\r\n") per saved setting. key is the open settings key, or nullptr when
// it could not be opened (then only the heading is given).
std::string lastSavedSettingsText(const WRegistryKey* key);

// The whole report as the Support page shows it: the kept system part, the
// heading, and the settings saved now under HKEY_CURRENT_USER.
std::string supportReportText(const std::string& systemPart);

}  // namespace orvanta
