#!/usr/bin/env bash
# Configures and builds into build/ (or $GLASSPANE_BUILD_DIR); arguments name the targets to
# build (all of them when none are given).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GLASSPANE_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
