#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# orvane-config against a minimal Qt Widgets window, side by side in one run:
#   - time from exec until the window is first shown (median of several starts),
#   - peak memory (maximum resident set) over a run with the window up,
#   - CPU used while idle for IDLE_SECONDS with the port open and a heartbeat arriving every
#     second on a pseudo-terminal.
# The yardstick is minimal_window showing one line of text; the same window bare, rendering no
# text at all ("minimal --empty"), is listed for reference. Goals: shown within 1.5x the minimal
# window's time, peak memory within 1.2x, idle CPU under 0.1% of one core.
#
# Usage: bench/startup/run.sh [BUILD_DIR] [IDLE_SECONDS] [STARTS]
#   BUILD_DIR  a Release build holding orvane-config and minimal_window (default build/release)
# Runs on a private Xvfb server when Xvfb is installed and no display is set, else offscreen.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
idle=${2:-60}
starts=${3:-15}
program=$build/src/window/orvane-config
minimal=$build/bench/startup/minimal_window
for exe in "$program" "$minimal"; do
  [ -x "$exe" ] || { echo "missing $exe: build orvane-config and minimal_window first" >&2; exit 1; }
done

xvfb_pid=
xvfb_out=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_out" ]; then rm -f "$xvfb_out"; fi
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  # The server picks a free display number and writes it to descriptor 3 once it is ready.
  xvfb_out=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_out" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$xvfb_out" ] && break; sleep 0.1; done
  [ -s "$xvfb_out" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -n1 "$xvfb_out") QT_QPA_PLATFORM=xcb
elif [ -z "${DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
echo "platform: ${QT_QPA_PLATFORM:-default} ${DISPLAY:-}"

python3 - "$program" "$minimal" "$idle" "$starts" <<'PY'
import os, pty, select, statistics, subprocess, sys, threading, time, tty

program, minimal, idle, starts = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
commands = {"orvane-config": [program], "minimal": [minimal], "minimal --empty": [minimal, "--empty"]}

def crc16(data):  # CRC-16/XMODEM, as the receiver's frames carry it
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc

def heartbeat():
    body = bytes([0xFF, 0xFF, 0x34, 0x12, 4, 0, 0, 0, 0])  # type, sender, length, payload
    crc = crc16(body)
    return bytes([0x55]) + body + bytes([crc & 0xFF, crc >> 8])

def time_to_shown(command):
    env = dict(os.environ, ORVANE_EXIT_WHEN_SHOWN="1")
    start = time.monotonic_ns()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out, _ = proc.communicate(timeout=30)
    for line in out.decode().splitlines():
        if line.startswith("shown "):
            return (int(line.split()[1]) - start) / 1e6
    raise RuntimeError(f"{command} never reported its window shown")

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

# 1. Start-up, taking turns so that all see the same machine load; the first rounds warm the
#    page cache and the font cache.
shown = {name: [] for name in commands}
for round in range(2 + starts):
    for name, command in commands.items():
        elapsed = time_to_shown(command)
        if round >= 2:
            shown[name].append(elapsed)

# 2. Idle, all side by side. A pseudo-terminal stands in for the receiver and sends a heartbeat
#    every second; the program opens it as COM port 1 on its first watchdog tick.
master, slave = pty.openpty()
tty.setraw(slave)
device = os.ttyname(slave)
stop = threading.Event()
heard = [0]  # bytes the program sent: a baud-rate search would mean it missed the heartbeats
def receiver():
    frame, due = heartbeat(), time.monotonic()
    while not stop.is_set():
        ready, _, _ = select.select([master], [], [], max(0.0, due - time.monotonic()))
        if ready:
            try:
                heard[0] += len(os.read(master, 4096))
            except OSError:
                pass
        if time.monotonic() >= due:
            os.write(master, frame)
            due += 1.0
threading.Thread(target=receiver, daemon=True).start()

env = dict(os.environ, ORVANE_COM1=device)
procs = {name: subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL) for name, command in commands.items()}
time.sleep(5.0)  # start-up done, port open, first heartbeats heard
fds = f"/proc/{procs['orvane-config'].pid}/fd"
port_open = any(os.path.realpath(f"{fds}/{fd}") == device for fd in os.listdir(fds))
before = {name: cpu_seconds(p.pid) for name, p in procs.items()}
t0 = time.monotonic()
time.sleep(idle)
elapsed = time.monotonic() - t0
cpu = {name: (cpu_seconds(p.pid) - before[name]) / elapsed * 100 for name, p in procs.items()}
peak = {}
for name, p in procs.items():
    p.terminate()
    _, _, usage = os.wait4(p.pid, 0)
    peak[name] = usage.ru_maxrss / 1024  # MiB, over the whole run
stop.set()

# 3. Report.
med = {name: statistics.median(v) for name, v in shown.items()}
print(f"port open on {device}: {'yes' if port_open else 'NO'}; a heartbeat every second; "
      f"bytes the program sent: {heard[0]}; idle {elapsed:.0f} s; {starts} starts each")
print(f"{'':17}{'shown median ms':>16}{'min..max ms':>16}{'peak RSS MiB':>14}{'idle CPU %':>12}")
for name in commands:
    spread = f"{min(shown[name]):.1f}..{max(shown[name]):.1f}"
    print(f"{name:17}{med[name]:16.1f}{spread:>16}{peak[name]:14.1f}{cpu[name]:12.3f}")
for what, ratio, goal in [("shown", med["orvane-config"] / med["minimal"], 1.5),
                          ("peak memory", peak["orvane-config"] / peak["minimal"], 1.2)]:
    print(f"{what}: {ratio:.2f}x the minimal window (goal <= {goal}x): "
          f"{'met' if ratio <= goal else 'MISSED'}")
print(f"idle CPU: {cpu['orvane-config']:.3f}% of a core (goal < 0.1%): "
      f"{'met' if cpu['orvane-config'] < 0.1 else 'MISSED'}")
PY
