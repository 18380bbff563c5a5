#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs every fuzz target in BUILD_DIR/fuzz for a bounded time, sharing SECONDS between them, and
# fails on any finding (crash, sanitizer report, leak, time-out or out-of-memory).
#   tools/run-fuzz.sh BUILD_DIR [SECONDS]
# FUZZ_FLAGS adds libFuzzer options (make fuzz-long turns the entropic scheduler off: once this
# small target's coverage has settled, its bookkeeping costs half the executions).
# Each target starts from the seeds in fuzz/corpus/<target>/ (never written to); what it learns
# goes to BUILD_DIR/fuzz-run/<target>/, and any finding is kept there as an artifact.
# Inputs stay within MAX_LEN bytes (512: several whole frames, the largest being 263 bytes);
# longer ones find nothing new and only slow the search down.
set -euo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
max_len=${MAX_LEN:-512}
read -r -a extra <<<"${FUZZ_FLAGS:-}"
root=$(cd "$(dirname "$0")/.." && pwd)

mapfile -t targets < <(find "$build/fuzz" -maxdepth 1 -type f -name '*_fuzz' -perm -u+x | sort)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzz: no fuzz targets in $build/fuzz (configure and build with the fuzz preset)" >&2
  exit 2
fi
share=$(( seconds / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1

status=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  work="$build/fuzz-run/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  rm -f "$work/artifacts"/*
  echo "run-fuzz: $name for ${share}s"
  set +e
  "$target" -max_total_time="$share" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "${extra[@]}" -artifact_prefix="$work/artifacts/" "$work/corpus" \
    "${seeds[@]}" >"$work/log" 2>&1
  rc=$?
  set -e
  if [ "$rc" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
    echo "run-fuzz: $name FOUND A PROBLEM (exit $rc); log and artifacts in $work" >&2
    tail -n 40 "$work/log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/log" | sed "s/^/  /" || true
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    if [ -n "$runs" ]; then echo "  executions per second: $(( runs / share ))"; fi
  fi
done
exit $status
