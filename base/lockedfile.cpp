#include "base/lockedfile.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/regularfile.h"

namespace orvanta {

namespace {

std::string directoryOf(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

// Creates the lock's folder (the last component private when asked) and, for
// a private folder, checks that it is the user's and closes it to others.
bool prepareDirectory(const std::string& dir, bool create, bool makePrivate) {
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(dir).parent_path(), ec);
        if (::mkdir(dir.c_str(), makePrivate ? 0700 : 0755) != 0 && errno != EEXIST) return false;
    }
    if (!makePrivate) return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return !create;  // a missing folder holds no lock to plant
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        errno = S_ISDIR(st.st_mode) ? EPERM : ENOTDIR;
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), st.st_mode & 0700) != 0) return false;
    return true;
}

FileIdentity identityFrom(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}

// Puts the written temporary file `temp` in place of `target` only while
// target is still the version `expected`. Checked after the slow part
// (writing and syncing), as late as can be; where the file system can swap
// two names atomically the check is made on what the swap took out, so that
// not even a rename in the instant between check and swap goes unseen: a
// version that is not the expected one is swapped straight back.
FileReplace swapInChecked(const std::string& temp, const std::string& target, const FileIdentity& expected) {
    const auto failed = [&] {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return FileReplace::Failed;
    };
    const auto changed = [&] {
        ::unlink(temp.c_str());
        return FileReplace::Changed;
    };
    if (identityOf(target) != expected) return changed();
    if (!expected.exists) {
        // Nothing to swap with: a rename that refuses to replace a file
        // another program has just created.
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return FileReplace::Replaced;
        if (errno == EEXIST) return changed();
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return failed();
        return ::rename(temp.c_str(), target.c_str()) == 0 ? FileReplace::Replaced : failed();
    }
    const FileIdentity ours = identityOf(temp);
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT) return changed();  // removed meanwhile
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return failed();
        // No atomic swap here: the check above is the last word.
        return ::rename(temp.c_str(), target.c_str()) == 0 ? FileReplace::Replaced : failed();
    }
    // `temp` now names the version that was replaced.
    if (identityOf(temp) == expected) {
        ::unlink(temp.c_str());
        return FileReplace::Replaced;
    }
    // Another program put that version there after it was read: it goes
    // back, and ours is merged with it again.
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0 &&
        identityOf(temp) == ours) {
        ::unlink(temp.c_str());
        return FileReplace::Changed;
    }
    // Replaced yet again in that instant: the newest version stays in place.
    if (::rename(temp.c_str(), target.c_str()) != 0) ::unlink(temp.c_str());
    return FileReplace::Changed;
}

}  // namespace

FileIdentity identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return identityFrom(st);
}

FileRead readWholeFile(const std::string& path, std::size_t limit, std::string& out, FileIdentity* identity) {
    out.clear();
    if (identity) *identity = {};
    const int fd = openRegularFile(path);
    if (fd < 0) return errno == ENOENT ? FileRead::Missing : FileRead::Error;
    struct stat st {};
    FileRead result = FileRead::Ok;
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
        result = FileRead::Error;
    } else if (static_cast<std::uint64_t>(st.st_size) > limit) {
        result = FileRead::TooBig;
    } else {
        if (identity) *identity = identityFrom(st);
        out.reserve(static_cast<std::size_t>(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = errno;
                result = FileRead::Error;
                break;
            }
            if (n == 0) break;
            if (out.size() + static_cast<std::size_t>(n) > limit) {  // grew while read
                result = FileRead::TooBig;
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (result != FileRead::Ok) {
        out.clear();
        out.shrink_to_fit();
    }
    errno = error;
    return result;
}

FileReplace replaceFileAtomically(const std::string& path, const std::string& text, mode_t newMode,
                                  const FileIdentity* expected) {
    const ReplaceOptions options{newMode, ModeRule::KeepExisting, true, TemporaryNames::Hidden};
    if (!expected) {
        const int error = replaceFile(path, text, options);
        errno = error;
        return error == 0 ? FileReplace::Replaced : FileReplace::Failed;
    }
    StagedFile staged;
    if (const int error = staged.stage(path, text, options)) {
        errno = error;
        return FileReplace::Failed;
    }
    const FileReplace result = swapInChecked(staged.temporary(), staged.target(), *expected);
    staged.release();  // renamed into place or removed by the swap
    if (result != FileReplace::Replaced) return result;
    const int error = syncFolderOf(staged.target());
    errno = error;
    return error == 0 ? FileReplace::Replaced : FileReplace::Failed;
}

void removeLeftoverTemporaries(const std::string& path) {
    const std::string target = resolveLinks(path);
    const std::string prefix = temporaryPrefix(target, TemporaryNames::Hidden);
    DIR* d = ::opendir(directoryOf(target).c_str());
    if (!d) return;
    while (const dirent* entry = ::readdir(d)) {
        if (isTemporaryName(entry->d_name, prefix)) ::unlinkat(::dirfd(d), entry->d_name, 0);
    }
    ::closedir(d);
}

bool moveFileAside(const std::string& path) {
    const std::string target = resolveLinks(path);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "unknown";
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = target + ".damaged-" + stamp;
    for (int n = 0; n < 1000; ++n) {
        const std::string aside = n == 0 ? base : base + "-" + std::to_string(n);
        struct stat st {};
        if (::lstat(aside.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return false;
        if (::rename(target.c_str(), aside.c_str()) != 0) return false;
        syncFolderOf(target);
        return true;
    }
    return false;
}

FileLock::~FileLock() { release(); }

void FileLock::release() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    fd_ = -1;
}

FileLock::Result FileLock::acquire(const std::string& lockPath, std::chrono::milliseconds wait, bool createDirectory,
                                   bool privateDirectory) {
    if (fd_ >= 0) return Result::Acquired;
    if (!prepareDirectory(directoryOf(lockPath), createDirectory, privateDirectory)) return Result::Failed;
    // No link is followed and nothing but a regular file of the user's is
    // taken: a lock file planted by someone else fails instead of being held.
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ((st.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        errno = EPERM;  // not a lock file we may use
        return Result::Failed;
    }
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return Result::Acquired;
        }
        if (errno != EINTR) break;
    }
    if (errno != EWOULDBLOCK || wait.count() <= 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Result::Busy : Result::Failed;
    }

    // Held: wait for it in a helper thread. A blocking flock is woken by the
    // kernel the moment the lock comes free, where polling would mostly find
    // a busy writer holding it again. When the wait runs out the helper is
    // left to close the descriptor once the lock comes free (or the process ends).
    struct Waiter {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false, abandoned = false, locked = false;
    };
    const auto waiter = std::make_shared<Waiter>();
    try {
        std::thread([waiter, fd] {
            int r;
            do r = ::flock(fd, LOCK_EX);
            while (r != 0 && errno == EINTR);
            const std::lock_guard<std::mutex> guard(waiter->mutex);
            if (waiter->abandoned) {
                ::close(fd);
                return;
            }
            waiter->finished = true;
            waiter->locked = r == 0;
            waiter->done.notify_all();
        }).detach();
    } catch (...) {  // no thread to be had: the lock counts as busy
        ::close(fd);
        return Result::Busy;
    }
    std::unique_lock<std::mutex> guard(waiter->mutex);
    if (!waiter->done.wait_for(guard, wait, [&] { return waiter->finished; })) {
        waiter->abandoned = true;
        return Result::Busy;
    }
    if (waiter->locked) {
        fd_ = fd;
        return Result::Acquired;
    }
    ::close(fd);
    return Result::Failed;
}

}  // namespace orvanta
