#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End-to-end test of the real viewer on a virtual X display, driven with xdotool
# as a person would drive it: start it with a file, pick another file, show it,
# wrap it, replace a range (its question above the always-on-top search
# dialog), save, export HTML, open the dialogs, a settings save that resizes the
# window and then warns, hand a file over from a second start, minimise and
# restore, quit through "終了". Checks the files on disk and the stacking order,
# and saves a screenshot of the main window and of each dialog.
#
#   viewer_e2e.sh VIEWER README ARTIFACTS
#
# Exit 0: passed, 1: failed (the failing step is named), 77: skipped because a
# tool is missing. Nothing is left running: every process started here is ended
# by its id on exit.
set -uo pipefail

viewer="$1"
readme="$2"
artifacts="$3"

here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
need_tools Xvfb xdotool openbox xprop xwininfo import convert

root="$(mktemp -d /tmp/soramie-e2e.XXXXXX)"
app="$root/app"
work="$root/work"
mkdir -p "$app" "$work" "$artifacts"
rm -f "$artifacts"/*.png
start_watchdog 100

# stacked_above A B: the window manager stacks window A above window B.
stacked_above() {
  local order i=0 a=-1 b=-1 w
  order="$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/ /g')"
  for w in $order; do
    [ $((w)) -eq "$1" ] && a=$i
    [ $((w)) -eq "$2" ] && b=$i
    i=$((i + 1))
  done
  [ "$b" -ge 0 ] && [ "$a" -gt "$b" ]
}
# geometry WINDOW: "x y width height" of the window on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}'
}

# ---- the display, a window manager, the viewer in a portable folder -----------

start_display

# CP932 bytes: 開始 8A4A 8E6E, 終了 8F49 97B9, あ 82A0.
aa() { local i; for ((i = 0; i < $1; i++)); do printf '\x82\xa0'; done; }
{ printf '\x8a\x4a\x8e\x6e[secret]\x8f\x49\x97\xb9\r\n'; aa 60; printf '\r\n'; } >"$work/a.txt"
printf '%0150d' 0 | tr 0 x >"$work/b.txt"
cp "$work/b.txt" "$work/c.txt"
# b.txt and c.txt wrapped at 100 bytes and saved.
{ printf '%0100d' 0 | tr 0 x; printf '\r\n'; printf '%050d' 0 | tr 0 x; } >"$root/x.expected"
cp "$viewer" "$app/soramie"
cp "$readme" "$app/readme.txt"
printf '[main]\r\nlog = %s\r\n' "$work" >"$app/soramie.ini"

step "start the viewer with a file: soramie work/b.txt"
(cd "$root" && exec "$app/soramie" work/b.txt) >"$root/viewer.log" 2>&1 &
viewer_pid=$!
pids+=("$viewer_pid")
main="$(wait_window "SORAMIE( - .* -)?" "$viewer_pid")" || exit 1
activate "$main"
shot "$main" 01-main

find_controls "$artifacts/01-main.png"

# ---- show, wrap, replace, save, export ------------------------------------------

step "the file from the command line is shown: wrap and save it"
click "$main" "$wrap_x" "$button_y"
keys "$main" ctrl+s
wait_for 10 same_bytes "$work/b.txt" "$root/x.expected" ||
  fail "the viewer did not show b.txt at start-up (b.txt: $(head -c 120 "$work/b.txt"))"

step "pick a.txt in the file list and press 表示"
click "$main" 20 "$file_row0_y"
click "$main" "$show_x" "$button_y"
shot "$main" 02-shown

step "wrap with 折返し"
click "$main" "$wrap_x" "$button_y"

step "open the search dialog, which stays on top"
keys "$main" ctrl+f
search="$(wait_window 検索 "$viewer_pid")" || exit 1

step "replace the range [ .. ] with *** in the replace dialog"
keys "$main" ctrl+r
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
activate "$replace"
shot "$replace" 03-replace
replace_range "$replace" '[' ']' '***'
shot "$question" 04-replace-question
stacked_above "$question" "$search" || fail "the question '置換しますか？' is stacked under the search dialog"
keys "$question" Return
result="$(wait_window 置換結果 "$viewer_pid")" || exit 1
shot "$result" 05-replace-result
keys "$result" Return
wait_gone "$result"
# The dialog leaves and retakes the always-on-top state around its boxes,
# which gives it a new native window.
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
keys "$replace" alt+F4
wait_gone "$replace"

step "save with Ctrl+S: the wrapped, replaced text in CP932"
{ printf '\x8a\x4a\x8e\x6e***\x8f\x49\x97\xb9\r\n'; aa 50; printf '\r\n'; aa 10; printf '\r\n'; } >"$root/a.expected"
keys "$main" ctrl+s
wait_for 10 same_bytes "$work/a.txt" "$root/a.expected" ||
  fail "a.txt does not hold the saved text: $(od -c "$work/a.txt" | head -n3)"

step "export HTML with Ctrl+H: a.txt.html from the saved file"
{
  printf '<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n'
  printf '\x8a\x4a\x8e\x6e***\x8f\x49\x97\xb9<BR>\r\n'; aa 50; printf '<BR>\r\n'; aa 10; printf '<BR>\r\n<BR>\r\n'
  printf '</BODY>\r\n</HTML>'
} >"$root/html.expected"
keys "$main" ctrl+h
wait_for 10 same_bytes "$work/a.txt.html" "$root/html.expected" ||
  fail "a.txt.html is not the expected page: $(head -c 200 "$work/a.txt.html" 2>&1 | od -c | head -n3)"
shot "$main" 06-exported

# ---- the other dialogs ----------------------------------------------------------------

step "settings dialog with Ctrl+E, beside the main window"
keys "$main" ctrl+e
settings="$(wait_window 設定 "$viewer_pid")" || exit 1
shot "$settings" 07-settings
read -r mx my mw mh <<<"$(geometry "$main")"
read -r sx sy sw _ <<<"$(geometry "$settings")"
{ [ $((sx + sw / 2)) -gt $((mx + mw * 3 / 4)) ] || [ $((sx + sw / 2)) -lt $((mx + mw / 4)) ]; } &&
  [ "$sy" -ge $((my - 40)) ] && [ "$sy" -lt $((my + mh)) ] ||
  fail "the settings dialog is not beside the main window (dialog $sx,$sy width $sw; main $mx,$my ${mw}x$mh)"

step "a save that resizes the main window and then warns: the viewer survives"
activate "$settings"
xdotool key Home shift+End && xdotool type 8000   # 高さ
xdotool key Tab Home shift+End && xdotool type 5  # 折返し文字数, refused
click "$settings" 100 258                         # OK
warning="$(wait_window 警告 "$viewer_pid")" || exit 1
keys "$warning" Return
wait_gone "$warning"
wait_gone "$settings"
kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended after the warning"
read -r _ _ _ mh <<<"$(geometry "$main")"
[ "$mh" -gt 550 ] || fail "the main window did not grow for the pane height 8000 (height $mh)"

step "search dialog with Ctrl+F (the resize has closed it)"
keys "$main" ctrl+f
search="$(wait_window 検索 "$viewer_pid")" || exit 1
shot "$search" 08-search

step "a box of the search dialog's file menu stands above the dialog"
click "$search" 200 12 && xdotool type --delay 30 'xxx'
click "$search" 50 12
warning="$(wait_window 警告 "$viewer_pid")" || exit 1
keys "$warning" Return
wait_gone "$warning"
# (Around its boxes the dialog leaves the always-on-top state: a new native window.)
search="$(wait_window 検索 "$viewer_pid")" || exit 1
before="$(xdotool search --all --onlyvisible --pid "$viewer_pid" --name '' | wc -l)"
xdotool mousemove --window "$search" 60 32 click 3
wait_for 10 sh -c "[ \$(xdotool search --all --onlyvisible --pid $viewer_pid --name '' | wc -l) -gt $before ]" ||
  fail "no file menu over the search dialog"
xdotool key --delay 80 Up Return
question="$(wait_window 削除 "$viewer_pid")" || exit 1
search="$(window 検索 "$viewer_pid")"
shot "$question" 08-delete-question
stacked_above "$question" "$search" || fail "the question '削除しますか？' is stacked under the search dialog"
keys "$question" Escape
wait_gone "$question"
[ -f "$work/b.txt" ] || fail "b.txt was deleted although the answer was いいえ"
search="$(wait_window 検索 "$viewer_pid")" || exit 1
keys "$search" alt+F4
wait_gone "$search"

step "about dialog from ヘルプ > ﾊﾞｰｼﾞｮﾝ情報"
activate "$main"
click "$main" 30 $((menu_h / 2))
xdotool key --delay 80 Right Right Right Return
about="$(wait_window バージョン情報 "$viewer_pid")" || exit 1
shot "$about" 09-about
keys "$about" Return
wait_gone "$about"

# ---- a second start ---------------------------------------------------------------------

step "a second start with a file hands it to the running viewer"
(cd "$root" && exec "$app/soramie" work/c.txt) >>"$root/viewer.log" 2>&1 &
second=$!
pids+=("$second")
wait_for 10 sh -c "! kill -0 $second" || fail "the second start did not end"
wait "$second" || fail "the second start failed (exit $?)"
shot "$main" 10-handed-over
click "$main" "$wrap_x" "$button_y"
keys "$main" ctrl+s
wait_for 10 same_bytes "$work/c.txt" "$root/x.expected" ||
  fail "the running viewer did not show c.txt (c.txt: $(head -c 120 "$work/c.txt"))"

step "a second start without a file says 既に起動されています"
(cd "$root" && exec "$app/soramie") >>"$root/viewer.log" 2>&1 &
third=$!
pids+=("$third")
refusal="$(wait_window SORAMIE "$third")" || exit 1
shot "$refusal" 11-already-running
keys "$refusal" Return
wait_for 10 sh -c "! kill -0 $third" || fail "the refused start did not end"
wait "$third" || fail "the refused start failed (exit $?)"

# ---- minimise, restore, quit ----------------------------------------------------------------

step "minimise and restore the main window"
xdotool windowminimize --sync "$main" || fail "the window was not minimised"
activate "$main"
wait_for 10 sh -c "xwininfo -id $main | grep -q IsViewable" || fail "the window did not come back"
shot "$main" 12-restored

step "quit through ファイル > 終了"
activate "$main"
click "$main" 30 $((menu_h / 2))
xdotool key --delay 80 Up Return
wait_for 10 sh -c "! kill -0 $viewer_pid" || fail "the viewer did not end"
wait "$viewer_pid" || fail "the viewer ended with status $?"

step "no viewer is left running"
for pid in "${pids[@]:3}"; do
  kill -0 "$pid" 2>/dev/null && fail "process $pid is still running"
done
echo "PASSED (screenshots in $artifacts)"
