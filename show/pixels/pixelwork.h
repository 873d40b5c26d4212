#pragma once
// How the show's pixel work runs: which vector instructions its kernels use,
// and how many threads share a large piece of work by bands of rows.
//
// Every kernel level computes exactly the same pixels; the plain C++ level is
// the reference the others are tested against. Work split into bands returns
// only when every band is done, so to its caller it is one ordinary call on
// the calling thread: no event runs meanwhile and nothing is left running.
#include <cstdint>
#include <functional>

namespace orvanta {

enum class VectorLevel {
    Scalar,  // plain C++
    Sse2,
    Avx2,
    Avx512,  // AVX-512 F, BW and VL
};

// The level the kernels use: the best the processor has, unless lowered.
VectorLevel vectorLevel();
// The best level this processor and build offer.
VectorLevel bestVectorLevel();
// Sets the level, capped at the best one; returns the level now in use.
VectorLevel setVectorLevel(VectorLevel level);

// How many threads band work may use, the caller included (1 to 4): by
// default the processor count, at most 4. Values outside 1..4 are clamped.
int pixelThreads();
void setPixelThreads(int threads);

// How many bands to cut rows into: pixelThreads(), fewer when a band would
// have fewer than minRowsPerBand rows, at least 1.
int rowBandCount(int rows, int minRowsPerBand);

// Runs work(band, first, last) for bands 0 .. bands-1 of equal size (to a
// row) that together cover rows [0, rows) exactly once, each band on its own
// thread, the caller doing band 0; returns when all are done. When a thread
// cannot be started, or another call is under way, the bands run one after
// another on the caller's thread. `work` must not throw and must touch
// nothing another band touches.
void forRowBands(int rows, int bands, const std::function<void(int band, int first, int last)>& work);

}  // namespace orvanta
