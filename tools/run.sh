#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Starts orvane-config from a build tree.
#
#   tools/run.sh BUILD_DIR           with a simulated receiver: starts orvane-sim, maps COM port 1
#                                    to its terminal, and stops it when the window closes
#   tools/run.sh BUILD_DIR DEVICE    with a real receiver: COM port 1 is DEVICE, no simulator;
#                                    a device that cannot serve is named with the reason, in the
#                                    words of the window's lamp tooltip, and the window not started
#
# ORVANE_SIM_ARGS passes options to the simulator, e.g. ORVANE_SIM_ARGS="--baud 9600 --log".
# The simulated receiver keeps its settings in ${XDG_STATE_HOME:-~/.local/state}/orvane-sim.
set -euo pipefail

build=${1:?usage: tools/run.sh BUILD_DIR [DEVICE]}
device=${2:-}
program="$build/src/window/orvane-config"
sim="$build/tools/orvane-sim"

# Why the device cannot serve as a port; nothing when it can.
device_problem() {
  local dev=$1 name dir pid
  if [ ! -e "$dev" ]; then
    echo "no such device"
  elif [ ! -c "$dev" ]; then
    echo "not a serial device"
  elif [ ! -r "$dev" ] || [ ! -w "$dev" ]; then
    echo "permission denied — add your user to the dialout group (sudo adduser \$USER dialout, then log in again)"
  else
    # A program that has the port open holds a lock file named after it (LCK..ttyUSB0 for
    # /dev/ttyUSB0), whose first line is its process id.
    name=${dev#/dev/}
    name=${name//\//_}
    for dir in /var/lock /etc/locks /var/spool/locks /var/spool/uucp /tmp; do
      [ -f "$dir/LCK..$name" ] || continue
      pid=$(head -n 1 "$dir/LCK..$name" 2>/dev/null | tr -dc 0-9)
      if [ -n "$pid" ] && [ -d "/proc/$pid" ]; then
        echo "busy: another program has it open"
        return
      fi
    done
  fi
}

if [ -n "$device" ]; then
  problem=$(device_problem "$device")
  if [ -n "$problem" ]; then
    echo "run.sh: $device: $problem" >&2
    exit 1
  fi
  export ORVANE_COM1="$device"
  exec "$program"
fi

state_dir="${XDG_STATE_HOME:-$HOME/.local/state}/orvane-sim"
mkdir -p "$state_dir"
run_dir=$(mktemp -d "${XDG_RUNTIME_DIR:-/tmp}/orvane-run.XXXXXX")
link="$run_dir/ttySIM"
sim_pid=

stop_sim() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$run_dir"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

# shellcheck disable=SC2086  # ORVANE_SIM_ARGS is a list of options
"$sim" --link "$link" --state "$state_dir/state" ${ORVANE_SIM_ARGS:-} <&0 &
sim_pid=$!

for _ in $(seq 100); do
  [ -e "$link" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run.sh: orvane-sim did not start" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -e "$link" ]; then
  echo "run.sh: orvane-sim did not open its terminal" >&2
  exit 1
fi

echo "COM port 1 is the simulated receiver at $link (type 'silent on', 'noise on', 'unplug' here)"
ORVANE_COM1="$link" "$program"
