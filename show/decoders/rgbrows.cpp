#include "show/decoders/rgbrows.h"

#include "base/regularfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace orvanta {

std::optional<DecodePump> beginDecode(const DecodeRequest& request, WBitmap& out, bool& reduced, int& orientation) {
    out.reset();
    reduced = false;
    orientation = 1;
    std::optional<DecodePump> pump;
    pump.emplace(request.pumpEvents, request.pumpInterval);
    if (pump->now()) return std::nullopt;
    return pump;
}

namespace {

std::uint8_t over(unsigned colour, unsigned alpha, unsigned background) {
    return static_cast<std::uint8_t>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

void composeSamples(const std::uint8_t* s, int width, const SampleLayout& layout, RgbQuad bg, std::uint8_t* out) {
    const int n = layout.channels;
    const bool alpha = n == 2 || n == 4;
    for (int x = 0; x < width; ++x, s += n, out += 3) {
        unsigned r, g, b;
        if (n <= 2) {
            r = g = b = static_cast<unsigned>(s[0]);
        } else {
            r = static_cast<unsigned>(s[layout.bgr ? 2 : 0]);
            g = static_cast<unsigned>(s[1]);
            b = static_cast<unsigned>(s[layout.bgr ? 0 : 2]);
        }
        if (alpha) {
            const unsigned a = static_cast<unsigned>(s[n - 1]);
            if (a != 255 && layout.premultiplied) {
                const auto add = [a](unsigned c, unsigned back) {
                    return std::min(255u, c + (back * (255 - a) + 127) / 255);
                };
                r = add(r, bg.red), g = add(g, bg.green), b = add(b, bg.blue);
            } else if (a != 255) {
                r = over(r, a, bg.red), g = over(g, a, bg.green), b = over(b, a, bg.blue);
            }
        }
        out[0] = static_cast<std::uint8_t>(b), out[1] = static_cast<std::uint8_t>(g),
        out[2] = static_cast<std::uint8_t>(r);
    }
}

// Workers left running when a show ended: the program waits a little for
// them at exit, so that none is still inside a library while the library's
// own data is torn down.
std::atomic<int> workersRunning{0};

void waitForWorkers() {
    for (int i = 0; i < 300 && workersRunning.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

void composeRow(const void* source, int width, const SampleLayout& layout, RgbQuad background, std::uint8_t* bgr) {
    composeSamples(static_cast<const std::uint8_t*>(source), width, layout, background, bgr);
}

DecodePlan planTurned(std::int64_t width, std::int64_t height, const DecodeRequest& request, bool quarterTurn) {
    if (!quarterTurn) return planDecode(width, height, request);
    DecodePlan plan = planDecode(height, width, request);
    if (plan.kind == DecodePlan::Kind::Corner)
        return {DecodePlan::Kind::Whole, static_cast<int>(width), static_cast<int>(height)};
    std::swap(plan.width, plan.height);
    return plan;
}

int tiffBlockOrientation(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return 0;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) data += 6, size -= 6;
    if (size < 8) return 0;
    const bool little = data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42;
    if (!little && !big) return 0;
    auto u16 = [&](std::size_t at) -> unsigned {
        return little ? data[at] | (data[at + 1] << 8) : (data[at] << 8) | data[at + 1];
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? u16(at) | (std::uint32_t{u16(at + 2)} << 16) : (std::uint32_t{u16(at)} << 16) | u16(at + 2);
    };
    const std::uint32_t ifd = u32(4);
    if (ifd > size - 2) return 0;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t{12} * i;
        if (entry + 12 > size) return 0;
        if (u16(entry) != 0x0112) continue;
        const unsigned value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}

bool RgbPictureSink::start(int width, int height, const DecodePlan& plan, RgbQuad background) {
    plan_ = plan;
    background_ = background;
    try {
        row_.assign(static_cast<std::size_t>(width) * 3, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return builder_.start(width, height, RowFormat{}, plan, false);
}

void RgbPictureSink::putRow(int y, const void* source, const SampleLayout& layout) {
    if (!builder_.wantsRow(y)) return;
    composeRow(source, static_cast<int>(row_.size() / 3), layout, background_, row_.data());
    builder_.putRows(y, 1, row_.data());
}

bool RgbPictureSink::finish(WBitmap& out, bool& reduced) {
    reduced = plan_.kind == DecodePlan::Kind::Reduced;
    return builder_.finish(out);
}

DecodeStatus runPumped(DecodePump& pump, std::function<bool()> work) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool ok = false;
    };
    static const bool registered = std::atexit(waitForWorkers) == 0;
    (void)registered;
    auto shared = std::make_shared<Shared>();
    ++workersRunning;
    std::thread worker;
    try {
        worker = std::thread([shared, work = std::move(work)]() mutable {
            bool ok = false;
            try {
                ok = work();
            } catch (...) {
                ok = false;
            }
            work = nullptr;  // what it owns goes before the program may end
            {
                std::lock_guard lock(shared->mutex);
                shared->finished = true;
                shared->ok = ok;
            }
            shared->done.notify_all();
            --workersRunning;
        });
    } catch (const std::system_error&) {
        --workersRunning;
        return DecodeStatus::Failed;
    }
    const auto interval = std::chrono::milliseconds(10);
    std::unique_lock lock(shared->mutex);
    while (!shared->done.wait_for(lock, interval, [&] { return shared->finished; })) {
        lock.unlock();
        const bool ended = pump.now();
        lock.lock();
        if (ended && !shared->finished) {
            worker.detach();
            return DecodeStatus::Abandoned;
        }
    }
    const bool ok = shared->ok;
    lock.unlock();
    worker.join();
    if (pump.now()) return DecodeStatus::Abandoned;
    return ok ? DecodeStatus::Decoded : DecodeStatus::Failed;
}

DecodeStatus readWholeFile(const std::string& path, DecodePump& pump, std::size_t maxBytes,
                           std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const int fd = openRegularFile(path);
    if (fd < 0) return DecodeStatus::Failed;
    struct stat st {};
    DecodeStatus status = DecodeStatus::Failed;
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
        try {
            bytes.resize(static_cast<std::size_t>(st.st_size));
            std::size_t done = 0;
            status = DecodeStatus::Decoded;
            while (done < bytes.size()) {
                if (pump.due()) {
                    status = DecodeStatus::Abandoned;
                    break;
                }
                const ssize_t got = ::read(fd, bytes.data() + done,
                                           std::min<std::size_t>(bytes.size() - done, 1 << 20));
                if (got <= 0) {
                    status = DecodeStatus::Failed;
                    break;
                }
                done += static_cast<std::size_t>(got);
            }
        } catch (const std::bad_alloc&) {
            status = DecodeStatus::Failed;
        }
    }
    ::close(fd);
    if (status != DecodeStatus::Decoded) bytes.clear();
    return status;
}

}  // namespace orvanta
