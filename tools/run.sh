#!/usr/bin/env bash
# Starts the program from a build tree. Usage: tools/run.sh BUILD_DIR [DEVICE]
set -euo pipefail
build=${1:?build directory}
device=${2:-}
if [ -n "$device" ]; then
  export ORVANE_COM1="$device"
fi
exec "$build/src/window/orvane-config"
