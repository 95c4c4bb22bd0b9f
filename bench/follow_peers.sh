#!/bin/sh
# SPDX-License-Identifier: MIT
# Following a growing log, SORAMIE against peer viewers in one run:
#   bench/follow_peers.sh BUILD_DIR [WORK_DIR]
# Write -> screen latency (p50/p99/max) at each rate of RATES (default "100 10000") for
# DURATION s (default 60) appended to a SIZE_MB (default 1024) MB log, and the idle CPU of
# each viewer over IDLE s (default 10): follow_bench (SORAMIE in process), SORAMIE's and
# glogg's X windows on a private Xvfb, tail -F through a pipe, tail -F, less +F and lnav in
# tmux read every 10 ms. How each screen is read: bench/follow_peers.py. Installs tmux,
# Xvfb, openbox, xdotool and python3-xlib when missing; glogg and lnav too with
# INSTALL_PEERS=1 (else they are measured when installed). Prints a Markdown table.
# BUILD_DIR is a build with benchmarks (the release or ci preset).
set -eu
build=${1:?usage: $0 BUILD_DIR [WORK_DIR]}
work=${2:-/tmp/follow-peers}
here=$(dirname "$0")
bash -c '. "$1/scripts/lib.sh" && ensure_packages tmux less xvfb openbox xdotool python3-xlib' _ "$here/.."
if [ "${INSTALL_PEERS:-0}" = 1 ]; then
  bash -c '. "$1/scripts/lib.sh" && ensure_packages glogg lnav' _ "$here/.."
fi
# The system's Python: the Debian package python3-xlib is for it.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" "$here/follow_peers.py" "$build" "$work"
