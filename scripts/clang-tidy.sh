#!/usr/bin/env bash
# Static analysis of the program and its benchmarks: clang-tidy with the checks in .clang-tidy, and
# clazy's Qt checks listed below, over every source file of src/ and bench/ in the compile database
# of a build (build/default unless given). Fails on any finding and prints a summary by check.
# Usage: scripts/clang-tidy.sh [BUILD_DIR]      Jobs: NUMIO_TIDY_JOBS (default 2)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/default}" && pwd)"
jobs="${NUMIO_TIDY_JOBS:-2}"
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "no $db: configure and build that build first" >&2; exit 2; }
for tool in clang-tidy clazy-standalone; do
  command -v "$tool" >/dev/null || { echo "$tool is missing; run scripts/install-deps.sh" >&2; exit 2; }
done

# Qt's own pitfalls, from clazy's first level: wrong connects, needless copies and detaches,
# misused Qt types. Cheap enough to run on every file next to clang-tidy.
# (strict-iterators is left out: it objects to keeping insert()'s iterator in the const_iterator
# a constFind() gave, which is how the caches here look up and fill in one go.)
clazy_checks=connect-non-signal,connect-not-normalized,container-anti-pattern,detaching-temporary
clazy_checks+=,incorrect-emit,lambda-in-connect,mutable-container-key,overridden-signal,qdatetime-utc
clazy_checks+=,qfileinfo-exists,qgetenv,qmap-with-pointer-key,qstring-arg,qstring-insensitive-allocation
clazy_checks+=,range-loop-detach,returning-data-from-temporary,temporary-iterator,unused-non-trivial-variable
clazy_checks+=,use-static-qregularexpression,writing-to-temporary,wrong-qevent-cast

# The moc and resource files cmake writes into the build are not ours to judge.
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$db" |
  grep -E "^$root/(src|bench)/.*\.cpp$" | sort -u)
[ ${#files[@]} -gt 0 ] || { echo "no sources of src/ or bench/ in $db" >&2; exit 2; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Headers count where they are ours: not the moc files included from the build folder. Of clazy's
# output only its own checks and errors that stop it count; clang's compiler warnings are
# clang-tidy's to report (as clang-diagnostic-*).
finding='^[^ ]+:[0-9]+:[0-9]+: (warning|error):'
export root build out clazy_checks finding
check_one() {
  local log
  log="$out/$(echo "${1#"$root"/}" | tr / _).log"
  # Any finding makes clang-tidy fail (WarningsAsErrors); failing without one, it could not read the file.
  if ! clang-tidy --quiet -p "$build" --header-filter="^$root/(src|bench)/" "$1" >"$log" 2>&1 &&
    ! grep -qE "$finding" "$log"; then
    echo "$1:1:1: error: clang-tidy failed: $(tail -n1 "$log") [clang-tidy]" >>"$log"
  fi
  if ! clazy-standalone -p "$build" --checks="$clazy_checks" --header-filter="^$root/(src|bench)/" \
    --ignore-dirs="^$build/" --extra-arg=-Wno-error "$1" >"$log.clazy" 2>&1; then
    echo "$1:1:1: error: clazy failed: $(tail -n1 "$log.clazy") [clazy]" >>"$log"
  fi
  grep -E '\[-Wclazy-' "$log.clazy" >>"$log" || true
}
export -f check_one

start=$SECONDS
echo "clang-tidy and clazy on ${#files[@]} files with $jobs jobs"
printf '%s\n' "${files[@]}" | xargs -d '\n' -P "$jobs" -n 1 bash -c 'check_one "$0"'

# A header's finding appears once per file that includes it: each is counted once.
{ cat "$out"/*.log | grep -E "$finding" || true; } | sed "s|^$root/||" | sort -u >"$out/findings"
count=$(wc -l <"$out/findings")
elapsed=$((SECONDS - start))
if [ "$count" -gt 0 ]; then
  cat "$out/findings"
  echo
  echo "Findings by check:"
  sed -n 's/.*\[\([^]]*\)\]$/\1/p' "$out/findings" | sed 's/,-warnings-as-errors//' | sort | uniq -c | sort -rn
  grep -v '\]$' "$out/findings" | sed 's/^/  without a check name: /' || true
  echo "$count findings in ${#files[@]} files (${elapsed}s)"
  exit 1
fi
echo "clean: ${#files[@]} files, no findings (${elapsed}s)"
