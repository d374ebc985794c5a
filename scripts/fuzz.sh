#!/usr/bin/env bash
# Fuzzes the module language under AddressSanitizer and UBSan for a while.
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]   (default 300 s, build-asan)
# Mutates the module files under tests/script; every input that crashes is kept in
# fuzz-crashes/ (turn each into a module file under tests/script/ with its fix).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
seconds="${1:-300}"
build="${2:-build-asan}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  >/dev/null
cmake --build "$build" -j2 --target script_fuzz

export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
mkdir -p fuzz-crashes
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"  # whatever a mutated module writes lands here

end=$(( $(date +%s) + seconds ))
rng=$(date +%s)
crashes=0
while [ "$(date +%s)" -lt "$end" ]; do
  left=$(( end - $(date +%s) ))
  [ "$left" -gt 0 ] || break
  if "$root/$build/fuzz/script_fuzz" --seeds "$root/tests/script" --seconds "$left" \
       --rng "$rng" --current "$work/current.vbs" 2>"$work/log.txt"; then
    tail -n 1 "$work/log.txt" || true
  else
    crashes=$((crashes + 1))
    kept="$root/fuzz-crashes/crash-$rng.vbs"
    cp "$work/current.vbs" "$kept"
    echo "crash kept in $kept:"
    grep -m 5 -E "ERROR|runtime error|SUMMARY" "$work/log.txt" || tail -n 5 "$work/log.txt"
  fi
  rng=$((rng + 1))
done
echo "fuzzing done: $crashes crash(es)"
[ "$crashes" -eq 0 ]
