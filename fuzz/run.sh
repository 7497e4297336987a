#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds per target, default 30] [target ...]   (default: every fuzz_* target)
# A dictionary fuzz/<name without fuzz_>.dict and seeds in fuzz/corpus/<target>/ are used when present.
# Exits non-zero when a build fails or a fuzzer finds a failing input; that input is kept as
# build/fuzz/artifacts/<target>-crash-... and replays with: build/fuzz/<target> <file>
# Exits 77 (skipped, to ctest) when clang is not installed: libFuzzer comes with clang only.
set -euo pipefail
command -v clang++ >/dev/null || { echo "clang++ is not installed: nothing to build the fuzz targets with" >&2; exit 77; }
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
shift || true
build="$root/build/fuzz"

export CXX=clang++
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root/fuzz" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  while IFS= read -r t; do targets+=("$(basename "$t")"); done \
    < <(find "$build" -maxdepth 1 -type f -executable -name 'fuzz_*' | sort)
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built" >&2; exit 1; }

mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$root/fuzz/corpus/$t" ] && seeds=("$root/fuzz/corpus/$t")
  dict=()
  [ -f "$root/fuzz/${t#fuzz_}.dict" ] && dict=(-dict="$root/fuzz/${t#fuzz_}.dict")
  echo "== $t for ${seconds}s"
  if ! "$build/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "${dict[@]}" "$corpus" "${seeds[@]}"; then
    echo "== $t FAILED: see $build/artifacts/" >&2
    status=1
  fi
done
exit $status
