#include "base/atomicfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta {

namespace {

constexpr std::size_t kSinkBuffer = 32768;
constexpr int kNameAttempts = 100;

std::string directoryOf(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

int errorOr(int fallback) { return errno != 0 ? errno : fallback; }

bool isTemporaryChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Six letters or digits, different at every call. They need not be secret:
// the file is created exclusively, so a name taken (even by a planted link)
// only costs another try.
std::string sixLetters() {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<std::uint64_t> calls{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t x = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
    x ^= static_cast<std::uint64_t>(::getpid()) << 40 ^ (calls.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
    // splitmix64's finaliser spreads every input bit over the letters.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string letters(6, 'A');
    for (char& c : letters) {
        c = kLetters[x % 62];
        x /= 62;
    }
    return letters;
}

// Creates a new temporary file "<dir>/<prefix>XXXXXX" for writing, locked;
// -1 with errno set when none could be made.
int createTemporary(const std::string& dir, const std::string& prefix, mode_t mode, std::string& path) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        path = dir + "/" + prefix + sixLetters();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0) {
            // Held until the file is closed: another writer's cleaning leaves it alone.
            (void)::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    path.clear();
    return -1;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string temporaryPrefix(const std::string& target, TemporaryNames names) {
    const std::string name = std::filesystem::path(target).filename().string();
    return names == TemporaryNames::Hidden ? "." + name + ".tmp-" : name + ".";
}

void FileSink::write(const void* data, std::size_t size) {
    if (error_ != 0 || size == 0) return;
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size <= kSinkBuffer) {
        if (buffer_.capacity() < kSinkBuffer) buffer_.reserve(kSinkBuffer);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return;
    }
    if (flush() != 0) return;
    if (size >= kSinkBuffer) {  // a large piece goes straight through
        if (!writeAll(fd_, bytes, size)) error_ = errorOr(EIO);
        return;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

int FileSink::flush() {
    if (error_ == 0 && !buffer_.empty() && !writeAll(fd_, buffer_.data(), buffer_.size())) error_ = errorOr(EIO);
    buffer_.clear();
    return error_;
}

StagedFile::~StagedFile() { discard(); }

void StagedFile::discard() {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

void StagedFile::release() { temporary_.clear(); }

int StagedFile::stage(const std::string& path, const std::function<void(FileSink&)>& fill,
                      const ReplaceOptions& options) {
    discard();
    target_ = options.throughLinks ? resolveLinks(path) : path;
    struct stat st {};
    const bool exists = (options.throughLinks ? ::stat(target_.c_str(), &st) : ::lstat(target_.c_str(), &st)) == 0;
    // A rename would refuse too, but only after the whole file was written.
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    const mode_t mode = options.modeRule == ModeRule::KeepExisting && exists ? (st.st_mode & 07777) : options.mode;

    const bool umasked = options.modeRule == ModeRule::LessUmask;
    const int fd = createTemporary(directoryOf(target_), temporaryPrefix(target_, options.names), umasked ? mode : 0600,
                                   temporary_);
    if (fd < 0) return errorOr(EIO);
    int error = 0;
    try {
        FileSink sink(fd);
        fill(sink);
        error = sink.flush();
    } catch (...) {  // out of memory while the contents were made
        ::close(fd);
        discard();
        throw;
    }
    // The mode before the sync, so that it is as durable as the contents.
    if (error == 0 && !umasked && ::fchmod(fd, mode) != 0) error = errorOr(EPERM);
    if (error == 0 && ::fsync(fd) != 0) error = errorOr(EIO);
    if (::close(fd) != 0 && error == 0) error = errorOr(EIO);
    if (error != 0) discard();
    return error;
}

int StagedFile::stage(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    const auto write = [bytes](FileSink& sink) { sink.write(bytes); };
    return stage(path, write, options);
}

int StagedFile::commit() {
    if (temporary_.empty()) return EINVAL;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errorOr(EIO);
        discard();
        return error;
    }
    release();
    return syncFolderOf(target_);
}

int syncFolderOf(const std::string& path) {
    const int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errorOr(EIO);
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errorOr(EIO);  // some file systems cannot sync folders
    ::close(fd);
    return error;
}

int replaceFile(const std::string& path, const std::function<void(FileSink&)>& fill, const ReplaceOptions& options) {
    StagedFile staged;
    if (const int error = staged.stage(path, fill, options)) return error;
    return staged.commit();
}

int replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    StagedFile staged;
    if (const int error = staged.stage(path, bytes, options)) return error;
    return staged.commit();
}

std::string resolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return current;
        target.resize(static_cast<std::size_t>(n));
        current = target[0] == '/' ? target : directoryOf(current) + "/" + target;
    }
    return current;  // a loop of links: opening it fails, so nothing is written through it
}

bool isTemporaryName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), isTemporaryChar);
}

int removeStaleTemporaries(const std::string& dir, const std::string& prefix, std::chrono::seconds minimumAge) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(d)) {
        if (!isTemporaryName(entry->d_name, prefix)) continue;
        // Opened without following a link or waiting on a FIFO; only a
        // regular file of this user's, old enough and unlocked, goes.
        const int fd = ::openat(::dirfd(d), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        const bool candidate = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                               now - st.st_mtime >= minimumAge.count() && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // A killed writer's lock went with it; a live one holds its lock until it has renamed the file.
        if (candidate && ::unlinkat(::dirfd(d), entry->d_name, 0) == 0) ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

}  // namespace orvanta
