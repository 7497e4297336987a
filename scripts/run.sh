#!/usr/bin/env bash
# Installs what is missing, builds Numio and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target numio
exec ./build/default/bin/numio "$@"
