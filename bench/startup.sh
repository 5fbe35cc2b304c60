#!/usr/bin/env bash
# Start-up of build/halvorn side by side with the smallest Qt Widgets program
# built in the same tree (bench/minimal_qt):
#  - cold start to "All Settings Loaded" (offscreen), target within 1.5x;
#  - peak RSS, target within 1.5x;
#  - where halvorn's start-up goes, step by step (HALVORN_STARTUP_TRACE);
#  - shared libraries mapped once up (from /proc/PID/maps);
#  - time until the window is mapped on a real X display (Xvfb + openbox),
#    target within 1.25x; skipped when Xvfb or xdotool is missing.
# Then ReadIni throughput on a 2000-key settings file (target >= 20000/s).
# RUNS (default 20) sets the number of runs of each measurement.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
cmake --build "$build" --target halvorn minimal_qt readini_bench >/dev/null
/usr/bin/python3 "$top/bench/startup_measure.py" "$build" "${RUNS:-20}"
"$build/bench/readini_bench"
