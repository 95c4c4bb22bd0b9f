#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A log far larger than the memory the viewer may use, driven as a person would:
#
#   bench/cgroup_big_log.sh VIEWER [LOG_MB=3000] [LIMIT_MB=512] [OUT=/tmp/soramie-cgroup-big]
#
# Writes a CP932 log of LOG_MB (tests/e2e/make_big_log.py, out of the page
# cache), runs the viewer in a memory cgroup of LIMIT_MB on a virtual display
# and drives it with xdotool: open, scroll, Ctrl+End, type, 上書き保存, 折返し,
# a range 置換, 上書き保存 (the saved bytes compared with the expected ones), a
# keyword search of the folder, HTMLに出力; then, under an unedited and an
# edited document, the file rewritten in place with the same length, replaced
# by a rename and cut short. Prints the time of each step, the cgroup's peak
# memory, how often it reached its limit and the out-of-memory kills; saves a
# screenshot of each step in OUT/shots. Needs root and a cgroup memory
# controller, and about 3 × LOG_MB of free disk in OUT.
set -uo pipefail

viewer="$(realpath "${1:?usage: $0 VIEWER [LOG_MB] [LIMIT_MB] [OUT]}")"
log_mb="${2:-3000}"
limit_mb="${3:-512}"
out="${4:-/tmp/soramie-cgroup-big}"
here="$(cd "$(dirname "$0")" && pwd)"
e2e="$here/../tests/e2e"
# shellcheck source=../tests/e2e/e2e_lib.sh
source "$e2e/e2e_lib.sh"
need_tools Xvfb xdotool openbox xprop xwininfo import convert python3

artifacts="$out/shots"
root="$(mktemp -d "$out.run.XXXXXX")"
app="$root/app"
work="$out/work"
mkdir -p "$app" "$work" "$artifacts"
rm -f "$artifacts"/*.png
make_memory_cgroup "soramie-bench-$$" $((limit_mb * 1024 * 1024)) || {
  echo "no memory cgroup: $cgroup_reason" >&2
  exit 1
}
start_watchdog 3000

log="$work/big.txt"
marker="END"
if [ ! -f "$out/big.orig" ] || [ "$(stat -c %s "$out/big.orig")" -lt $((log_mb * 1000000)) ]; then
  step "write a $log_mb MB CP932 log"
  python3 "$e2e/make_big_log.py" "$out/big.orig" "$out/big.expected" "$log_mb" "$marker" || fail "cannot write the log"
fi
step "copy the log out of the page cache"
rm -f "$work"/*
cp "$out/big.orig" "$log"
python3 -c 'import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.fsync(fd); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)' "$log"

start_display
cp "$viewer" "$app/soramie" || fail "cannot copy the viewer"
printf '[main]\r\nlog = %s\r\n' "$work" >"$app/soramie.ini"

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
figure() { printf '| %-58s | %s |\n' "$1" "$2" | tee -a "$out/figures.md"; }
: >"$out/figures.md"
inode() { stat -c %i "$log"; }
pane_darkness() {
  convert "$1" -crop 500x300+180+$((menu_h + 100)) +repage -colorspace Gray -format '%[fx:int(65535*(1-mean))]' info:
}
alive() { kill -0 "$viewer_pid" 2>/dev/null; }

# start_viewer: the viewer in the cgroup with the log; sets viewer_pid, main.
start_viewer() {
  (cd "$work" && exec_in_cgroup "$app/soramie" big.txt) >>"$root/viewer.log" 2>&1 &
  viewer_pid=$!
  pids+=("$viewer_pid")
  window_wait=60
  main="$(wait_window "SORAMIE( - .* -)?" "$viewer_pid")" || exit 1
  window_wait=300
  activate "$main"
}
stop_viewer() {
  kill "$viewer_pid" 2>/dev/null
  wait "$viewer_pid" 2>/dev/null
}
# idle_after LABEL START: waits until the viewer takes input again (the replace
# dialog opens once the running command is over), closes the dialog and
# records the time since START.
idle_after() {
  keys "$main" ctrl+r
  local d
  d="$(wait_window 置換 "$viewer_pid")" || exit 1
  figure "$1" "$(since "$2") s"
  keys "$d" alt+F4
  wait_gone "$d"
}
# saved_since INODE: the save has replaced the file (a new inode).
saved_since() { [ "$(inode)" != "$1" ]; }
# info_box SHOT: answers a box 情報 when one shows, after a screenshot.
info_box() { if has_window 情報 "$viewer_pid"; then answer_box 情報 "$1" Return; fi; }
# box_text: the title of each box the viewer shows now, for the record.
boxes() { xdotool search --all --onlyvisible --pid "$viewer_pid" --name '' 2>/dev/null | while read -r w; do xdotool getwindowname "$w"; done | sort -u | tr '\n' ',' ; }
# answer_box NAME SHOT KEY: screenshot of the box NAME, answered with KEY.
answer_box() {
  local b
  b="$(wait_window "$1" "$viewer_pid")" || exit 1
  shot "$b" "$2"
  keys "$b" "$3"
  wait_gone "$b"
}

# ---- open, scroll, the end, typing, saving -------------------------------------

step "open: the first screen"
t0="$(now)"
start_viewer
figure "open $log_mb MB: first window" "$(since "$t0") s"
shot "$main" 01-open
find_controls "$artifacts/01-open.png"
click "$main" 400 $((menu_h + 200))

step "scroll"
t0="$(now)"
xdotool key --delay 20 Page_Down Page_Down Page_Down Page_Down Page_Down
xdotool mousemove --window "$main" 400 $((menu_h + 200)) click --repeat 20 5
figure "scroll: 5 pages + 20 wheel steps" "$(since "$t0") s"
shot "$main" 02-scrolled

step "Ctrl+End shows the last line"
top_dark="$(pane_darkness "$artifacts/01-open.png")"
t0="$(now)"
keys "$main" ctrl+End
shown_end() {
  shot "$main" 03-end
  [ "$(pane_darkness "$artifacts/03-end.png")" -gt $((top_dark * 3 + 3000)) ]
}
wait_for 120 shown_end || fail "the end is not shown"
figure "Ctrl+End: last line shown" "$(since "$t0") s"

step "type '$marker' and save"
xdotool type --delay 50 "$marker"
before="$(inode)"
t0="$(now)"
keys "$main" ctrl+s
wait_for 600 saved_since "$before" || fail "the save did not replace the file"
figure "上書き保存 after typing (the file replaced)" "$(since "$t0") s"
shot "$main" 04-saved

step "wrap with 折返し"
# (A click on 折返し right after a save's rename can be lost: wait until idle.)
idle_after "after the save: the viewer takes input again" "$t0"
t0="$(now)"
click "$main" "$wrap_x" "$button_y"
idle_after "折返し" "$t0"
shot "$main" 05-wrapped
alive || fail "the viewer ended during the wrap"

step "replace the range [ .. ] with ***"
keys "$main" ctrl+r
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
replace_range "$replace" '[' ']' '***'
t0="$(now)"
keys "$question" Return
result="$(wait_window 置換結果 "$viewer_pid")" || exit 1
figure "range 置換 (every line)" "$(since "$t0") s"
shot "$result" 06-replace-result
keys "$result" Return
wait_gone "$result"
replace="$(wait_window 置換 "$viewer_pid")" || exit 1
keys "$replace" alt+F4
wait_gone "$replace"

step "save the wrapped, replaced text and compare the bytes"
before="$(inode)"
t0="$(now)"
keys "$main" ctrl+s
wait_for 900 saved_since "$before" || fail "the save did not replace the file"
figure "上書き保存 of the wrapped, replaced text" "$(since "$t0") s"
if cmp "$log" "$out/big.expected"; then
  figure "saved bytes" "as expected ($(stat -c %s "$log") bytes)"
else
  figure "saved bytes" "DIFFERENT: $(cmp "$log" "$out/big.expected" 2>&1 | head -c 200)"
fi
shot "$main" 07-saved

step "keyword search of the folder (検索(その他) > 文字列検索)"
keyword="$(tail -c 8 "$out/big.orig")"
keys "$main" ctrl+f
search="$(wait_window 検索 "$viewer_pid")" || exit 1
click "$search" 200 12 && xdotool type --delay 30 "$keyword"
click "$search" 50 12
# The search asks first whether to run it ("なるべくテキストファイルの少ないところで…"): はい.
answer_box 警告 08-search-question Return
t0="$(now)"
# listed: the hit list is enabled again (white, not the grey of a disabled
# list) and holds a line of text.
listed() {
  search="$(window 検索 "$viewer_pid")"
  [ -n "$search" ] && import -window "$search" "$root/search.png" &&
    convert "$root/search.png" -crop 320x70+8+30 +repage -colorspace Gray -format '%[fx:maxima] %[fx:mean]' info: |
    awk '{ exit !($1 > 0.99 && $2 > 0.5 && $2 < 0.995) }'
}
if wait_for 600 listed; then figure "keyword search of the folder for '$keyword': hit listed" "$(since "$t0") s"; else
  figure "keyword search of the folder for '$keyword'" "nothing listed after $(since "$t0") s"; fi
shot "$search" 08-search
keys "$search" alt+F4
wait_for 300 sh -c "! xwininfo -id $search 2>/dev/null | grep -q IsViewable" || fail "the search dialog did not close"

step "export HTML with Ctrl+H"
click "$main" 20 "$file_row0_y"
t0="$(now)"
keys "$main" ctrl+h
exported() { ! alive || [ -n "$(xdotool search --all --onlyvisible --pid "$viewer_pid" --name '^(エラー|警告)$')" ] ||
  { [ -f "$log.html" ] && [ "$(stat -c %s "$log.html")" -gt "$(stat -c %s "$log")" ]; }; }
wait_for 900 exported
sleep 2
if alive; then
  figure "HTMLに出力" "$(since "$t0") s; boxes: $(boxes); html $(stat -c %s "$log.html" 2>/dev/null || echo none) bytes"
  import -window root "$artifacts/09-export.png"
else
  figure "HTMLに出力" "the viewer ended after $(since "$t0") s (out-of-memory kills: $(cgroup_oom_kills))"
fi
rm -f "$log.html"
alive && stop_viewer

# ---- the file changed under the viewer ----------------------------------------------

# rewrite_top TEXT: the first MB of the log rewritten in place, same length.
rewrite_top() {
  python3 - "$log" "$1" <<'EOF'
import os, sys
path, text = sys.argv[1], sys.argv[2]
line = (text + " " + "-" * 60)[:60] + "\r\n"
block = (line * (1048576 // len(line) + 1)).encode("cp932")[:1048576]
fd = os.open(path, os.O_WRONLY)
os.pwrite(fd, block, 0)
os.close(fd)
EOF
}
# try_save LABEL SHOT: 上書き保存 under a changed file; records the boxes and
# answers a refusal (エラー).
try_save() {
  keys "$main" ctrl+s
  sleep 5
  import -window root "$artifacts/$2.png"
  figure "$1, 上書き保存: boxes" "$(boxes)"
  if has_window エラー "$viewer_pid"; then answer_box エラー "$2-refused" Return; fi
}
# make_other: work/other.txt, a 1 MB log unlike big.txt, for a rename over it.
make_other() {
  python3 "$e2e/make_big_log.py" "$work/other.txt" "$root/other.expected" 1 "" && sed -i 's/secret/OTHER!/' "$work/other.txt"
}
top_view() {
  keys "$main" ctrl+End
  sleep 1
  keys "$main" ctrl+Home
  sleep 2
}

step "unedited: rewritten in place, same length"
start_viewer
click "$main" 400 $((menu_h + 200))
rewrite_top "REWRITTEN-1"
keys "$main" ctrl+End
sleep 1
keys "$main" ctrl+Home
sleep 0.3
shot "$main" 10-unedited-rewritten
sleep 3
shot "$main" 10-unedited-rewritten-later
figure "unedited, rewritten in place: boxes" "$(boxes)"

step "edited: rewritten in place, same length; then a save"
keys "$main" ctrl+Home
xdotool type --delay 50 "TYPED"
rewrite_top "REWRITTEN-2"
top_view
import -window root "$artifacts/11-edited-rewritten.png"
figure "edited, rewritten in place: boxes" "$(boxes)"
has_window 警告 "$viewer_pid" && answer_box 警告 11-edited-rewritten-box Return
before="$(md5sum <"$log")"
try_save "edited, rewritten in place" 12-edited-rewritten-save
[ "$(md5sum <"$log")" = "$before" ] && figure "file after the refused save" "unchanged" ||
  figure "file after the save" "CHANGED"
shot "$main" 13-edited-kept
stop_viewer

step "unedited: replaced by a rename"
ln -f "$log" "$out/big.keep"
make_other
start_viewer
click "$main" 400 $((menu_h + 200))
mv "$work/other.txt" "$log"
top_view
shot "$main" 14-unedited-renamed
figure "unedited, replaced by rename: boxes" "$(boxes)"
info_box 14-unedited-renamed-box

step "edited: replaced by a rename; then a save"
ln -f "$out/big.keep" "$log"
stop_viewer
start_viewer
click "$main" 400 $((menu_h + 200))
xdotool type --delay 50 "TYPED"
make_other
cp "$work/other.txt" "$root/other.bytes"
mv "$work/other.txt" "$log"
top_view
figure "edited, replaced by rename: boxes" "$(boxes)"
info_box 15-edited-renamed-box
keys "$main" ctrl+s
sleep 3
import -window root "$artifacts/15-edited-renamed-save.png"
figure "edited, replaced by rename, 上書き保存: boxes" "$(boxes)"
has_window 警告 "$viewer_pid" && answer_box 警告 15-overwrite-question Escape
cmp -s "$log" "$root/other.bytes" && figure "file after いいえ" "the renamed file, unchanged" ||
  figure "file after いいえ" "CHANGED"
stop_viewer
ln -f "$out/big.keep" "$log"
rm -f "$out/big.keep"

step "edited: cut short; then a save"
start_viewer
click "$main" 400 $((menu_h + 200))
xdotool type --delay 50 "TYPED"
truncate -s $((log_mb * 1000000 / 2 + 1)) "$log"
top_view
keys "$main" ctrl+End
sleep 3
import -window root "$artifacts/16-edited-truncated.png"
figure "edited, cut short: boxes" "$(boxes)"
has_window 警告 "$viewer_pid" && answer_box 警告 16-edited-truncated-box Return
info_box 16-edited-truncated-info
has_window 警告 "$viewer_pid" && answer_box 警告 16-edited-truncated-box2 Return
size="$(stat -c %s "$log")"
try_save "edited, cut short" 17-edited-truncated-save
[ "$(stat -c %s "$log")" = "$size" ] && figure "file after the save" "unchanged size $size" ||
  figure "file after the save" "size $(stat -c %s "$log"), was $size"
shot "$main" 18-edited-kept
stop_viewer

step "unedited: cut short"
start_viewer
click "$main" 400 $((menu_h + 200))
keys "$main" ctrl+End
sleep 3
truncate -s $((log_mb * 1000000 / 4 + 1)) "$log"
top_view
keys "$main" ctrl+End
sleep 3
import -window root "$artifacts/19-unedited-truncated.png"
figure "unedited, cut short: boxes" "$(boxes)"
info_box 19-unedited-truncated-box
sleep 2
shot "$main" 20-unedited-truncated-after
alive || figure "viewer" "ended"
stop_viewer

figure "cgroup $limit_mb MB: peak usage" "$(($(cgroup_peak) / 1048576)) MB"
figure "cgroup: limit reached (failcnt)" "$(cgroup_failcnt)"
figure "cgroup: out-of-memory kills" "$(cgroup_oom_kills)"
echo "screenshots in $artifacts; figures in $out/figures.md"
