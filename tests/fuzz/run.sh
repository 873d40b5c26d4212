#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, core only, address and
# undefined-behaviour sanitizers) and replays each one over its inputs: the
# seeds kept here, the findings saved here, and the public corpora where they
# are present. Every input is run once, then each target fuzzes on for a short,
# fixed time from a scratch copy of those inputs (the shared corpora are never
# written). Ends with a non-zero status when any input crashes a target.
#
#   tests/fuzz/run.sh [BUILD_DIR] [SECONDS_PER_TARGET]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${2:-20}
corpora=$root/../shared/corpora

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTA_FUZZ=ON \
    "${launcher[@]}" >/dev/null || exit 1
ninja -C "$build" -j2 bmp_fuzz exif_fuzz formats_fuzz jpeg_fuzz lnk_fuzz png_fuzz registry_fuzz || exit 1

# The inputs of each target: seeds and findings kept in the project, then the
# public corpora that exercise the same parser.
inputs() {
    local target=$1
    local dirs=("$root/tests/fuzz/seeds/$target")
    [ -d "$root/tests/fuzz/findings/$target" ] && dirs+=("$root/tests/fuzz/findings/$target")
    if [ -d "$corpora" ]; then
        case $target in
        bmp) dirs+=("$corpora/bmpsuite") ;;
        exif | jpeg) dirs+=("$corpora/exif-orientation" "$corpora/jpeg") ;;
        png) dirs+=("$corpora/pngsuite") ;;
        lnk) dirs+=("$corpora/lnk") ;;
        esac
    fi
    printf '%s\n' "${dirs[@]}"
}

# Leaks inside system libraries that the project cannot free are the same
# as in the sanitizer build of the core tests.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ -d "$corpora" ] || echo "public corpora not found at $corpora: replaying the project's own seeds only"
for target in bmp exif formats jpeg lnk png registry; do
    fuzzer=$build/tests/${target}_fuzz
    mapfile -t dirs < <(inputs "$target")
    # Every regular file below the input folders, once each.
    mapfile -t files < <(find "${dirs[@]}" -type f -size -4M 2>/dev/null | sort)
    echo "== $target: ${#files[@]} inputs"
    if ! "$fuzzer" -runs=0 "${files[@]}" >"$scratch/$target.replay.log" 2>&1; then
        echo "$target: an input crashed the parser"; tail -40 "$scratch/$target.replay.log"; status=1; continue
    fi
    mkdir -p "$scratch/$target"
    cp "${files[@]}" "$scratch/$target/" 2>/dev/null
    if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/$target-" \
        "$scratch/$target" >"$scratch/$target.fuzz.log" 2>&1; then
        echo "$target: fuzzing found a crash; keep the input under tests/fuzz/findings/$target/"
        tail -40 "$scratch/$target.fuzz.log"; ls "$scratch" | grep "^$target-" || true
        status=1; continue
    fi
    grep -E 'stat::number_of_executed_units' "$scratch/$target.fuzz.log" | sed "s/^/  /"
done
exit $status
