#!/usr/bin/env bash
# Installs what is missing, builds Numio with its tests and runs every test.
# With "asan" as the first argument it uses the AddressSanitizer + UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
