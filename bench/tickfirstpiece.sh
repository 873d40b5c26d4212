#!/bin/sh
# Runs the tick-to-first-piece benchmark; with PROFILE=1 (and perf installed)
# it also samples the run and prints the hottest functions, user and kernel.
# Usage: bench/tickfirstpiece.sh BUILD_DIR [--show WxH] [--picture WxH]... [--jpeg-cycles N] [--bmp-cycles N]
set -e
bench="${1:?build directory}/bench/tickfirstpiece_bench"
shift
if [ "${PROFILE:-0}" = 1 ] && command -v perf >/dev/null 2>&1; then
    data=$(mktemp "${TMPDIR:-/tmp}/tickfirstpiece.XXXXXX")
    trap 'rm -f "$data"' EXIT
    perf record -q -F 499 -o "$data" "$bench" "$@"
    echo
    echo "Hottest functions (share of samples):"
    perf report -i "$data" --stdio --sort symbol 2>/dev/null | grep -v '^#' | grep -v '^$' | head -15
else
    "$bench" "$@"
fi
