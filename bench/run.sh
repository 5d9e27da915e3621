#!/usr/bin/env bash
# Benchmarks memtally -d -u -c on generated projects of growing size.
#
#   bash bench/run.sh [ROUTINES ...]      (default: 1000 10000 100000)
#
# For each size it prints the routines, the megabytes of input, the median
# wall time of several runs, the throughput, the peak memory, and the ratio
# of the median time to the I/O floor: the median time of cat reading every
# input file twice, measured in the same run. Then the factor by which the
# time grows from one size to the next. At the largest size it also times
# the same run with the options that explain the estimate (--path --check),
# with the task stack checks (--tasks --check), with the JSON document
# (--json) and in bound mode (--bound), and prints their time and memory
# against the plain run's.
#
#   MEMTALLY_BENCH_OPTIONS   options added to every sized run, so that
#                            MEMTALLY_BENCH_OPTIONS=--bound measures how bound
#                            mode grows from one size to the next
set -euo pipefail
cd "$(dirname "$0")/.."

sizes=("$@")
[ "${#sizes[@]}" -gt 0 ] || sizes=(1000 10000 100000)
runs=${MEMTALLY_BENCH_RUNS:-9}
per_module=50

bash scripts/setup.sh time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMEMTALLY_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target memtally memtally_generate >/dev/null
tool="$PWD/build-bench/memtally"
generate="$PWD/build-bench/bench/memtally_generate"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
largest=${sizes[${#sizes[@]}-1]}
# The variants timed at the largest size, each added to -d -u -c.
variants=("--path --check" "--tasks --check" "--json" "--bound")
read -r -a extra <<<"${MEMTALLY_BENCH_OPTIONS:-}"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Every size is generated first, and each round then times every size in
# turn: slow and fast spells of a shared machine fall on all sizes alike,
# so the growth from one size to the next compares like with like.
declare -A bytes
for size in "${sizes[@]}"; do
  modules=$(( (size + per_module - 1) / per_module ))
  "$generate" "$work/p$size" Bench "$modules" "$per_module" 42
  bytes[$size]=$(cat "$work/p$size"/Bench.bxp "$work/p$size"/Bench.mpp \
    "$work/p$size"/Mod*.bas | wc -c)
done

# Runs memtally in project directory $1; cat reads its files twice after.
time_size() {
  cd "$1"
  local files=(Bench.bxp Bench.mpp Mod*.bas) start end
  start=$(now); "$tool" -d -u -c "${extra[@]}" Bench >/dev/null; end=$(now)
  echo $(( (end - start) / 1000 )) >>"$1.times"
  start=$(now); cat "${files[@]}" "${files[@]}" >/dev/null; end=$(now)
  echo $(( (end - start) / 1000 )) >>"$1.floors"
  cd - >/dev/null
}

# Runs memtally with variant $2 (index into variants) in directory $1.
time_variant() {
  cd "$1"
  local start end
  # shellcheck disable=SC2086
  start=$(now); "$tool" -d -u -c ${variants[$2]} Bench >/dev/null 2>&1; end=$(now)
  echo $(( (end - start) / 1000 )) >>"$1.variant$2"
  cd - >/dev/null
}

for size in "${sizes[@]}"; do  # warm the page cache
  (cd "$work/p$size" && "$tool" -d -u -c "${extra[@]}" Bench >/dev/null)
done
for _ in $(seq "$runs"); do
  for size in "${sizes[@]}"; do time_size "$work/p$size"; done
  for v in "${!variants[@]}"; do time_variant "$work/p$largest" "$v"; done
done

echo "cores: $(nproc)"
printf '%9s %9s %10s %9s %9s %10s\n' routines "input MB" "median ms" "MB/s" "peak MB" "x I/O floor"
previous=""
for size in "${sizes[@]}"; do
  dir="$work/p$size"
  peak=$(cd "$dir" && { /usr/bin/time -f '%M' "$tool" -d -u -c "${extra[@]}" Bench >/dev/null; } 2>&1 | tail -n 1)
  t=$(median <"$dir.times")
  f=$(median <"$dir.floors")
  awk -v r="$size" -v b="${bytes[$size]}" -v t="$t" -v f="$f" -v p="$peak" 'BEGIN {
    printf "%9d %9.2f %10.1f %9.1f %9.1f %10.1f\n",
      r, b / 1e6, t / 1000, (b / 1e6) / (t / 1e6), p / 1024, t / f }'
  if [ -n "$previous" ]; then
    awk -v a="$previous" -v b="$t" 'BEGIN { printf "%9s time grew %.1fx\n", "", b / a }'
  fi
  previous=$t
done

plain=$previous
plain_peak=$(cd "$work/p$largest" && { /usr/bin/time -f '%M' "$tool" -d -u -c "${extra[@]}" Bench >/dev/null; } 2>&1 | tail -n 1)
echo "at $largest routines, -d -u -c with:"
printf '%18s %10s %9s %10s %10s\n' options "median ms" "peak MB" "x time" "x memory"
for v in "${!variants[@]}"; do
  dir="$work/p$largest"
  # shellcheck disable=SC2086
  (cd "$dir" && /usr/bin/time -f '%M' -o "$dir.peak$v" "$tool" -d -u -c ${variants[$v]} Bench >/dev/null 2>&1)
  peak=$(tail -n 1 "$dir.peak$v")
  t=$(median <"$dir.variant$v")
  awk -v o="${variants[$v]}" -v t="$t" -v p="$peak" -v b="$plain" -v bp="$plain_peak" 'BEGIN {
    printf "%18s %10.1f %9.1f %10.2f %10.2f\n", o, t / 1000, p / 1024, t / b, p / bp }'
done
