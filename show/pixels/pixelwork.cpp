#include "show/pixels/pixelwork.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <unistd.h>

namespace orvanta {
namespace {

constexpr int kMaxThreads = 4;

VectorLevel detectLevel() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The checks include the operating system's support for the wider
    // registers, not only the processor's.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
        return VectorLevel::Avx512;
    if (__builtin_cpu_supports("avx2")) return VectorLevel::Avx2;
    return VectorLevel::Sse2;
#elif defined(__SSE2__)
    return VectorLevel::Sse2;
#else
    return VectorLevel::Scalar;
#endif
}

std::atomic<VectorLevel>& levelInUse() {
    static std::atomic<VectorLevel> level{bestVectorLevel()};
    return level;
}

int defaultThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(n == 0 ? 1 : n), 1, kMaxThreads);
}

std::atomic<int>& threadsInUse() {
    static std::atomic<int> threads{defaultThreads()};
    return threads;
}

// Threads that wait for bands of work. Made on first use and kept for the
// life of the process (never destroyed, so that no thread outlives its state
// at exit); between jobs they sleep on a condition variable.
class BandWorkers {
public:
    static BandWorkers& instance() {
        static BandWorkers* workers = new BandWorkers;
        return *workers;
    }

    // Runs job(1) .. job(bands - 1) on the workers and job(0) on the caller;
    // false, with nothing run, when the workers are busy or cannot be started.
    bool run(int bands, const std::function<void(int)>& job) {
        std::unique_lock<std::mutex> caller(callerMutex_, std::try_to_lock);
        // A child process made by fork has none of the parent's workers.
        if (!caller.owns_lock() || (!threads_.empty() && owner_ != getpid()) || !ensureThreads(bands - 1)) return false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = &job;
            bands_ = bands;
            remaining_ = bands - 1;
            ++generation_;
        }
        wake_.notify_all();
        job(0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return remaining_ == 0; });
        job_ = nullptr;
        return true;
    }

private:
    bool ensureThreads(int wanted) {
        try {
            if (threads_.empty()) owner_ = getpid();
            while (static_cast<int>(threads_.size()) < wanted) {
                const int index = static_cast<int>(threads_.size()) + 1;
                threads_.emplace_back([this, index] { loop(index); });
                threads_.back().detach();
            }
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    void loop(int index) {
        std::uint64_t seen = 0;
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return generation_ != seen; });
            seen = generation_;
            if (index >= bands_) continue;
            const std::function<void(int)>* job = job_;
            lock.unlock();
            (*job)(index);
            lock.lock();
            if (--remaining_ == 0) done_.notify_one();
        }
    }

    std::mutex callerMutex_;  // one job at a time
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    pid_t owner_ = 0;  // the process the workers run in
    const std::function<void(int)>* job_ = nullptr;
    int bands_ = 0;
    int remaining_ = 0;
    std::uint64_t generation_ = 0;
};

}  // namespace

VectorLevel bestVectorLevel() {
    static const VectorLevel best = detectLevel();
    return best;
}

VectorLevel vectorLevel() { return levelInUse().load(std::memory_order_relaxed); }

VectorLevel setVectorLevel(VectorLevel level) {
    const VectorLevel capped = std::min(level, bestVectorLevel());
    levelInUse().store(capped, std::memory_order_relaxed);
    return capped;
}

int pixelThreads() { return threadsInUse().load(std::memory_order_relaxed); }

void setPixelThreads(int threads) {
    threadsInUse().store(std::clamp(threads, 1, kMaxThreads), std::memory_order_relaxed);
}

int rowBandCount(int rows, int minRowsPerBand) {
    if (rows <= 0) return 1;
    const int byRows = rows / std::max(minRowsPerBand, 1);
    return std::clamp(std::min(pixelThreads(), byRows), 1, kMaxThreads);
}

void forRowBands(int rows, int bands, const std::function<void(int band, int first, int last)>& work) {
    if (rows <= 0) return;
    bands = std::clamp(bands, 1, std::min(rows, kMaxThreads));
    // Equal bands, the remainder spread over the first ones.
    auto bandRows = [rows, bands](int band, int& first, int& last) {
        const int base = rows / bands, extra = rows % bands;
        first = band * base + std::min(band, extra);
        last = first + base + (band < extra ? 1 : 0);
    };
    const std::function<void(int)> job = [&](int band) {
        int first = 0, last = 0;
        bandRows(band, first, last);
        work(band, first, last);
    };
    if (bands > 1 && BandWorkers::instance().run(bands, job)) return;
    for (int band = 0; band < bands; ++band) job(band);
}

}  // namespace orvanta
