#!/usr/bin/env bash
# Starts orvane-config from a build tree.
#
#   tools/run.sh BUILD_DIR           with a simulated receiver: starts orvane-sim, maps COM port 1
#                                    to its terminal, and stops it when the window closes
#   tools/run.sh BUILD_DIR DEVICE    with a real receiver: COM port 1 is DEVICE, no simulator
#
# ORVANE_SIM_ARGS passes options to the simulator, e.g. ORVANE_SIM_ARGS="--baud 9600 --log".
# The simulated receiver keeps its settings in ${XDG_STATE_HOME:-~/.local/state}/orvane-sim.
set -euo pipefail

build=${1:?usage: tools/run.sh BUILD_DIR [DEVICE]}
device=${2:-}
program="$build/src/window/orvane-config"
sim="$build/tools/orvane-sim"

if [ -n "$device" ]; then
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
