#!/usr/bin/env bash
# Runs one fuzzer for a number of seconds over its seed corpus: new inputs go to a
# work folder of the build, never into the repository's seeds.
# run.sh <fuzzer binary> <seed folder> <work folder> <seconds>
set -euo pipefail
binary=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus" "$work/crashes"
exec "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/crashes/" "$work/corpus" "$seeds"
