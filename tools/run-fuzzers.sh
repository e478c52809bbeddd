#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build folder for a bounded time (25 s each unless
# VANTEL_FUZZ_SECONDS says otherwise), starting from the seed corpus in fuzz/corpus/<target>/.
# New inputs go to a scratch folder, not into the repository. Fails when any target finds a crash,
# leak, timeout or sanitizer report; the reproducer is left in <build-dir>/fuzz/artifacts/<target>/.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 <build-dir>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${VANTEL_FUZZ_SECONDS:-25}

shopt -s nullglob
fuzzers=("$build"/fuzz/fuzz_*)
if ((${#fuzzers[@]} == 0)); then
  echo "no fuzz targets in $build/fuzz (build the vantel_fuzzers target first)" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=()
for fuzzer in "${fuzzers[@]}"; do
  [ -x "$fuzzer" ] && [ -f "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  seeds="$root/fuzz/corpus/$name"
  artifacts="$build/fuzz/artifacts/$name"
  mkdir -p "$scratch/$name" "$artifacts"
  echo "== $name: ${seconds}s"
  corpora=("$scratch/$name")
  [ -d "$seeds" ] && corpora+=("$seeds")
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "${corpora[@]}" >"$scratch/$name.log" 2>&1; then
    tail -n 60 "$scratch/$name.log" >&2
    failed+=("$name")
  else
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$scratch/$name.log" || true
  fi
done

if ((${#failed[@]})); then
  echo "fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no findings"
