#!/usr/bin/env bash
# Benchmarks memtally -d -u -c on generated projects of growing size.
#
#   bash bench/run.sh [ROUTINES ...]      (default: 1000 10000 100000)
#
# For each size it prints the routines, the megabytes of input, the median
# wall time of several runs, the throughput, the peak memory, and the ratio
# of the median time to the I/O floor: the median time of cat reading every
# input file twice, measured in the same run. Then the factor by which the
# time grows from one size to the next.
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=("$@")
[ "${#sizes[@]}" -gt 0 ] || sizes=(1000 10000 100000)
runs=${MEMTALLY_BENCH_RUNS:-7}
per_module=50

bash scripts/setup.sh time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMEMTALLY_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target memtally memtally_generate >/dev/null
tool="$PWD/build-bench/memtally"
generate="$PWD/build-bench/bench/memtally_generate"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "cores: $(nproc)"
printf '%9s %9s %10s %9s %9s %10s\n' routines "input MB" "median ms" "MB/s" "peak MB" "x I/O floor"
previous=""
for size in "${sizes[@]}"; do
  modules=$(( (size + per_module - 1) / per_module ))
  dir="$work/p$size"
  "$generate" "$dir" Bench "$modules" "$per_module" 42
  cd "$dir"
  files=(Bench.bxp Bench.mpp Mod*.bas)
  bytes=$(cat "${files[@]}" | wc -c)
  "$tool" -d -u -c Bench >/dev/null  # warm the page cache
  times=()
  floors=()
  for _ in $(seq "$runs"); do
    start=$(now); "$tool" -d -u -c Bench >/dev/null; end=$(now)
    times+=($(( (end - start) / 1000 )))
    start=$(now); cat "${files[@]}" "${files[@]}" >/dev/null; end=$(now)
    floors+=($(( (end - start) / 1000 )))
  done
  peak=$( { /usr/bin/time -f '%M' "$tool" -d -u -c Bench >/dev/null; } 2>&1 | tail -n 1)
  cd - >/dev/null
  t=$(printf '%s\n' "${times[@]}" | median)
  f=$(printf '%s\n' "${floors[@]}" | median)
  awk -v r="$size" -v b="$bytes" -v t="$t" -v f="$f" -v p="$peak" 'BEGIN {
    printf "%9d %9.2f %10.1f %9.1f %9.1f %10.1f\n",
      r, b / 1e6, t / 1000, (b / 1e6) / (t / 1e6), p / 1024, t / f }'
  if [ -n "$previous" ]; then
    awk -v a="$previous" -v b="$t" 'BEGIN { printf "%9s time grew %.1fx\n", "", b / a }'
  fi
  previous=$t
  rm -rf "$dir"
done
