#!/bin/sh
# SPDX-License-Identifier: MIT
# How long a program takes from its start until it has opened a file and gone
# idle, as the user runs it: bench/open_until_idle.sh FILE PROGRAM [ARGS...]
# Runs PROGRAM ARGS FILE under the current DISPLAY (or a private Xvfb) with a
# fresh HOME and runtime folder, polls its CPU time every 10 ms, and calls it
# idle once the CPU time has not grown for 0.5 s. Prints "idle_s S" (start to
# the last growth), "peak_rss_kib K" and "peak_anon_kib K" (the most private,
# anonymous memory seen while polling).
set -eu
file=${1:?usage: $0 FILE PROGRAM [ARGS...]}
shift
[ $# -gt 0 ] || { echo "usage: $0 FILE PROGRAM [ARGS...]" >&2; exit 2; }
command -v "$1" > /dev/null || { echo "$1 is not installed" >&2; exit 77; }
tmp=$(mktemp -d)
pid=
xvfb=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2> /dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2> /dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + $$ % 9))
  Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb=$!
  export DISPLAY="$display"
  i=0
  until xdpyinfo > /dev/null 2>&1 || [ $i -ge 100 ]; do sleep 0.05; i=$((i + 1)); done
fi
mkdir -m 700 "$tmp/run"
export HOME="$tmp" XDG_CONFIG_HOME="$tmp" XDG_RUNTIME_DIR="$tmp/run"
start=$(date +%s.%N)
"$@" "$file" > /dev/null 2>&1 &
pid=$!
# cpu PID: user + system ticks of the process.
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
last=-1
last_change=$start
anon=0
while kill -0 "$pid" 2> /dev/null; do
  now=$(date +%s.%N)
  c=$(cpu "$pid")
  a=$(awk '/RssAnon/ { print $2 }' "/proc/$pid/status")
  [ "${a:-0}" -gt "$anon" ] && anon=$a
  if [ "$c" != "$last" ]; then
    last=$c
    last_change=$now
  elif awk -v n="$now" -v l="$last_change" 'BEGIN { exit !(n - l > 0.5) }'; then
    break
  fi
  sleep 0.01
done
rss=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
awk -v s="$start" -v e="$last_change" 'BEGIN { printf "idle_s %.3f\n", e - s }'
echo "peak_rss_kib $rss"
echo "peak_anon_kib $anon"
