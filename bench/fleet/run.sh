#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# A fleet on loopback: 32 orvane-sim receivers on TCP, paced (--pace --latency 5 at 19200 baud).
# Each figure is the median, minimum and maximum of REPS runs, on fresh receivers every run:
#   apply --all base.ini, one receiver                  the reference
#   apply --all base.ini, 32 receivers in one orvanectl  goal: within 1.3x one receiver's time,
#                                                       peak memory (RSS) under 64 MiB
#   apply base.ini, 32 receivers in one orvanectl        against
#   ansible-playbook, orvane.receiver.settings on the 32 hosts, forks 8
#                                                       the ratio, and Ansible's overhead per host:
#                                                       its time x 8 forks / 32 hosts, less one
#                                                       receiver's apply
#
# Usage: bench/fleet/run.sh [BUILD_DIR] [REPS]
#   BUILD_DIR  a build holding tools/orvane-sim and tools/ctl/orvanectl (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
reps=${2:-3}
sim=$build/tools/orvane-sim
ctl=$(realpath "$build/tools/ctl/orvanectl")
hosts=32
forks=8
baud=19200
for exe in "$sim" "$ctl"; do
  [ -x "$exe" ] || { echo "missing $exe: build orvane-sim and orvanectl first" >&2; exit 1; }
done
command -v ansible-playbook >/dev/null || { echo "ansible-playbook is missing (ansible-core)" >&2; exit 1; }

work=$(mktemp -d)
sims=()
stop_sims() {
  for pid in "${sims[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${sims[@]}"; do wait "$pid" 2>/dev/null || true; done
  sims=()
}
trap 'stop_sims; rm -rf "$work"' EXIT

# start_sims N: N fresh receivers, receiver i on TCP port $base_port + i.
base_port=$((20000 + RANDOM % 20000))
start_sims() {
  local i
  for i in $(seq "$1"); do
    rm -f "$work/r$i.state"
    "$sim" --link "$work/r$i" --state "$work/r$i.state" --baud "$baud" --pace --latency 5 \
      --tcp $((base_port + i)) </dev/null >"$work/r$i.log" 2>&1 &
    sims+=("$!")
  done
  for i in $(seq "$1"); do
    for _ in $(seq 200); do
      [ -e "$work/r$i" ] && break
      sleep 0.05
    done
    [ -e "$work/r$i" ] || { echo "orvane-sim $i did not start:" >&2; cat "$work/r$i.log" >&2; exit 1; }
  done
}

ports() {
  local i
  for i in $(seq "$1"); do printf -- '--port\ntcp://127.0.0.1:%d\n' $((base_port + i)); done
}

# timed FILE COMMAND...: runs it, appends its seconds to FILE, its peak RSS in KiB to FILE.rss and
# the CPU seconds (user + system) of it and every process it waited for to FILE.cpu.
failures=0
timed() {
  local file=$1 start end status=0
  shift
  start=$(date +%s.%N)
  /usr/bin/time -f '%M %U %S' -o "$work/rss" "$@" >"$work/out" 2>&1 || status=$?
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }' >>"$file"
  tail -n1 "$work/rss" | cut -d' ' -f1 >>"$file.rss"
  tail -n1 "$work/rss" | awk '{ printf "%.3f\n", $2 + $3 }' >>"$file.cpu"
  if [ "$status" -ne 0 ]; then
    failures=$((failures + 1))
    echo "  $* exited $status:" >&2
    grep -v -E '\((written|unchanged)' "$work/out" | cut -c1-160 | tail -n 8 | sed 's/^/    /' >&2
  fi
}

stats() {
  sort -g "$1" | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f\n", m, v[1], v[NR] }'
}
median_of() { stats "$1" | cut -d' ' -f1; }
report() {  # LABEL FILE EXTRA
  local median min max
  read -r median min max < <(stats "$2")
  printf '%-46s median %7.3f s  (min %7.3f, max %7.3f)  %s\n' "$1" "$median" "$min" "$max" "$3"
}
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v < l ? "PASS" : "MISS") }'; }

"$ctl" base-profile --ip 192.168.0.222 --gateway 192.168.0.1 --netmask 255.255.255.0 \
  --elevation-mask 10 --lat 51.4778 --lon -0.0014 --alt 45.32 >"$work/base.ini"

# The inventory: every host a receiver on loopback, run from the controller itself.
{
  echo '{"all": {"vars": {"ansible_connection": "local", "ansible_python_interpreter": "auto_silent",'
  echo "  \"orvanectl\": \"$ctl\", \"profile\": \"$work/base.ini\"}, \"hosts\": {"
  for i in $(seq "$hosts"); do
    printf '  "site%d": {"port": "tcp://127.0.0.1:%d"}%s\n' "$i" $((base_port + i)) \
      "$([ "$i" -lt "$hosts" ] && echo ,)"
  done
  echo '}}}'
} >"$work/inventory.json"
cat >"$work/fleet.yml" <<'EOF'
- hosts: all
  gather_facts: false
  tasks:
    - orvane.receiver.settings:
        port: "{{ port }}"
        profile: "{{ profile }}"
        orvanectl: "{{ orvanectl }}"
EOF
export ANSIBLE_COLLECTIONS_PATH=$PWD/ansible ANSIBLE_COLLECTIONS_PATHS=$PWD/ansible \
  ANSIBLE_FORKS=$forks ANSIBLE_HOME=$work/home ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_NOCOLOR=1

lscpu | sed -n 's/^Model name: *//p' | sed 's/^/cpu model: /'
echo "orvane-sim --pace --latency 5 at $baud baud over TCP, $reps runs each, fresh receivers" \
  "every run; base.ini: $(grep -c '=' "$work/base.ini") rows; load average $(cut -d' ' -f1-3 /proc/loadavg)"

mapfile -t all_ports < <(ports "$hosts")
for i in $(seq "$reps"); do
  start_sims 1
  timed "$work/t.one" "$ctl" --port "tcp://127.0.0.1:$((base_port + 1))" apply --all "$work/base.ini"
  stop_sims
  start_sims "$hosts"
  timed "$work/t.many" "$ctl" "${all_ports[@]}" apply --all "$work/base.ini"
  stop_sims
  start_sims 1
  timed "$work/t.one.diff" "$ctl" --port "tcp://127.0.0.1:$((base_port + 1))" apply "$work/base.ini"
  stop_sims
  start_sims "$hosts"
  timed "$work/t.many.diff" "$ctl" "${all_ports[@]}" apply "$work/base.ini"
  stop_sims
  start_sims "$hosts"
  timed "$work/t.ansible" ansible-playbook -i "$work/inventory.json" "$work/fleet.yml"
  grep -E "^fatal" "$work/out" | cut -c1-400 | head -n 3 >&2 || true
  stop_sims
done

one=$(median_of "$work/t.one")
many=$(median_of "$work/t.many")
rss=$(sort -g "$work/t.many.rss" | tail -n1)
ratio=$(awk -v a="$many" -v b="$one" 'BEGIN { printf "%.2f", a / b }')
mib=$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')
report "apply --all, one receiver" "$work/t.one" \
  "peak RSS $(awk -v k="$(sort -g "$work/t.one.rss" | tail -n1)" 'BEGIN { printf "%.1f", k / 1024 }') MiB"
report "apply --all, $hosts receivers, one orvanectl" "$work/t.many" \
  "${ratio}x one (goal < 1.3x) $(verdict "$ratio" 1.3); peak RSS $mib MiB (goal < 64) $(verdict "$mib" 64)"
report "apply (what differs), one receiver" "$work/t.one.diff" ""
report "apply (what differs), $hosts receivers, one orvanectl" "$work/t.many.diff" \
  "CPU $(median_of "$work/t.many.diff.cpu") s"
ctl_many=$(median_of "$work/t.many.diff")
playbook=$(median_of "$work/t.ansible")
report "ansible-playbook, $hosts hosts, forks $forks" "$work/t.ansible" \
  "$(awk -v a="$playbook" -v b="$ctl_many" -v o="$(median_of "$work/t.one.diff")" -v h="$hosts" \
    -v f="$forks" 'BEGIN { printf "%.2fx one orvanectl; per host %.3f s, overhead %.3f s a host", a / b, a * f / h, a * f / h - o }')"
# What the time goes to on a shared machine: CPU per host, Ansible's run against one orvanectl's.
awk -v a="$(median_of "$work/t.ansible.cpu")" -v b="$(median_of "$work/t.many.diff.cpu")" \
  -v h="$hosts" 'BEGIN { printf "CPU (user + system): ansible-playbook %.1f s, %.3f s a host; one orvanectl for %d receivers %.1f s, %.3f s a receiver\n", a, a / h, h, b, b / h }'
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "$failures" -gt 0 ]; then
  echo "$failures run(s) exited non-zero: their times are in the figures above" >&2
  exit 1
fi
