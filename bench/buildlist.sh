#!/bin/sh
# Runs the picture list build benchmark against find on a generated tree of
# 100,000 empty picture files in 1,000 folders under /tmp (removed afterwards).
# Usage: bench/buildlist.sh BUILD_DIR [RUNS] [FOLDERS] [FILES_PER_FOLDER]
set -e
build="${1:?build directory}"
shift
ninja -C "$build" buildlist_bench >/dev/null
exec "$build/bench/buildlist_bench" "$@"
