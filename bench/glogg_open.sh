#!/bin/sh
# SPDX-License-Identifier: MIT
# How long glogg takes to open and index a file: bench/glogg_open.sh FILE
# Starts glogg on FILE (under the current DISPLAY, or a private Xvfb) and polls
# its CPU time every 10 ms; indexing is over when the CPU time has not grown for
# 0.5 s. Prints "glogg_index_s S" (from the start to the last growth) and
# "glogg_peak_rss_kib K". glogg runs with a fresh settings folder.
set -eu
file=${1:?usage: $0 FILE}
command -v glogg > /dev/null || { echo "glogg is not installed" >&2; exit 77; }
tmp=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2> /dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2> /dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:97
  sleep 1
fi
export HOME="$tmp" XDG_CONFIG_HOME="$tmp"
start=$(date +%s.%N)
glogg -m "$file" > /dev/null 2>&1 &
pid=$!
# cpu PID: user + system ticks of the process.
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
last=0
last_change=$start
while kill -0 "$pid" 2> /dev/null; do
  now=$(date +%s.%N)
  c=$(cpu "$pid")
  if [ "$c" != "$last" ]; then
    last=$c
    last_change=$now
  elif awk -v n="$now" -v l="$last_change" 'BEGIN { exit !(n - l > 0.5) }'; then
    break
  fi
  sleep 0.01
done
rss=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
awk -v s="$start" -v e="$last_change" 'BEGIN { printf "glogg_index_s %.3f\n", e - s }'
echo "glogg_peak_rss_kib $rss"
