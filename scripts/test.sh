#!/usr/bin/env bash
# Sets up, builds and runs every test, what fails soonest first: the full build and its
# fast tests, the real-time calls against the modem simulator and the fax peer, the lower
# modules again under AddressSanitizer and UndefinedBehaviorSanitizer, the fax engine's
# threads under ThreadSanitizer, and last each fuzz target for a bounded time. Each stage
# prints how long it took; the last lines are the stage times and ctest's summary of every
# test run.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
lower_modules="base;settings;tables;faxcodes;faximage;faxengine;spell"
# A clean clone in another folder reuses what an earlier checkout compiled: ccache hashes the
# paths below the checkout relative to it, and not the build folder.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

stage_name="" stage_start=$SECONDS times=()
# Ends the running stage (printing its time) and starts the next one, if named.
stage() {
  if [[ -n $stage_name ]]; then
    local took=$((SECONDS - stage_start))
    echo "== $stage_name: ${took} s"
    times+=("$(printf '%-28s %5d s' "$stage_name" "$took")")
  fi
  stage_name=${1:-} stage_start=$SECONDS
  if [[ -n $stage_name ]]; then echo "== $stage_name"; fi
}

# ctest in a build folder, its output shown and kept for the summary at the end.
run_ctest() {
  local dir=$1
  shift
  ctest_runs=$((ctest_runs + 1))
  (cd "$dir" && ctest --output-on-failure "$@") | tee "$logs/ctest-$ctest_runs.log"
}
ctest_runs=0

stage "setup"
bash scripts/setup.sh
shared=${BRINDLE_SHARED_DIR:-../shared}
if [[ -f "$shared/faxpeer/Makefile" ]] && pkg-config --exists spandsp; then
  # The independent fax peer for the Class 1 calls, built out of tree.
  make -s -C "$shared/faxpeer" O="$PWD/build-peers/faxpeer"
else
  echo "no faxpeer: its calls are skipped"
fi

stage "full build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs"

stage "fast tests"
run_ctest build -j "$jobs" -LE calls

# The calls sleep most of the time on line and modem timings: two run at a time (each
# holds one of two line locks, see tests/support/CMakeLists.txt).
stage "real-time calls"
run_ctest build -j "$jobs" -L calls

stage "ASan and UBSan build"
cmake -S . -B build-asan -G Ninja -DBRINDLE_GUI=OFF -DBRINDLE_MODULES="$lower_modules" \
  -DBRINDLE_SANITIZE=ON -DBRINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build-asan -j "$jobs"
stage "ASan and UBSan tests"
run_ctest build-asan -j "$jobs"

stage "TSan build"
cmake -S . -B build-tsan -G Ninja -DBRINDLE_GUI=OFF -DBRINDLE_MODULES="faxengine" \
  -DBRINDLE_TSAN=ON -DBRINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-tsan -j "$jobs"
stage "TSan tests"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest build-tsan -j "$jobs" -L faxengine

# Only the fuzz targets and what they link are built; each runs FUZZ_SECONDS.
stage "fuzz build"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DBRINDLE_MODULES="tables;faximage;richtext;spell" -DBRINDLE_GUI=OFF -DBRINDLE_FUZZ=ON \
  -DBRINDLE_TESTS=OFF -DBRINDLE_BENCH=OFF -DBRINDLE_FUZZ_SECONDS="${FUZZ_SECONDS:-12}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz -j "$jobs" --target fuzzers
stage "fuzzing"
run_ctest build-fuzz -j "$jobs" -L fuzz
stage

echo "== stage times"
printf '%s\n' "${times[@]}"
echo "== all stages: $SECONDS s"
# ctest's summary line, over every run above.
cat "$logs"/ctest-*.log | awk '
  / tests passed, [0-9]+ tests? failed out of / { failed += $4; total += $NF }
  END { printf "%d%% tests passed, %d tests failed out of %d\n",
               total ? 100 * (total - failed) / total : 100, failed, total }'
