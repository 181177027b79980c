#!/usr/bin/env bash
# Configures and builds into build/ (or $GLASSPANE_BUILD_DIR); arguments name the targets to
# build (all of them when none are given). GLASSPANE_BUILD_TYPE: CMake's build type (default
# RelWithDebInfo; Release builds faster, without debug information).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GLASSPANE_BUILD_DIR:-build}"
launcher=()
# A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${GLASSPANE_BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
