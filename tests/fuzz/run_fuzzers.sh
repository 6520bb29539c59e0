#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for SECONDS from a copy of its
# committed seed corpus, with a fixed random seed so that CI repeats the
# same exploration (give SEED to explore elsewhere). Any crash, leak or sanitizer report fails the run;
# the input that caused it is left in build-fuzz/ to become a regression seed.
# Usage: run_fuzzers.sh [SECONDS [SEED]]   (defaults 60 and 1)
set -euo pipefail
seconds=${1:-60}
seed=${2:-1}
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target fuzz_render_frame fuzz_music_file
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
for target in render_frame music_file; do
  corpus=$(mktemp -d)
  cp "tests/fuzz/corpus/$target"/* "$corpus"/
  echo "fuzzing $target for $seconds s"
  (cd build-fuzz && "./tests/fuzz/fuzz_$target" -max_total_time="$seconds" -seed="$seed" -rss_limit_mb=2048 \
     -timeout=20 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12)
  rm -rf "$corpus"
done
