#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A log four times larger than the memory the viewer may use: the real viewer
# runs in a memory cgroup of LIMIT_MB on a virtual X display with a CP932 log of
# LOG_MB, and is driven with xdotool: Ctrl+End shows the last line, 折返し,
# a range 置換 through the dialog, a typed text at the end, 上書き保存. Checks
# the saved bytes, that the viewer is still running and that the kernel's
# out-of-memory killer ended nothing in the cgroup.
#
#   big_log_cgroup_e2e.sh VIEWER ARTIFACTS [LOG_MB=400] [LIMIT_MB=100]
#
# Exit 0: passed, 1: failed (the failing step is named), 77: skipped (a tool is
# missing, no memory cgroup can be made here, or too little free disk).
# Nothing is left running and the cgroup is removed on exit.
set -uo pipefail

viewer="$1"
artifacts="$2"
log_mb="${3:-400}"
limit_mb="${4:-100}"

here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
need_tools Xvfb xdotool openbox xprop xwininfo import convert python3

root="$(mktemp -d "${TMPDIR:-/tmp}/soramie-cgroup-e2e.XXXXXX")"
app="$root/app"
work="$root/work"
mkdir -p "$app" "$work" "$artifacts"
rm -f "$artifacts"/*.png

# The log, the expected file, a command's output file and the save: about four
# times the log.
free_mb=$(($(df -Pk "$root" | awk 'NR == 2 { print $4 }') / 1024))
if [ "$free_mb" -lt $((log_mb * 4 + 200)) ]; then
  echo "SKIP: $free_mb MB free in $root, $((log_mb * 4 + 200)) MB needed"
  exit 77
fi
if ! make_memory_cgroup "soramie-e2e-$$" $((limit_mb * 1024 * 1024)); then
  echo "SKIP: no memory cgroup for the viewer: $cgroup_reason"
  exit 77
fi
start_watchdog 110

step "write a $log_mb MB CP932 log"
marker="END"
python3 "$here/make_big_log.py" "$work/big.txt" "$root/big.expected" "$log_mb" "$marker" || fail "cannot write the log"
expected_size="$(stat -c %s "$root/big.expected")"
last_line="$(tail -c 40 "$work/big.txt" | tr -d '\r' | tail -n1 | iconv -f CP932 -t UTF-8)"

start_display
cp "$viewer" "$app/soramie" || fail "cannot copy the viewer"
printf '[main]\r\nlog = %s\r\n' "$work" >"$app/soramie.ini"

step "start the viewer in a $limit_mb MB memory cgroup with the log"
(cd "$work" && exec_in_cgroup "$app/soramie" big.txt) >"$root/viewer.log" 2>&1 &
viewer_pid=$!
pids+=("$viewer_pid")
window_wait=60
main="$(wait_window "SORAMIE( - .* -)?" "$viewer_pid")" || exit 1
activate "$main"
shot "$main" big-01-start
find_controls "$artifacts/big-01-start.png"
window_wait=30

# alive: the viewer still runs and the kernel killed nothing in the cgroup.
alive() {
  kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended (out-of-memory kills in the cgroup: $(cgroup_oom_kills))"
  [ "$(cgroup_oom_kills)" = "0" ] || [ -z "$(cgroup_oom_kills)" ] || fail "the kernel killed $(cgroup_oom_kills) process(es)"
}
# pane_darkness SCREENSHOT: the mean darkness (0..65535) of the text pane in a
# screenshot of the main window: the lines of black squares at the end of the
# log are far darker than its text lines.
pane_darkness() {
  convert "$1" -crop 500x300+180+$((menu_h + 100)) +repage -colorspace Gray -format '%[fx:int(65535*(1-mean))]' info:
}

step "Ctrl+End shows the last line '$last_line'"
top_dark="$(pane_darkness "$artifacts/big-01-start.png")"
click "$main" 400 $((menu_h + 200)) # the keys go to the text pane
keys "$main" ctrl+End
shown_end() {
  shot "$main" big-02-end
  [ "$(pane_darkness "$artifacts/big-02-end.png")" -gt $((top_dark * 3 + 3000)) ]
}
wait_for 30 shown_end || fail "the end of the log is not shown (darkness $top_dark at the top," \
  "$(pane_darkness "$artifacts/big-02-end.png") after Ctrl+End)"
alive

step "wrap with 折返し"
click "$main" "$wrap_x" "$button_y"

step "replace the range [ .. ] with *** in the replace dialog"
keys "$main" ctrl+r
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
replace_range "$replace" '[' ']' '***'
keys "$question" Return
result="$(wait_window 置換結果 "$viewer_pid")" || exit 1
shot "$result" big-03-replace-result
keys "$result" Return
wait_gone "$result"
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
keys "$replace" alt+F4
wait_gone "$replace"
alive

step "type '$marker' after the last line and save with Ctrl+S"
keys "$main" ctrl+End
xdotool type --delay 50 "$marker"
keys "$main" ctrl+s
saved() { [ "$(stat -c %s "$work/big.txt")" = "$expected_size" ] && same_bytes "$work/big.txt" "$root/big.expected"; }
wait_for 90 saved || fail "big.txt does not hold the wrapped, replaced, typed text" \
  "(size $(stat -c %s "$work/big.txt"), expected $expected_size; first difference: $(cmp "$work/big.txt" "$root/big.expected" 2>&1))"
shot "$main" big-04-saved
alive

echo "memory of the cgroup: limit $limit_mb MB, peak $(($(cgroup_peak || echo 0) / 1048576)) MB," \
  "limit reached $(cgroup_failcnt) times, out-of-memory kills $(cgroup_oom_kills)"
echo "PASSED (screenshots in $artifacts)"
