#!/usr/bin/env bash
# Checks that C++ files follow the repository's .clang-format, without changing them.
#   tools/check-format.sh [file...]
# With no file, every tracked .h and .cpp file of src/, tests/, bench/, fuzz/ and tools/. Prints each
# file that differs and what clang-format would change, and exits non-zero when there is one.
# Format a file with: clang-format -i <file>
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed (tools/install-deps.sh installs it)" >&2
  exit 2
fi

if (($#)); then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.h' \
    'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp' 'tools/*.h' 'tools/*.cpp')
fi

status=0
for file in "${files[@]}"; do
  if ! clang-format --dry-run --Werror --style=file "$file" >/dev/null 2>&1; then
    echo "not formatted: $file"
    clang-format --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" - | head -40 || true
    status=1
  fi
done
exit $status
