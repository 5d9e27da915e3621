#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 into build-fuzz and runs each
# for a bounded time on a copy of its seed corpus. Any crash, leak, timeout
# or sanitizer report fails the script.
#
#   MEMTALLY_FUZZ_SECONDS   seconds per target (default 60)
#   MEMTALLY_FUZZ_RUNS      executions per target instead of a time limit,
#                           for long campaigns
#   MEMTALLY_FUZZ_TARGETS   the targets to run, separated by blanks (default
#                           all six), so that a campaign can give each core
#                           its own target
#   MEMTALLY_FUZZ_CORPUS    a directory that keeps each target's corpus, its
#                           log and any reproducer between sittings; without
#                           it all three go to a temporary directory
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${MEMTALLY_FUZZ_SECONDS:-60}
runs=${MEMTALLY_FUZZ_RUNS:-}
read -r -a targets <<<"${MEMTALLY_FUZZ_TARGETS:-fuzz_lexer fuzz_scanner fuzz_map fuzz_run fuzz_declarations fuzz_annotations}"

for target in "${targets[@]}"; do
  case "$target" in
    fuzz_lexer | fuzz_scanner | fuzz_map | fuzz_run | fuzz_declarations | \
      fuzz_annotations) ;;
    *) echo "unknown fuzz target: $target" >&2; exit 1 ;;
  esac
done
if [ -n "$runs" ]; then
  limit=(-runs="$runs")
  budget="$runs runs"
else
  limit=(-max_total_time="$seconds")
  budget="${seconds}s"
fi

# clang-14 brings the compiler, libclang-rt-14-dev the fuzzer and sanitizer
# runtimes; setup.sh runs apt-get only when a package is missing.
bash scripts/setup.sh clang-14 libclang-rt-14-dev

# Campaigns started side by side share build-fuzz: one builds, the others
# wait for it.
mkdir -p build-fuzz
(
  flock 9
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DMEMTALLY_FUZZ=ON -DMEMTALLY_BUILD_TESTS=OFF
  cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
) 9>build-fuzz/.build-lock

dictionary() {
  case "$1" in
    fuzz_map) echo fuzz/dict/map.dict ;;
    fuzz_run) echo fuzz/dict/run.dict ;;
    fuzz_declarations) echo fuzz/dict/declarations.dict ;;
    fuzz_annotations) echo fuzz/dict/annotations.dict ;;
    *) echo fuzz/dict/basic.dict ;;
  esac
}

if [ -n "${MEMTALLY_FUZZ_CORPUS:-}" ]; then
  mkdir -p "$MEMTALLY_FUZZ_CORPUS"
  work=$(cd "$MEMTALLY_FUZZ_CORPUS" && pwd)
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
failed=()
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus" "$work/artifacts"
  # The seeds join whatever an earlier sitting left in the corpus.
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: $budget"
  # Leaks are checked at the end of every input; a slow input counts as a
  # hang after 25 seconds.
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/$target" "${limit[@]}" -timeout=25 \
    -dict="$(dictionary "$target")" -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$target-" "$corpus" \
    >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    for artifact in "$work/artifacts/$target-"*; do
      [ -e "$artifact" ] || continue
      echo "-- reproducer $(basename "$artifact") (base64):"
      base64 "$artifact" | head -c 20000
      echo
    done
    failed+=("$target")
  else
    grep -E '^(Done|stat::)' "$work/$target.log" || true
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing passed: ${targets[*]}"
