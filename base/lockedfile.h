#pragma once
// The file system side of a store that one user's processes share: reading a
// file without ever blocking, an exclusive lock that is private to the user
// and waited on for a bounded time only, and replacing the file atomically,
// through a symbolic link when the file is one.
#include <chrono>
#include <cstddef>
#include <string>

#include <sys/types.h>

#include "base/atomicfile.h"

namespace orvanta {

enum class FileRead { Ok, Missing, TooBig, Error };

// What tells one version of a file from another: a file put in its place by
// a rename has another inode, one rewritten in place another size or time.
// (Not the change time: a rename changes that, and a version is compared with
// itself across renames.)
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file that `path` names now (links followed).
FileIdentity identityOf(const std::string& path);

// Reads a regular file whole. A FIFO, device or directory in its place is an
// Error (never waited on); a file above `limit` bytes is TooBig. `out` is
// empty unless Ok. `identity`, when given, is the version that was read
// (exists = false when Missing). On Error, errno says why.
FileRead readWholeFile(const std::string& path, std::size_t limit, std::string& out, FileIdentity* identity = nullptr);

// Replaces the file that `path` names (through symbolic links, so that a
// link stays a link) with `text` in one step, as replaceFile does. The file
// keeps its mode; a new one gets `newMode`.
//
// With `expected`, the file is replaced only while it is still that version:
// when something else put another file there (or removed it) since it was
// read, the temporary file is removed and the result is Changed. A program
// that does not take our lock can still rename in the instant between that
// check and the rename; the check narrows the gap to that instant.
// Failed leaves errno saying why.
enum class FileReplace { Replaced, Changed, Failed };
FileReplace replaceFileAtomically(const std::string& path, const std::string& text, mode_t newMode,
                                  const FileIdentity* expected = nullptr);

// Removes the temporary files that a writer killed inside
// replaceFileAtomically left beside the file `path` names. Call it only under
// the lock, when no live writer can own one.
void removeLeftoverTemporaries(const std::string& path);

// Renames the file `path` names to "<name>.damaged-YYYYMMDD-HHMMSS" ("-N"
// added when that exists), beside it; false when it could not be moved.
bool moveFileAside(const std::string& path);

// An exclusive advisory lock on a lock file, released when the object goes.
// The lock file is made mode 0600 and must belong to the user; when
// `privateDirectory` is set, its folder is created (or narrowed) to 0700, so
// that no other user can open the file and hold the lock.
class FileLock {
public:
    enum class Result { Acquired, Busy, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the lock file's folder when `createDirectory` is set. Busy when
    // another process held the lock for the whole of `wait`; Failed leaves
    // errno saying why.
    Result acquire(const std::string& lockPath, std::chrono::milliseconds wait, bool createDirectory,
                   bool privateDirectory);
    // Gives the lock up (closing its descriptor); nothing when not held.
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace orvanta
