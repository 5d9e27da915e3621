#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 into build-fuzz and runs each
# for a bounded time on a copy of its seed corpus. Any crash, leak, timeout
# or sanitizer report fails the script.
#
#   MEMTALLY_FUZZ_SECONDS   seconds per target (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${MEMTALLY_FUZZ_SECONDS:-60}
targets=(fuzz_lexer fuzz_scanner fuzz_map fuzz_run)

# clang-14 brings the compiler, libclang-rt-14-dev the fuzzer and sanitizer
# runtimes; setup.sh runs apt-get only when a package is missing.
bash scripts/setup.sh clang-14 libclang-rt-14-dev

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DMEMTALLY_FUZZ=ON -DMEMTALLY_BUILD_TESTS=OFF
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

dictionary() {
  case "$1" in
    fuzz_map) echo fuzz/dict/map.dict ;;
    fuzz_run) echo fuzz/dict/run.dict ;;
    *) echo fuzz/dict/basic.dict ;;
  esac
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus" "$work/artifacts"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: ${seconds}s"
  # Leaks are checked at the end of every input; a slow input counts as a
  # hang after 25 seconds.
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=25 \
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
    grep -E '^(Done|stat::number_of_executed_units)' "$work/$target.log" || true
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing passed: ${targets[*]}"
