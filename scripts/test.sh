#!/usr/bin/env bash
# Sets up, builds and runs every test: the full build under ctest, the lower
# modules again under AddressSanitizer and UndefinedBehaviorSanitizer, the fax
# engine's threads under ThreadSanitizer, and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

lower_modules="base;settings;tables;faxcodes;faximage;faxengine;spell"

echo "== independent fax peer for the Class 1 calls (built out of tree)"
shared=${BRINDLE_SHARED_DIR:-../shared}
if [[ -f "$shared/faxpeer/Makefile" ]] && pkg-config --exists spandsp; then
  make -s -C "$shared/faxpeer" O="$PWD/build-peers/faxpeer"
else
  echo "no faxpeer: its calls are skipped"
fi

echo "== fuzz targets (bounded runs)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DBRINDLE_MODULES="tables;faximage;faxengine;richtext;spell" -DBRINDLE_GUI=OFF -DBRINDLE_FUZZ=ON -DBRINDLE_TESTS=OFF -DBRINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz -j "$jobs"
fuzz_seconds=${FUZZ_SECONDS:-20}
while IFS= read -r target; do
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=$(find fuzz -type d -path "*/seeds/$name" | head -n 1)
  echo "-- $name for ${fuzz_seconds}s"
  "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=0 "$corpus" ${seeds:+"$seeds"} 2>&1 | tail -n 3
done < <(find build-fuzz -type f -executable -name 'fuzz_*' | sort)

echo "== lower modules under ASan and UBSan"
cmake -S . -B build-asan -G Ninja -DBRINDLE_GUI=OFF -DBRINDLE_MODULES="$lower_modules" \
  -DBRINDLE_SANITIZE=ON -DBRINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")

echo "== fax engine under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DBRINDLE_GUI=OFF -DBRINDLE_MODULES="faxengine" \
  -DBRINDLE_TSAN=ON -DBRINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-tsan -j "$jobs"
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j "$jobs" -L faxengine)

echo "== full build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")
