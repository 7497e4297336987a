#!/usr/bin/env bash
# Prints the size of the tests against the rest of the C++: non-blank, non-comment lines of tests/
# against those of src/, bench/ and fuzz/. The suite is kept at or below 0.36 of the code.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  find "$@" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat |
    grep -v '^\s*$' | grep -v '^\s*//' | wc -l
}
tests=$(count tests)
code=$(count src bench fuzz)
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.3f", t / c }')
echo "tests $tests lines, code $code lines, ratio $ratio (at most 0.36)"
awk -v r="$ratio" 'BEGIN { exit !(r <= 0.36) }'
