#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# orvanectl against orvane-sim on a real-paced line: orvane-sim --pace --latency 5 at 19200 baud
# on pseudo-terminals (and on TCP for reference). Each figure is the median, minimum and maximum
# of REPS runs, timed with date +%s.%N around the command, with its ratio and goal:
#   apply --all base.ini        within 1.3x the line floor: the bytes the apply moved in its
#                               busier direction (orvane-sim's own counts, --log) x 10 / 19200
#   apply, nothing to change    under 1.5 s
#   detect, receiver at each of the eight speeds the window searches: under 2 s each, the
#                               heartbeat heard at that speed
#   apply --all on four receivers at once: under 1.2x one receiver's time
#   apply --all with --drop 5 (seeded, so each run repeats): every row verified, under 2x clean
#   the journal (--journal): under 1% of a clean apply --all. Two figures: the median of
#                               apply --all with a journal less the median without (paired runs
#                               on fresh receivers; within the runs' noise), and the journal's own
#                               work for that run, its 49-setting line made, written and fsync'ed
#                               (bench/journal_bench, the mean of 50); the goal is judged on it
#
# Usage: bench/ctl/run.sh [BUILD_DIR] [REPS]
#   BUILD_DIR  a build holding tools/orvane-sim and tools/ctl/orvanectl (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
reps=${2:-5}
sim=$build/tools/orvane-sim
ctl=$build/tools/ctl/orvanectl
baud=19200
for exe in "$sim" "$ctl" "$build/bench/journal_bench"; do
  [ -x "$exe" ] || { echo "missing $exe: build orvane-sim and orvanectl first" >&2; exit 1; }
done

work=$(mktemp -d)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# start_sim NAME ARGS...: orvane-sim behind $work/NAME, paced, its log in $work/NAME.log.
# Sets sim_pid.
start_sim() {
  local name=$1
  shift
  "$sim" --link "$work/$name" --pace --latency 5 --log "$@" </dev/null >"$work/$name.log" 2>&1 &
  sim_pid=$!
  sims+=("$sim_pid")
  for _ in $(seq 100); do
    [ -e "$work/$name" ] && return 0
    sleep 0.05
  done
  echo "orvane-sim did not start:" >&2
  cat "$work/$name.log" >&2
  exit 1
}

# stop_sim PID: stops it; its log then ends with its byte counts.
stop_sim() {
  kill -TERM "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# busier NAME: the larger of the byte counts in orvane-sim's log (stopped first).
busier() {
  sed -n 's/^bytes: received \([0-9]*\), sent \([0-9]*\)$/\1 \2/p' "$work/$1.log" |
    awk '{ print ($1 > $2 ? $1 : $2) }'
}

# timed FILE COMMAND...: runs it, appends its seconds to FILE; its output goes to $work/out.
# Returns the command's exit status.
timed() {
  local file=$1
  shift
  local start end status=0
  start=$(date +%s.%N)
  "$@" >"$work/out" 2>&1 || status=$?
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }' >>"$file"
  return "$status"
}

# stats FILE: "median min max" of its numbers.
stats() {
  sort -g "$1" | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f\n", m, v[1], v[NR] }'
}

# report LABEL FILE RATIO_TEXT GOAL_TEXT VERDICT
report() {
  local median min max
  read -r median min max < <(stats "$2")
  printf '%-44s median %7.3f s  (min %7.3f, max %7.3f)  %-18s goal %-14s %s\n' \
    "$1" "$median" "$min" "$max" "$3" "$4" "$5"
}

# verdict VALUE LIMIT: PASS when VALUE < LIMIT.
verdict() {
  awk -v v="$1" -v l="$2" 'BEGIN { print (v < l ? "PASS" : "MISS") }'
}

median_of() { stats "$1" | cut -d' ' -f1; }

# run_ctl LABEL FILE ARGS...: orvanectl timed, its exit status in last_status; a failure is
# counted and shown in a few lines.
failures=0
last_status=0
run_ctl() {
  local label=$1 file=$2 status=0
  shift 2
  timed "$file" "$ctl" "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    failures=$((failures + 1))
    echo "  $label: orvanectl exited $status:" >&2
    grep -v -E '\((written|unchanged)' "$work/out" | cut -c1-160 | head -n 8 | sed 's/^/    /' >&2
  fi
  last_status=$status
}

"$ctl" base-profile --ip 192.168.0.222 --gateway 192.168.0.1 --netmask 255.255.255.0 \
  --elevation-mask 10 --lat 51.4778 --lon -0.0014 --alt 45.32 >"$work/base.ini"
lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu model: /'
echo "orvane-sim --pace --latency 5 at $baud baud, $reps runs each; base.ini: $(grep -c '=' "$work/base.ini") rows"

# apply --all on a fresh receiver each run; its byte counts give that run's floor. Then, on
# another fresh receiver, apply --all once more and time the apply that finds nothing to change.
# Each run is paired with one on a fresh receiver that keeps a journal, on the disk of the
# build (a journal on tmpfs would make fsync free).
journal_dir=$(mktemp -d "$build/bench-journal.XXXXXX")
trap 'cleanup; rm -rf "$journal_dir"' EXIT
: >"$work/t.all" ; : >"$work/t.same" ; : >"$work/t.floor" ; : >"$work/t.journal"
for i in $(seq "$reps"); do
  start_sim one --baud "$baud"
  run_ctl "apply --all" "$work/t.all" --port "$work/one" --baud "$baud" apply --all "$work/base.ini"
  stop_sim "$sim_pid"
  start_sim journal --baud "$baud"
  run_ctl "apply --all --journal" "$work/t.journal" --port "$work/journal" --baud "$baud" \
    --journal "$journal_dir/journal" apply --all "$work/base.ini"
  stop_sim "$sim_pid"
  awk -v n="$(busier one)" -v b="$baud" 'BEGIN { printf "%.3f\n", n * 10 / b }' >>"$work/t.floor"
  start_sim same --baud "$baud"
  "$ctl" --port "$work/same" --baud "$baud" apply --all "$work/base.ini" >/dev/null 2>&1 || true
  run_ctl "apply (nothing to change)" "$work/t.same" --port "$work/same" --baud "$baud" \
    apply "$work/base.ini"
  stop_sim "$sim_pid"
done
floor=$(median_of "$work/t.floor")
ratio=$(awk -v t="$(median_of "$work/t.all")" -v f="$floor" 'BEGIN { printf "%.2f", t / f }')
echo "line floor: median $floor s (the busier direction's bytes x 10 / $baud)"
report "apply --all" "$work/t.all" "${ratio}x floor" "< 1.3x floor" "$(verdict "$ratio" 1.3)"
report "apply, nothing to change" "$work/t.same" "" "< 1.5 s" \
  "$(verdict "$(median_of "$work/t.same")" 1.5)"

# The journal: the paired difference, then one line's append and fsync, REPS x 10 times.
clean=$(median_of "$work/t.all")
share=$(awk -v a="$(median_of "$work/t.journal")" -v b="$clean" \
  'BEGIN { printf "%+.2f%%", (a - b) / b * 100 }')
report "apply --all --journal (paired, noisy)" "$work/t.journal" "$share vs clean" "-" ""
line_ms=$("$build/bench/journal_bench" "$journal_dir" --benchmark_format=csv 2>/dev/null |
  awk -F, '/AppendLine/ { print $3 }')
share=$(awk -v a="$line_ms" -v b="$clean" 'BEGIN { printf "%.2f", a / 1000 / b * 100 }')
printf '%-44s mean   %7.3f s  (of 50, %s B a line)%24s goal %-14s %s\n' \
  "journal: a line made, written, fsync'ed" "$(awk -v a="$line_ms" 'BEGIN { print a / 1000 }')" \
  "$(tail -n 1 "$journal_dir/journal" | wc -c)" "${share}% of clean" "< 1% of clean" \
  "$(verdict "$share" 1)"

# The same apply over TCP, paced at the same speed: for reference, no goal.
tcp_port=$((20000 + RANDOM % 20000))
: >"$work/t.tcp"
for i in $(seq "$reps"); do
  start_sim tcp --baud "$baud" --tcp "$tcp_port"
  run_ctl "apply --all over TCP" "$work/t.tcp" --port "tcp://127.0.0.1:$tcp_port" apply --all \
    "$work/base.ini"
  stop_sim "$sim_pid"
done
report "apply --all over TCP (reference)" "$work/t.tcp" "" "-" ""

# detect: the receiver at each speed the window searches, the tool finding it and hearing its
# heartbeat. A technician runs detect at any moment of the receiver's heartbeat period, and when
# the speed is found a heartbeat can be up to a period away; so run i starts (i - 1) / REPS of a
# second after the receiver, spreading the runs evenly over the period.
for speed in 1200 2400 4800 9600 19200 38400 57600 115200; do
  : >"$work/t.detect"
  for i in $(seq "$reps"); do
    start_sim detect --baud "$speed"
    sleep "$(awk -v i="$i" -v n="$reps" 'BEGIN { printf "%.3f", (i - 1) / n }')"
    run_ctl "detect at $speed" "$work/t.detect" --port "$work/detect" detect
    if ! grep -q "heartbeat at $speed" "$work/out"; then
      failures=$((failures + 1))
      echo "  detect at $speed: $(head -c 160 "$work/out")" >&2
    fi
    stop_sim "$sim_pid"
  done
  report "detect, receiver at $speed" "$work/t.detect" "" "< 2 s" \
    "$(verdict "$(median_of "$work/t.detect")" 2)"
done

# Four receivers at once against one.
: >"$work/t.four"
for i in $(seq "$reps"); do
  ports=()
  pids=()
  for n in 1 2 3 4; do
    start_sim "r$n" --baud "$baud"
    ports+=(--port "$work/r$n")
    pids+=("$sim_pid")
  done
  run_ctl "apply --all on four" "$work/t.four" "${ports[@]}" --baud "$baud" apply --all \
    "$work/base.ini"
  for pid in "${pids[@]}"; do stop_sim "$pid"; done
done
ratio=$(awk -v a="$(median_of "$work/t.four")" -v b="$(median_of "$work/t.all")" \
  'BEGIN { printf "%.2f", a / b }')
report "apply --all, four receivers at once" "$work/t.four" "${ratio}x one" "< 1.2x one" \
  "$(verdict "$ratio" 1.2)"

# Frames lost: 5% each way, a different seed per run so the runs differ but each repeats.
: >"$work/t.drop"
verified=0
for i in $(seq "$reps"); do
  start_sim drop --baud "$baud" --drop 5 --seed "$((1000 + i))"
  run_ctl "apply --all with --drop 5 --seed $((1000 + i))" "$work/t.drop" --port "$work/drop" \
    --baud "$baud" apply --all "$work/base.ini"
  if [ "$last_status" -eq 0 ]; then verified=$((verified + 1)); fi
  stop_sim "$sim_pid"
done
ratio=$(awk -v a="$(median_of "$work/t.drop")" -v b="$(median_of "$work/t.all")" \
  'BEGIN { printf "%.2f", a / b }')
outcome=$(verdict "$ratio" 2)
[ "$verified" -eq "$reps" ] || outcome="MISS ($verified of $reps runs verified every row)"
report "apply --all, --drop 5 (seeds 1001..)" "$work/t.drop" "${ratio}x clean" "< 2x clean" \
  "$outcome"

if [ "$failures" -gt 0 ]; then
  echo "$failures orvanectl run(s) exited non-zero: their times are in the figures above" >&2
  exit 1
fi
