#!/usr/bin/env bash
# Speed check for CI: a short run of the scene-steps benchmark, failing when
# any scene's drawing (fade, effects, text; presentation left out) takes more
# than LIMIT_MS median wall time. The goal is 0.5 ms; the limit of 1 ms is
# twice that, to stay clear of noise on a shared machine.
# Usage: check_speed.sh BUILD_DIR [LIMIT_MS]
set -euo pipefail
build=$1
limit=${2:-1.0}
csv=$("$build/bench_scene_steps" --benchmark_repetitions=5 --benchmark_min_time=0.1 \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
# Columns: name,iterations,real_time,cpu_time,time_unit,...
echo "$csv" | awk -F, -v limit="$limit" '
  $1 ~ /_median"?$/ {
    name = $1; gsub(/"/, "", name)
    ms = $3
    if ($5 ~ /ns/) ms /= 1e6; else if ($5 ~ /us/) ms /= 1e3; else if ($5 ~ /^"?s"?$/) ms *= 1e3
    verdict = ms <= limit ? "ok" : "TOO SLOW"
    printf "%-40s %8.3f ms  %s\n", name, ms, verdict
    seen++
    if (ms > limit) slow++
  }
  END {
    if (seen != 5) { print "expected 5 scenes, measured " seen; exit 1 }
    print (seen - slow) " passed, " slow + 0 " failed"
    exit slow > 0
  }'
