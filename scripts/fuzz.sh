#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz (every library instrumented for the
# fuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for SECONDS seconds
# (default 10), seeded with the committed corpus in tests/fuzz/corpus/<name>. New interesting
# inputs collect in build/fuzz/corpus/<name>; a crash, sanitizer report or hang (10 s per input)
# fails the run and leaves the input as build/fuzz/<name>-crash-*.
#   scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. scripts/fuzz.sh 600 chunk
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(chunk dispatcher format fxp)
build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAR2_FUZZ=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  echo "fuzz_$t: ${seconds}s"
  if ! "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/$t-" "$build/corpus/$t" "tests/fuzz/corpus/$t" >"$build/$t.log" 2>&1; then
    tail -n 80 "$build/$t.log"
    echo "fuzz_$t failed; the input is in $build/$t-*" >&2
    exit 1
  fi
  tail -n 1 "$build/$t.log"
done
