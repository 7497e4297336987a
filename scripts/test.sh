#!/usr/bin/env bash
# Installs what is missing, builds Numio with its tests and runs every test.
# With "asan" as the first argument it uses the AddressSanitizer + UBSan build.
# install-deps.sh installs every tool a test needs, so a test skipped here for a missing tool is a
# fault too; NUMIO_ALLOW_SKIPS=1 lets such a run pass.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --preset "$preset" | tee "$log"
if grep -q '(Skipped)$' "$log" && [ "${NUMIO_ALLOW_SKIPS:-0}" != 1 ]; then
  echo "Tests were skipped for want of a tool: see scripts/install-deps.sh" >&2
  exit 1
fi
