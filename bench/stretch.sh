#!/bin/sh
# Runs the stretch benchmark (it calls bench/stretch_pillow.py for the reference).
# Usage: bench/stretch.sh BUILD_DIR [RUNS]
set -e
"${1:?build directory}/bench/stretch_bench" "${2:-9}"
