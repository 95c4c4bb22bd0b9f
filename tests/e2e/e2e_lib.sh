# SPDX-License-Identifier: MIT
# Helpers shared by the scripts that drive the real viewer on a virtual X display
# (Xvfb + openbox) with xdotool. Sourced, not run. The caller sets `root` (a
# private temporary folder, removed on exit) and `artifacts` (where screenshots
# go) before calling anything here.
#
# Every process started through these helpers is recorded in `pids` and ended
# by its id on exit, newest first; functions named in `exit_hooks` run after
# that, before `root` is removed.

pids=()
exit_hooks=()
cleanup() {
  local pid hook
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid="${pids[i]}"
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  for hook in "${exit_hooks[@]}"; do "$hook"; done
  [ -n "${root:-}" ] && rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

# need_tools TOOL...: exits 77 (skipped) naming the first tool that is missing.
need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed (scripts/test installs it)"
      exit 77
    fi
  done
}

# start_watchdog SECONDS: ends the run (and so everything it started) after
# SECONDS, to stay within CTest's limit.
start_watchdog() {
  local limit="$1"
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$limit" &
    nap=$!
    wait "$nap" && echo "the run ran out of time" >&2 && kill -TERM $$
  ) &
  pids+=($!)
}

current="start"
step() { current="$*"; echo "-- $current"; }
fail() {
  echo "FAILED at step '$current': $*" >&2
  [ -n "${cgroup:-}" ] && echo "memory cgroup: peak $(cgroup_peak) bytes, out-of-memory kills $(cgroup_oom_kills)" >&2
  [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/failure.png" 2>/dev/null
  [ -s "$root/viewer.log" ] && { echo "viewer output:"; cat "$root/viewer.log"; } >&2
  [ -s "$root/openbox.log" ] && { echo "openbox output:"; cat "$root/openbox.log"; } >&2
  exit 1
}

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds.
wait_for() {
  local limit=$(($1 * 20))
  shift
  for ((n = 0; n < limit; n++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# window NAME [PID]: the id of a visible window whose whole name is NAME.
window() {
  local args=(--onlyvisible --name "^$1\$")
  [ -n "${2:-}" ] && args=(--all --pid "$2" "${args[@]}")
  xdotool search "${args[@]}" 2>/dev/null | head -n1
}
has_window() { [ -n "$(window "$@")" ]; }
# wait_window NAME [PID]: waits up to `window_wait` seconds (default 10) for it.
wait_window() {
  wait_for "${window_wait:-10}" has_window "$@" || fail "no window '$1' appeared"
  window "$@"
}
wait_gone() {
  local id="$1"
  gone() { ! xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; }
  wait_for 10 gone || fail "window $id did not go away"
}

shot() { import -window "$1" "$artifacts/$2.png" || fail "no screenshot $2"; }
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" 2>/dev/null; }
# click WINDOW X Y: a left click at window coordinates.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
keys() {
  local w="$1"
  shift
  activate "$w"
  xdotool key --clearmodifiers "$@"
}

# same_bytes FILE EXPECTED: the file holds exactly the expected bytes.
same_bytes() { cmp -s "$1" "$2"; }

# start_display: a virtual display and a window manager; exports DISPLAY and a
# private HOME under `root`.
start_display() {
  step "start the virtual display"
  mkdir -p "$root/run" "$root/home"
  chmod 700 "$root/run"
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$root/display" 2>/dev/null &
  pids+=($!)
  wait_for 10 test -s "$root/display" || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$root/display")"
  export HOME="$root/home" XDG_RUNTIME_DIR="$root/run" XDG_CONFIG_HOME="$root/home/.config"
  unset QT_QPA_PLATFORM SESSION_MANAGER

  step "start the window manager"
  openbox --sm-disable >"$root/openbox.log" 2>&1 &
  pids+=($!)
  wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
}

# find_controls SCREENSHOT: sets menu_h and the positions of the main window's
# controls (pixels of the window) from a screenshot of it. The client area
# begins below the menu bar: the first row that differs from the menu bar's
# background, plus its border line.
find_controls() {
  menu_h="$(convert "$1" -crop 1x80+3+0 +repage -depth 8 txt:- |
    awk 'NR == 2 { bg = $3 } NR > 2 && $3 != bg { print NR - 2 + 1; exit }')"
  [ -n "$menu_h" ] && [ "$menu_h" -ge 10 ] && [ "$menu_h" -le 40 ] || fail "cannot find the menu bar (got '$menu_h')"
  # Controls in pixels of the client area (15 twips a pixel).
  file_row0_y=$((menu_h + 208)) # file list at 3000 twips, first row
  button_y=$((menu_h + 20))     # the picture buttons, 605 twips high
  show_x=187                    # display button "表示" at 2480 twips
  wrap_x=283                    # wrap button "折返し" at 3920 twips
}

# ---- a memory cgroup for the viewer ---------------------------------------------
# make_memory_cgroup NAME LIMIT_BYTES: creates a memory cgroup NAME below the
# caller's own (cgroup v1 memory controller, or v2 with memory delegated),
# limited to LIMIT_BYTES without swap, and removes it on exit. Sets `cgroup`
# (its folder) and `cgroup_version`; returns 1 with `cgroup_reason` set where
# none can be made (not root, no memory controller, not delegated).
make_memory_cgroup() {
  local name="$1" limit="$2" own
  cgroup="" cgroup_version=""
  if [ "$(id -u)" -ne 0 ]; then
    cgroup_reason="not root"
    return 1
  fi
  if [ -f /sys/fs/cgroup/memory/memory.limit_in_bytes ]; then
    own="$(awk -F: '$2 ~ /(^|,)memory(,|$)/ { print $3; exit }' /proc/self/cgroup)"
    cgroup="/sys/fs/cgroup/memory${own%/}/$name"
    cgroup_version=1
  elif grep -qw memory /sys/fs/cgroup/cgroup.controllers 2>/dev/null; then
    own="$(awk -F: '$1 == "0" { print $3; exit }' /proc/self/cgroup)"
    cgroup="/sys/fs/cgroup${own%/}/$name"
    cgroup_version=2
  else
    cgroup_reason="no cgroup memory controller under /sys/fs/cgroup"
    return 1
  fi
  if ! mkdir "$cgroup" 2>/dev/null; then
    cgroup_reason="cannot create $cgroup"
    cgroup=""
    return 1
  fi
  exit_hooks+=(remove_memory_cgroup)
  if [ "$cgroup_version" = 1 ]; then
    echo "$limit" >"$cgroup/memory.limit_in_bytes" &&
      { [ ! -f "$cgroup/memory.memsw.limit_in_bytes" ] || echo "$limit" >"$cgroup/memory.memsw.limit_in_bytes"; }
  else
    [ -f "$cgroup/memory.max" ] && echo "$limit" >"$cgroup/memory.max" && echo 0 >"$cgroup/memory.swap.max" 2>/dev/null
    [ -f "$cgroup/memory.max" ] && [ "$(cat "$cgroup/memory.max")" = "$limit" ]
  fi || {
    cgroup_reason="cannot limit the memory of $cgroup (memory not delegated to it?)"
    return 1
  }
}
# (The kernel may refuse the removal for a moment after the last member ended.)
remove_memory_cgroup() {
  [ -n "$cgroup" ] && [ -d "$cgroup" ] || return 0
  wait_for 5 rmdir "$cgroup" || echo "cannot remove $cgroup" >&2
}

# exec_in_cgroup COMMAND...: replaces the calling (sub)shell with COMMAND, a
# member of `cgroup` from its first allocation on (a shell moves itself in,
# then becomes the command), so the shell's pid is the command's.
exec_in_cgroup() { exec sh -c 'echo $$ >"$0/cgroup.procs" && exec "$@"' "$cgroup" "$@"; }

# cgroup_peak, cgroup_failcnt, cgroup_oom_kills: the cgroup's peak usage in
# bytes (empty where the kernel does not keep it), how often it reached its
# limit (v1; v2: "max" events), and how many of its processes the kernel's
# out-of-memory killer ended.
cgroup_peak() {
  if [ "$cgroup_version" = 1 ]; then cat "$cgroup/memory.max_usage_in_bytes"; else cat "$cgroup/memory.peak" 2>/dev/null; fi
}
cgroup_failcnt() {
  if [ "$cgroup_version" = 1 ]; then cat "$cgroup/memory.failcnt"; else awk '$1 == "max" { print $2 }' "$cgroup/memory.events"; fi
}
cgroup_oom_kills() {
  local file="$cgroup/memory.events"
  [ "$cgroup_version" = 1 ] && file="$cgroup/memory.oom_control"
  awk '$1 == "oom_kill" { print $2 }' "$file"
}

# replace_range WINDOW START END WITH: fills the replace dialog and runs it,
# answers the question "置換しますか？" with Return and leaves `question` set
# to its window. The result box is left to the caller.
replace_range() {
  local dialog="$1" w
  activate "$dialog"
  click "$dialog" 140 42 && xdotool type --delay 30 "$2"
  click "$dialog" 300 42 && xdotool type --delay 30 "$3"
  click "$dialog" 140 66 && xdotool type --delay 30 "$4"
  click "$dialog" 48 18
  wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --name '^置換\$' | wc -l) -ge 2 ]" || fail "no question '置換しますか？'"
  # The question is the window named 置換 that belongs to another (the dialog
  # itself may have a new native window by now: it left the always-on-top state).
  question=""
  for w in $(xdotool search --onlyvisible --name '^置換$'); do
    xprop -id "$w" WM_TRANSIENT_FOR | grep -q 'window id' && question="$w"
  done
  [ -n "$question" ] || fail "no question '置換しますか？'"
}
