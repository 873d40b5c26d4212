#!/bin/sh
# Runs the picture list build benchmark against find on a generated tree of
# 100,000 empty picture files in 1,000 folders under /tmp (removed afterwards),
# or the tree its options give.
# Usage: bench/buildlist.sh BUILD_DIR [--runs N] [--folders F] [--per-folder P] [--tree DIR]
set -e
build="${1:?build directory}"
shift
ninja -C "$build" buildlist_bench >/dev/null
exec "$build/bench/buildlist_bench" "$@"
