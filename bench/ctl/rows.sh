#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# orvanectl's cost per row: apply --dry-run (read every setting, plan, compare) of profiles of
# 1,000, 10,000 and 100,000 rows against an orvane-sim whose state file knows every one of them
# (unpaced, on a pseudo-terminal). Prints orvanectl's CPU time (user + system, from bash's time)
# per row for each size, and the spread between the largest and smallest figure per row
# (goal: within 2x, the cost growing with the rows and no faster). The wall time is set by the
# engine's pacing (5 ms a request), not by the CPU.
#
# Usage: bench/ctl/rows.sh [BUILD_DIR] [SIZES...]   (default build/release, 1000 10000 100000)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 100000)
sim=$build/tools/orvane-sim
ctl=$build/tools/ctl/orvanectl
for exe in "$sim" "$ctl"; do
  [ -x "$exe" ] || { echo "missing $exe: build orvane-sim and orvanectl first" >&2; exit 1; }
done
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Short names keep 100,000 settings inside the simulator's 1 MiB state file: section sN (N
# below 100), name in base 36. Every other row differs from what the receiver holds.
make_files() {
  awk -v n="$1" -v state="$work/state" -v profile="$work/profile.ini" 'BEGIN {
    digits = "0123456789abcdefghijklmnopqrstuvwxyz"
    for (i = 0; i < n; i++) {
      s = "s" (i % 100); k = int(i / 100); name = ""
      do { name = substr(digits, k % 36 + 1, 1) name; k = int(k / 36) } while (k > 0)
      print s "." name "=1" > state
      rows[s] = rows[s] name " = " (i % 2) "\n"
    }
    for (s in rows) printf "[%s]\n%s", s, rows[s] > profile
  }'
}

lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu model: /'
echo "orvanectl apply --dry-run against orvane-sim (unpaced), load average $(cut -d' ' -f1 /proc/loadavg)"
low= high=
for n in "${sizes[@]}"; do
  make_files "$n"
  "$sim" --link "$work/sim" --state "$work/state" </dev/null >"$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 200); do [ -e "$work/sim" ] && break; sleep 0.05; done
  start=$(date +%s.%N)
  TIMEFORMAT='%U %S'
  { time "$ctl" --port "$work/sim" --baud 19200 --json apply --dry-run "$work/profile.ini" \
      >"$work/out" 2>/dev/null; } 2>"$work/time" || true
  end=$(date +%s.%N)
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=
  differs=$(grep -o '"differs"' "$work/out" | wc -l || true)
  read -r user sys <"$work/time"
  per=$(awk -v u="$user" -v s="$sys" -v n="$n" 'BEGIN { printf "%.1f", (u + s) * 1e6 / n }')
  printf '%7d rows: CPU %7.2f s (user %s, system %s), %6s us a row; wall %7.1f s; %d differ\n' \
    "$n" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$user" "$sys" "$per" \
    "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$differs"
  low=$(awk -v a="${low:-$per}" -v b="$per" 'BEGIN { print (b < a ? b : a) }')
  high=$(awk -v a="${high:-$per}" -v b="$per" 'BEGIN { print (b > a ? b : a) }')
done
ratio=$(awk -v a="$low" -v b="$high" 'BEGIN { printf "%.2f", b / a }')
echo "CPU per row, largest over smallest: ${ratio}x (goal < 2x): $(awk -v r="$ratio" 'BEGIN { print (r < 2 ? "PASS" : "MISS") }')"
