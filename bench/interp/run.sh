#!/usr/bin/env bash
# Runs the six interpreter benchmarks in the module language, Python 3.11 and Lua 5.4
# in one go and prints each time (user CPU, the best of BALVIX_BENCH_RUNS runs, 3 unless
# set) and the ratios (ours / python, ours / lua). Every program gets the same number of
# runs, so a busy moment on the machine does not decide a ratio.
# Usage: bench/interp/run.sh [BUILD_DIR]   (default: build-interp next to the sources)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
balvix="${1:-$root/build-interp}/balvix"
ref="${BALVIX_BENCH_REF:-$root/../shared/bench/interp}"
[ -d "$ref" ] || ref=/work/shared/bench/interp
python=/usr/bin/python3.11
lua=$(command -v lua5.4 || true)
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export BALVIX_BENCH=1

runs=${BALVIX_BENCH_RUNS:-3}

# Prints "time output" of one run of a command. The time is user CPU seconds (other builds
# on the machine disturb wall time less that way); BALVIX_BENCH_WALL=1 measures wall time.
once() {
  local start end out
  if [ -z "${BALVIX_BENCH_WALL:-}" ] && [ -x /usr/bin/time ]; then
    out=$(/usr/bin/time -f %U -o "$tmp/time" "$@" 2>&1 | tail -n 1)
    echo "$(tail -n 1 "$tmp/time") $out"
    return
  fi
  start=$(date +%s.%N)
  out=$("$@" 2>&1 | tail -n 1)
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc) $out"
}

# The best time of $runs runs of a command, with its output.
seconds() {
  local best="" t out
  for _ in $(seq "$runs"); do
    read -r t out <<<"$(once "$@")"
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$best $out"
}

printf '%-12s %14s %10s %10s %10s %9s %9s\n' bench checksum ours python lua ours/py ours/lua
for b in b1_loop b2a_concat b2b_numtext b3_fib b4_method b5_array; do
  src="$here/$b.vbs"
  args=()
  if [ "$b" = b2a_concat ]; then
    # b2a is timed with R = 100 to show appending is not quadratic.
    sed 's/^  R = 1$/  R = 100/' "$src" > "$tmp/$b.vbs"
    src="$tmp/$b.vbs"
    args=(100)
  fi
  read -r t_ours c_ours <<<"$(seconds "$balvix" --run "$src")"
  read -r t_py c_py <<<"$(seconds "$python" "$ref/$b.py" "${args[@]}")"
  if [ -n "$lua" ] && [ "$b" = b2a_concat ]; then
    # Lua copies on every append (quadratic): R = 100 would take hours, so it runs R = 1
    # and its time is scaled by 100.
    read -r t_lua c_lua <<<"$(seconds "$lua" "$ref/$b.lua" 1)"
    t_lua=$(echo "$t_lua * 100" | bc)
  elif [ -n "$lua" ]; then
    read -r t_lua c_lua <<<"$(seconds "$lua" "$ref/$b.lua" "${args[@]}")"
  else
    t_lua=0 c_lua=-
  fi
  [ "$c_ours" = "$c_py" ] || echo "checksum differs for $b: ours $c_ours, python $c_py" >&2
  r_py=$(echo "scale=3; $t_ours / $t_py" | bc)
  r_lua=$( [ "$t_lua" != 0 ] && echo "scale=4; $t_ours / $t_lua" | bc || echo -)
  printf '%-12s %14s %9.2fs %9.2fs %9.2fs %8sx %8sx\n' "$b" "$c_ours" "$t_ours" "$t_py" "$t_lua" "$r_py" "$r_lua"
done
