// The picture list is built in two passes over plain directory listings: the
// first counts the pictures, so that the path array is allocated once at its
// exact size, the second fills it. Only names are examined (a subdirectory
// named like a picture counts), shortcuts are judged by their target's
// extension, and pictures are never opened. Between the passes' entries the
// caller's pump lets pending events run; a pump that reports the show ended
// stops the build where it stands and leaves nothing half-built behind.
#include "catalogue/picturecatalogue.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <numeric>
#include <stdexcept>

#include "base/WFilePath.h"
#include "base/WString.h"
#include "base/shuffleorder.h"
#include "catalogue/pictureorder.h"

namespace orvanta {

namespace {

// The listing form of a chosen directory: trimmed, with a trailing "/".
std::string listingBase(const std::string& dir) { return withTrailingSlash(trimWhiteSpace(dir)); }

// Whether a directory entry is a picture, without building its path unless
// it is a shortcut (the counting pass sees every entry of every folder).
bool isPictureEntry(const std::string& base, const char* name, const ShortcutResolver& resolve) {
    switch (entryKind(name)) {
    case EntryKind::Picture: return !isPairedRaw(base, name);
    case EntryKind::Shortcut: {
        if (!resolve) return false;
        const std::string target = resolve(base + name);
        return !target.empty() && entryKind(target) == EntryKind::Picture;
    }
    case EntryKind::Other: break;
    }
    return false;
}

// The path a directory entry contributes, or "" when it is not a picture.
std::string picturePathOf(const std::string& base, const char* name, const ShortcutResolver& resolve) {
    switch (entryKind(name)) {
    case EntryKind::Picture: {
        if (isPairedRaw(base, name)) return {};
        // One allocation of the exact size: a million of these make the list.
        const std::size_t length = std::char_traits<char>::length(name);
        std::string path;
        path.reserve(base.size() + length);
        path.append(base).append(name, length);
        return path;
    }
    case EntryKind::Shortcut: {
        if (!resolve) return {};
        std::string target = resolve(base + name);
        if (!target.empty() && entryKind(target) == EntryKind::Picture) return target;
        return {};
    }
    case EntryKind::Other: break;
    }
    return {};
}

// The entry's last-write time; for a shortcut that of the shortcut file. A
// link to a picture gives the picture's time, a dangling one its own.
FileTime lastWriteTime(int dirFd, const char* name) {
    struct stat st {};
    if (fstatat(dirFd, name, &st, 0) != 0 && fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
    return {static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

// The entries the settings load already read into the record, put through
// the same checks as entries read from the key.
DirectoryListResult usableDirectories(const Settings& settings, const PumpEvents& pump) {
    DirectoryListResult result;
    const std::size_t n = std::min(settings.imageDirs.size(), static_cast<std::size_t>(kMaxPictureDirs));
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && pumpEnded(pump)) {
            result.ended = true;
            return result;
        }
        const DirectoryEntry& entry = settings.imageDirs[i];
        if (entry.inUse && pathExists(entry.path)) result.directories.push_back(entry.path);
    }
    return result;
}

}  // namespace

PumpEvents throttledPump(PumpEvents pump, std::function<bool()> ended, std::chrono::microseconds interval) {
    using Clock = std::chrono::steady_clock;
    return [pump = std::move(pump), ended = std::move(ended), interval, due = Clock::time_point()]() mutable {
        const Clock::time_point now = Clock::now();
        if (now < due) return ended && ended();
        due = now + interval;
        return pump && pump();
    };
}

void PictureCatalogue::reset() {
    directories_.clear();
    pictures_ = WSortableVector<WFilePath>();
    order_ = std::vector<int>();
    position_ = 0;
    lastOfPreviousCycle_ = -1;
    noPictures_ = false;
    preview_ = false;
    randomize_ = false;
}

BuildResult PictureCatalogue::buildPictureList(const Settings& settings, const BuildHooks& hooks) {
    reset();
    BuildResult result;
    try {
        result = build(settings, hooks);
    } catch (const std::bad_alloc&) {
        result = BuildResult::MemoryError;
    } catch (const std::length_error&) {
        result = BuildResult::MemoryError;
    }
    if (result == BuildResult::Ended || result == BuildResult::MemoryError) {
        pictures_ = WSortableVector<WFilePath>();
        order_ = std::vector<int>();
    }
    return result;
}

BuildResult PictureCatalogue::noPicturesFound() {
    noPictures_ = true;
    randomize_ = false;
    pictures_ = WSortableVector<WFilePath>();
    order_ = std::vector<int>();
    return BuildResult::NoPictures;
}

BuildResult PictureCatalogue::build(const Settings& settings, const BuildHooks& hooks) {
    const PumpEvents& pump = hooks.pumpEvents;

    // The chosen directories that are in use and exist.
    DirectoryListResult chosen = usableDirectories(settings, pump);
    if (chosen.ended) return BuildResult::Ended;
    directories_ = std::move(chosen.directories);

    // Counting pass: how many entries are pictures, shortcuts judged by their
    // targets. With AutoSubDir the expansion lists every directory anyway, so
    // the pictures are counted in that same listing; a directory it did not
    // list (a chosen path that is no directory, or one with blanks around it)
    // is counted by a listing of its own below, as without AutoSubDir.
    std::vector<std::size_t> counts(directories_.size(), 0);
    std::vector<bool> counted(directories_.size(), false);
    if (settings.AutoSubDir) {
        std::vector<std::size_t> expandedCounts;
        bool endedMeanwhile = false;
        // The listing form of the directory being listed, made once per directory.
        std::size_t current = SIZE_MAX;
        std::string base;
        bool plain = false;
        Expansion expansion = expandSubdirectories(directories_, hooks.maxExpandedDirectories,
                                                   [&](std::size_t index, const std::string& path, const char* name) {
                                                       if (index != current) {
                                                           current = index;
                                                           plain = trimWhiteSpace(path) == path;
                                                           base = listingBase(path);
                                                           if (index >= expandedCounts.size())
                                                               expandedCounts.resize(index + 1, 0);
                                                       }
                                                       if (plain && isPictureEntry(base, name, hooks.resolveShortcut))
                                                           ++expandedCounts[index];
                                                       if (pumpEnded(pump)) {
                                                           endedMeanwhile = true;
                                                           return false;
                                                       }
                                                       return true;
                                                   });
        if (endedMeanwhile || expansion.stopped) return BuildResult::Ended;
        expandedCounts.resize(expansion.directories.size(), 0);
        std::vector<std::size_t> keptFrom;
        DirectoryListResult expanded = sortUniqueDirectories(std::move(expansion.directories), pump, &keptFrom);
        if (expanded.ended) return BuildResult::Ended;
        directories_ = std::move(expanded.directories);
        counts.assign(directories_.size(), 0);
        counted.assign(directories_.size(), false);
        for (std::size_t i = 0; i < keptFrom.size(); ++i) {
            const std::size_t from = keptFrom[i];
            const bool listed = expansion.listed[from] && trimWhiteSpace(directories_[i]) == directories_[i];
            counted[i] = listed;
            counts[i] = listed ? expandedCounts[from] : 0;
        }
    }
    // Nothing to list: no usable directory, or the first one has vanished.
    if (directories_.empty() || !pathExists(directories_.front())) return noPicturesFound();

    std::size_t count = 0;
    for (std::size_t i = 0; i < directories_.size(); ++i) {
        if (counted[i]) {
            count += counts[i];
            continue;
        }
        const std::string base = listingBase(directories_[i]);
        bool stop = false;
        listDirectory(base, [&](const char* name, int) {
            if (isPictureEntry(base, name, hooks.resolveShortcut)) ++count;
            if (pumpEnded(pump)) {
                stop = true;
                return false;
            }
            return true;
        });
        if (stop) return BuildResult::Ended;
    }

    // The path array at exactly the counted size, then the order array and the
    // date list; positions and the order array are 32-bit.
    if (count == 0) return noPicturesFound();
    if (count > static_cast<std::size_t>(INT_MAX)) return BuildResult::MemoryError;
    if (!pictures_.reserve(count)) return BuildResult::MemoryError;
    randomize_ = settings.Randomize;
    if (randomize_) {
        // Identity until the first shuffle, so a position set before it still
        // names a picture.
        order_.resize(count);
        std::iota(order_.begin(), order_.end(), 0);
    }
    std::vector<FileNameTime> times;
    if (settings.DateSort) times.reserve(count);

    // Filling pass, the same listings again: files added since the count are
    // left out.
    for (const std::string& dir : directories_) {
        if (pictures_.size() == count) break;
        const std::string base = listingBase(dir);
        listDirectory(base, [&](const char* name, int fd) {
            std::string path = picturePathOf(base, name, hooks.resolveShortcut);
            if (path.empty()) return true;
            if (settings.DateSort) times.push_back({path, lastWriteTime(fd, name)});
            pictures_.append(WFilePath(std::move(path)));
            return pictures_.size() < count;
        });
        if (pumpEnded(pump)) return BuildResult::Ended;
    }
    // Files removed since the count leave the list shorter; an empty one is
    // nothing to show rather than a list the show would index past.
    if (pictures_.empty()) return noPicturesFound();
    if (randomize_ && order_.size() != pictures_.size()) order_.resize(pictures_.size());

    // Ordering: the date order replaces the name order.
    if (settings.AlphaSort) sortPicturePaths(pictures_);
    if (settings.DateSort) {
        sortByDate(times, settings.DateRevSort);
        for (std::size_t i = 0; i < times.size(); ++i) pictures_[i] = WFilePath(std::move(times[i].path));
    }

    // Resume after the picture shown last, looked up exactly: on this file
    // system two spellings differing in case are two files.
    if (!settings.Randomize && settings.AlphaMemory) {
        for (std::size_t i = 0; i < pictures_.size(); ++i) {
            if (pictures_[i].path() == settings.LastImage) {
                position_ = static_cast<int>(i) + 1;
                break;
            }
        }
    }
    return BuildResult::Ready;
}

void PictureCatalogue::usePreview(const std::string& lastImage) {
    reset();
    preview_ = true;
    pictures_.reserve(1);
    pictures_.append(WFilePath(lastImage));
}

int PictureCatalogue::nextPicturePosition() {
    if (preview_) return 0;
    const int n = length();
    if (noPictures_ || n == 0) return -1;
    if (position_ >= n || position_ < 0) position_ = 0;
    if (!randomize_) return position_;

    if (position_ == 0) shuffleOrder(order_.data(), n, true, rng_);
    int index = order_[static_cast<std::size_t>(position_)];
    // A new cycle never opens with the picture that closed the last one; the
    // order array stays as shuffled, so that picture's slot shows its neighbour.
    if (position_ == 0 && index == lastOfPreviousCycle_) index = order_[static_cast<std::size_t>(n - 1)];
    if (position_ == n - 1) lastOfPreviousCycle_ = index;
    return index;
}

void PictureCatalogue::stepBack() {
    const int n = length();
    position_ -= 2;
    if (position_ < 0 && n > 0) position_ += n;  // -1 -> n-1, -2 -> n-2
    if (position_ < 0 && n > 0) position_ += n;  // one picture: -2 -> -1 -> 0
    if (position_ < 0) position_ = 0;
}

}  // namespace orvanta
