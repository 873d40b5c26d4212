#!/bin/sh
# Runs every benchmark against its named reference, one after another, and
# prints their ratios. Usage: bench/run.sh [BUILD_DIR]   (default: build)
# References: djpeg (JPEG loading), find (picture list build), Pillow's BOX
# resize (stretch), the sum of an effect's pauses (transitions), the
# 100 ms budget with a frame memcpy (tick to first piece), and the aim of
# 1 s and 300 MB per picture bomb (djpeg beside it for JPEG bombs).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
ninja -C "$build" jpegload_bench buildlist_bench stretch_bench transitions_bench tickfirstpiece_bench orvanta-convert >/dev/null
echo "== JPEG loading against djpeg";            "$build/bench/jpegload_bench"
echo "== picture list build against find";       "$root/bench/buildlist.sh" "$build"
echo "== area-averaging stretch against Pillow"; "$root/bench/stretch.sh" "$build"
echo "== transitions on 1920 x 1080";            "$build/bench/transitions_bench"
echo "== timer tick to first piece";             "$root/bench/tickfirstpiece.sh" "$build"
echo "== picture bombs against the aim";       python3 "$root/bench/bombs.py" "$build" --runs 3 || true
