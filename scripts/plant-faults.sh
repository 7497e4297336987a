#!/usr/bin/env bash
# Plants faults a developer might make, one at a time, and reports which ones the suite catches.
#
#   bash scripts/plant-faults.sh            every fault of scripts/faults.txt
#   bash scripts/plant-faults.sh 3 7        only those numbers
#   NO_BASELINE=1 bash scripts/plant-faults.sh   skip the first run of the untouched tree
#
# Each fault replaces one exact text of one file (it must occur there exactly once), the tree is
# built and the tests run: the ones the fault names first, the whole suite (without the fuzzing and
# packaging tests) only when those pass. The file is restored with git checkout after each fault,
# so the script refuses a tree with uncommitted changes. Not part of CI; it takes a few minutes per
# fault.
#
# The summary at the end lists the faults caught, those that survived and those that could not be
# planted. The list may hold faults no test catches yet: they are the tests to write next, and a
# survivor does not fail the run. Exit status: 0 when every fault was planted and then caught or
# survived; 1 when a fault's text is not found any more or the fault does not build (the list has
# to follow the code); 2 when the run cannot start (uncommitted changes, a number that names no
# fault, or the untouched tree fails already).
set -uo pipefail
cd "$(dirname "$0")/.."
list=scripts/faults.txt
build=build/default

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "plant-faults: the tree has uncommitted changes; commit or stash them first." >&2
  exit 2
fi
[ -d "$build" ] || cmake --preset default >/dev/null || exit 2

planted=""
restore() {
  if [ -n "$planted" ]; then
    git checkout -- "$planted"
    planted=""
  fi
}
trap 'echo "plant-faults: interrupted; restoring ${planted:-nothing}" >&2; restore; exit 130' INT TERM
trap restore EXIT

build() { cmake --build "$build" -j2 >>"$1" 2>&1; }
suite() { ctest --preset default -j2 -E 'fuzz|packaging' --output-on-failure "$@" >>"$log/ctest.log" 2>&1; }

# The list: blocks of "file:", "find:", "into:", "tests:", "what:" lines, a blank line between
# blocks; in find and into "\n" stands for a line break and "\t" for a tab.
mapfile -t blocks < <(python3 - "$list" <<'EOF'
import json, sys
faults, cur = [], {}
for line in open(sys.argv[1], encoding="utf-8").read().split("\n") + [""]:
    if line.startswith("#"):
        continue
    if not line.strip():
        if cur:
            faults.append(cur)
        cur = {}
        continue
    key, _, value = line.partition(":")
    cur[key.strip()] = value[1:] if value.startswith(" ") else value
for f in faults:
    print(json.dumps(f, ensure_ascii=False))
EOF
)

for n in "$@"; do
  if ! [[ $n =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ] || [ "$n" -gt ${#blocks[@]} ]; then
    echo "plant-faults: no fault number $n; $list has 1 to ${#blocks[@]}." >&2
    exit 2
  fi
done

log=$(mktemp -d /tmp/plant-faults.XXXXXX)

if [ -z "${NO_BASELINE:-}" ]; then
  echo "plant-faults: the untouched tree first"
  if ! build "$log/baseline.log" || ! suite; then
    echo "plant-faults: the untouched tree fails already; see $log" >&2
    exit 2
  fi
fi

field() { python3 -c 'import json,sys; print(json.loads(sys.argv[1]).get(sys.argv[2], ""))' "$fault" "$1"; }
declare -a caught=() survived=() unplanted=()
for i in "${!blocks[@]}"; do
  n=$((i + 1))
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$n"; then
    continue
  fi
  fault=${blocks[$i]}
  file=$(field file)
  what=$(field what)
  tests=$(field tests)
  echo "plant-faults: $n. $what ($file)"
  applied=$(python3 - "$fault" <<'EOF'
import json, sys
f = json.loads(sys.argv[1])
unescape = lambda s: s.replace("\\n", "\n").replace("\\t", "\t")
find, into = unescape(f["find"]), unescape(f.get("into", ""))
try:
    text = open(f["file"], encoding="utf-8").read()
except OSError:
    print("no such file"); sys.exit()
count = text.count(find)
if count != 1:
    print("found %d times" % count); sys.exit()
open(f["file"], "w", encoding="utf-8").write(text.replace(find, into))
print("applied")
EOF
)
  if [ "$applied" != applied ]; then
    unplanted+=("$n. its text $applied in $file: $what")
    continue
  fi
  planted=$file
  if ! build "$log/fault-$n.log"; then
    unplanted+=("$n. does not build (see $log/fault-$n.log): $what")
  elif { [ -n "$tests" ] && ! suite -R "$tests"; } || ! suite --stop-on-failure; then
    caught+=("$n. $what")
  else
    survived+=("$n. $what")
  fi
  restore
done

echo "plant-faults: rebuilding the untouched tree"
build "$log/restored.log" || echo "plant-faults: the restored tree does not build; see $log" >&2
# "Caught: 2" and then the faults, one a line.
summary() {
  echo "$1: $(($# - 1))"
  shift
  [ $# -eq 0 ] || printf '  %s\n' "$@"
}
echo
echo "Summary (logs in $log):"
summary "Caught" "${caught[@]}"
summary "Survived, no test fails on them yet" "${survived[@]}"
summary "Could not be planted" "${unplanted[@]}"
if [ ${#unplanted[@]} -ne 0 ]; then
  echo "plant-faults: some faults could not be planted; bring $list up to the code." >&2
  exit 1
fi
exit 0
