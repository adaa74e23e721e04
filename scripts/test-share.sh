#!/usr/bin/env bash
# Prints how much of the tree is tests: non-blank lines of .cpp/.h/.py/.sh under tests/ (the fuzz
# corpus left out) against those under src/, sim/ and any other program's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' -o -name '*.sh' \) \
        -not -path '*/corpus/*' -print0 | xargs -0 grep -cv '^\s*$' | awk -F: '{n += $NF} END {print n}'
}
code_dirs=(src sim)
[ -d ctl ] && code_dirs+=(ctl)
code=$(lines "${code_dirs[@]}")
tests=$(lines tests)
echo "tests $tests, code $code: tests are $((1000 * tests / (code + tests) / 10)).$((1000 * tests / (code + tests) % 10))% of the two"
