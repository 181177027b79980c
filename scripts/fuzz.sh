#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into their own build folder (build-fuzz/, or
# $GLASSPANE_FUZZ_BUILD_DIR) and runs each for SECONDS (default 60), starting from its seed
# inputs in fuzz/corpus/<target>/. Prints the executions of each; fails when one finds a crash,
# a leak or a broken round trip (the input is kept in the build folder as crash-<target>-*).
# GLASSPANE_FUZZ_SEED and GLASSPANE_FUZZ_RUNS make a run repeatable: the same seed, at most that
# many inputs per target, and Qt's hashing unseeded; CI uses them, so that it tries exactly the
# inputs a developer's run with the same values tried.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${GLASSPANE_FUZZ_BUILD_DIR:-build-fuzz}"
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLASSPANE_FUZZ=ON -DGLASSPANE_BUILD_GUI=OFF -DGLASSPANE_BUILD_TESTS=OFF \
    -DGLASSPANE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_all

# The file round trips run in memory where the machine allows.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

repeatable=()
if [ -n "${GLASSPANE_FUZZ_SEED:-}" ]; then
    export QT_HASH_SEED=0
    repeatable+=(-seed="$GLASSPANE_FUZZ_SEED")
fi
[ -n "${GLASSPANE_FUZZ_RUNS:-}" ] && repeatable+=(-runs="$GLASSPANE_FUZZ_RUNS")

targets=(ini_files reg_hive document document_check value_file command_line canonical_address)
status=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    log="$build/fuzz-$target.log"
    mkdir -p "$corpus"
    # New inputs go to the build folder's corpus; the committed seeds are only read.
    if "$build/fuzz/fuzz_$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$build/crash-$target-" "${repeatable[@]}" >"$log" 2>&1; then
        runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
        echo "$target: $runs executions, 0 crashes"
    else
        echo "$target: FAILED, see $log" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
done
exit $status
