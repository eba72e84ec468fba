#!/usr/bin/env bash
# Sets up, builds and starts Brindle. Extra arguments go to the program
# (for example --data-dir DIR); by default its files live beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLE_TESTS=OFF -DBRINDLE_BENCH=OFF > /dev/null
cmake --build build -j "$(nproc)" --target brindle
exec build/src/app/brindle "$@"
