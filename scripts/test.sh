#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the core tests, the
# GUI and end-to-end tests under a virtual X server started here, and the
# core tests again in an address- and undefined-behaviour-sanitizer build.
# Ends with a non-zero status on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --tests || exit 1
"$root/scripts/build.sh" "$root/build" || exit 1

status=0
# The GUI tests' own virtual X server, on a display number it picks among the
# free ones, so that they never land on a server that someone else runs.
. "$root/scripts/virtual-display.sh"
start_virtual_display 1024x768 || exit 1
trap 'kill $xvfb_pid 2>/dev/null' EXIT
echo "== virtual X server on $DISPLAY"

echo "== core, GUI and end-to-end tests"
(cd "$root/build" && ctest --output-on-failure -j2) || status=1

echo "== core tests with address and undefined-behaviour sanitizers"
"$root/scripts/build.sh" "$root/build-asan" -DORVANTA_SANITIZE=ON -DORVANTA_CORE_ONLY=ON -DORVANTA_BENCH=OFF || exit 1
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2 -L core) || status=1

echo "== fuzz targets replayed over their seeds, saved findings and the public corpora"
"$root/tests/fuzz/run.sh" "$root/build-fuzz" 20 || status=1

exit $status
