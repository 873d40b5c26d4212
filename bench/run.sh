#!/bin/sh
# Runs every benchmark against its named reference, one after another, and
# prints their ratios. Usage: bench/run.sh [BUILD_DIR]   (default: build)
# References: djpeg (JPEG loading), each format's own decoder (heif-convert,
# avifdec, dwebp, tiff2rgba, ImageMagick for GIF, djxl, dcraw_emu), find (picture list build), Pillow's BOX
# resize (stretch), the sum of an effect's pauses and the memcpy of the frames
# it writes (transitions), the 100 ms budget with a frame memcpy (tick to
# first piece), the show's CPU path (OpenGL frames), and the aim of 1 s and
# 300 MB per picture bomb (djpeg beside it for JPEG bombs), and the same show
# window on X (Xvfb) for the figures on Wayland (a headless sway).
#
# The 4K window figures need Xvfb: a 3840 x 2160 virtual X server is started
# on a free display for them and stopped afterwards (or BENCH_DISPLAY names
# one already running at that size). The million-picture
# tree is kept in ${ORVANTA_BENCH_TREES:-/tmp}/orvanta-tree-1m between runs
# (generating it takes minutes; the time is printed). QUICK=1 leaves out the
# million-picture point and the Delay 10 runs of every effect at 4K.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
trees=${ORVANTA_BENCH_TREES:-/tmp}
ninja -C "$build" jpegload_bench buildlist_bench stretch_bench transitions_bench tickfirstpiece_bench orvanta-convert >/dev/null
all=--all
[ "${QUICK:-0}" = 1 ] && all=

echo "== JPEG loading against djpeg";            "$build/bench/jpegload_bench"
echo "== other formats, 12 megapixels for 1920 x 1080, against each format's reference decoder"
python3 "$root/bench/formatload.py" "$build"
echo "== picture list build against find, 100,000 pictures in 1,000 folders"
"$root/bench/buildlist.sh" "$build"
if [ "${QUICK:-0}" != 1 ]; then
    echo "== picture list build against find, 1,000,000 pictures in 10,000 folders"
    "$root/bench/buildlist.sh" "$build" --runs 3 --folders 10000 --per-folder 100 --tree "$trees/orvanta-tree-1m"
fi
echo "== area-averaging stretch against Pillow"; "$root/bench/stretch.sh" "$build"
echo "== transitions on 1920 x 1080, in memory"; "$build/bench/transitions_bench"
echo "== transitions on 3840 x 2160, in memory"; "$build/bench/transitions_bench" --width 3840 --height 2160 $all
echo "== timer tick to first piece on 3840 x 2160, 24 and 50 megapixels"
"$root/bench/tickfirstpiece.sh" "$build"

# The real-window figures on a 4K virtual X server of their own.
if [ -n "$BENCH_DISPLAY" ] && [ -x "$build/bench/transitions_window_bench" ]; then
    display=${BENCH_DISPLAY#:}
    xvfb=
elif command -v Xvfb >/dev/null 2>&1 && [ -x "$build/bench/transitions_window_bench" ]; then
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/orvanta-xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 3840x2160x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    display=$(head -n 1 "$fifo")
    rm -f "$fifo"
    trap 'kill $xvfb 2>/dev/null' EXIT
else
    display=
fi
if [ -n "$display" ]; then
    echo "== transitions on a real 3840 x 2160 window (virtual X server :$display)"
    # Delay 0 is over in a fraction of a second and a virtual server's timing
    # varies from run to run: the median of three.
    DISPLAY=:$display "$build/bench/transitions_window_bench" --delays 0 --runs 3
    DISPLAY=:$display "$build/bench/transitions_window_bench" --delays 10 $all
    if [ -x "$build/bench/glframes_window_bench" ]; then
        echo "== zoom and blend frames: OpenGL against the CPU path on the same window"
        DISPLAY=:$display "$build/bench/glframes_window_bench"
    fi
    if [ -n "$xvfb" ]; then
        kill $xvfb 2>/dev/null || true
        trap - EXIT
    fi
else
    echo "== (no Xvfb or no window benchmark: the real-window figures are left out)"
fi
if [ -x "$build/bench/transitions_window_bench" ] && command -v sway >/dev/null 2>&1; then
    echo "== the show's window on a headless sway output against Xvfb, 1920 x 1080"
    python3 "$root/bench/wayland.py" "$build" || true
else
    echo "== (no sway or no window benchmark: the Wayland figures are left out)"
fi
echo "== picture bombs against the aim";       python3 "$root/bench/bombs.py" "$build" --runs 3 || true
