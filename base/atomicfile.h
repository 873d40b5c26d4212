#pragma once
// Replacing a file in one step. The new contents go into a temporary file
// beside the target, which is synced and renamed over the target; then the
// folder is synced, so that after a crash the target is the old file or the
// new one, complete, never a mixture. A failure leaves the target as it was
// and no temporary file behind. Nothing already at the target is opened, so
// a FIFO put there cannot stall a writer.
//
// Temporary files are named the way mkstemp names them (a prefix and six
// letters or digits) and are locked while they are written, so that a
// cleaner in another process (removeStaleTemporaries) can tell the file of a
// live writer from one a killed writer left behind.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace orvanta {

// How the temporary files for "<folder>/<name>" are named.
enum class TemporaryNames : std::uint8_t {
    Hidden,    // ".<name>.tmp-XXXXXX"
    Suffixed,  // "<name>.XXXXXX"
};

// The part of those names before the six letters or digits (".<name>.tmp-"
// or "<name>."), for the file name of `target`.
std::string temporaryPrefix(const std::string& target, TemporaryNames names);

// What permissions the new file gets.
enum class ModeRule : std::uint8_t {
    Exact,         // `mode` itself
    LessUmask,     // `mode` less the umask, as open() makes a new file
    KeepExisting,  // the replaced file's permissions; `mode` when there is none
};

struct ReplaceOptions {
    mode_t mode = 0644;
    ModeRule modeRule = ModeRule::Exact;
    // A symbolic link at the path: true replaces the file it finally names,
    // so that the link stays a link; false replaces the link itself.
    bool throughLinks = false;
    TemporaryNames names = TemporaryNames::Hidden;
};

// Bytes on their way into a temporary file, through a 32 KiB buffer. The
// first error is kept and makes the replacement fail; writes after it do nothing.
class FileSink {
public:
    void write(const void* data, std::size_t size);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }

private:
    friend class StagedFile;
    explicit FileSink(int fd) : fd_(fd) {}
    int flush();  // 0 or the first error's errno value

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// A file's new contents, complete and synced in a temporary file beside the
// file they are to replace. The destructor removes the temporary file unless
// it was committed or released.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside the file `path` names (see
    // throughLinks), lets `fill` write it, gives it its mode and syncs it.
    // 0, or the errno value of the failure with nothing left behind: EISDIR
    // when a folder is in the target's place, ENOENT when its folder is missing.
    int stage(const std::string& path, const std::function<void(FileSink&)>& fill, const ReplaceOptions& options);
    int stage(const std::string& path, std::string_view bytes, const ReplaceOptions& options);

    // Renames the temporary file over the target, then syncs the folder. 0,
    // or an errno value: a failed rename leaves the target untouched and
    // removes the temporary file; a failed folder sync leaves the new file in
    // place, but not sure to survive a crash.
    int commit();

    // For a caller that renames the temporary file (or removes it) itself:
    // the file is no longer this object's to remove.
    void release();

    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }

private:
    void discard();

    std::string target_;
    std::string temporary_;  // "" when there is none of ours
};

// stage() and commit() in one: 0 or an errno value (see there).
int replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options);
int replaceFile(const std::string& path, const std::function<void(FileSink&)>& fill, const ReplaceOptions& options);

// Syncs the folder that holds `path`, so that a rename there survives a
// crash: 0 or an errno value (none where the file system cannot sync folders).
int syncFolderOf(const std::string& path);

// The path a symbolic link at `path` finally names (relative links resolved
// against the folder of the link), or `path` itself when it is not a link.
// A dangling link gives the missing path it names.
std::string resolveLinks(const std::string& path);

// Whether `name` is one of mkstemp's names for `prefix`: the prefix and six
// letters or digits, nothing more.
bool isTemporaryName(std::string_view name, std::string_view prefix);

// Removes the regular files in `dir` named `prefix` + six letters or digits
// that were last written `minimumAge` or more ago and that no process holds a
// lock on: the leftovers of writers killed before they could rename them. A
// live writer locks its temporary file and writes it continuously, so its
// file is kept. Returns how many went.
int removeStaleTemporaries(const std::string& dir, const std::string& prefix, std::chrono::seconds minimumAge);

}  // namespace orvanta
