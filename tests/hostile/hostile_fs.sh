#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real binaries attacked as a second local user would attack them: links
# planted in a shared sticky folder, files of one user saved by another, a
# folder that refuses new files, a planted single-instance lock and socket.
# Needs root (to act as the second user) and the user soramie-hostile, which
# scripts/test creates; skipped (77) otherwise.
#   hostile_fs.sh SORAMIE-CLI SORAMIE
set -u
cli="$1" viewer="$2"
other=soramie-hostile
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to act as a second user"; exit 77; }
id "$other" >/dev/null 2>&1 || { echo "SKIP: no user $other (scripts/test creates it)"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIP: setpriv missing"; exit 77; }

root="$(mktemp -d /tmp/soramie-hostile-XXXXXX)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$root"; }
trap cleanup EXIT
chmod 755 "$root"
# The second user may not reach the build folder: it runs a copy.
mkdir "$root/bin" && cp "$cli" "$root/bin/soramie-cli" && cli="$root/bin/soramie-cli"
as_other_ids=(setpriv --reuid="$other" --regid="$other" --clear-groups --)
as_other() { "${as_other_ids[@]}" "$@"; }
failed=0
check() { # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok - $what"; else echo "not ok - $what"; failed=$((failed + 1)); fi
}
owner() { stat -c %U "$1"; }
html_of() { printf '<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n%s<BR>\r\n</BODY>\r\n</HTML>' "$1"; }

# ---- links planted by another user in a sticky world-writable folder --------
shared="$root/tmp"
mkdir "$shared" && chmod 1777 "$shared"
printf 'root only' >"$root/secret" && chmod 600 "$root/secret"
printf 'notes' >"$shared/notes.txt"
as_other ln -s "$root/secret" "$shared/notes.txt.html"
"$cli" html "$shared/notes.txt" 2>"$root/err"
check "html refuses another user's link in a sticky folder (exit 1)" test $? -eq 1
check "the file behind the link keeps its bytes" test "$(cat "$root/secret")" = "root only"
check "the refusal names the link" grep -q "symbolic link" "$root/err"
printf 'dangling' >"$shared/d.txt"
as_other ln -s "$root/made-through-link" "$shared/d.txt.html"
ln -s "$root/made-through-my-link" "$shared/mine.txt.html"
printf 'mine' >"$shared/mine.txt"
"$cli" html "$shared/d.txt" 2>/dev/null
"$cli" html "$shared/mine.txt" 2>/dev/null
check "a dangling link creates no file, another user's or one's own" \
  test ! -e "$root/made-through-link" -a ! -e "$root/made-through-my-link"

# ---- a regular file planted by another user in a sticky world-writable folder ----
printf 'private text' >"$shared/p.txt" && chmod 644 "$shared/p.txt"
as_other sh -c "printf 'planted' >'$shared/p.txt.html' && chmod 666 '$shared/p.txt.html'"
for writer in root nobody; do
  if [ "$writer" = root ]; then "$cli" html "$shared/p.txt" 2>"$root/err"
  else setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$cli" html "$shared/p.txt" 2>"$root/err"; fi
  check "html as $writer refuses a file another user planted in a sticky folder (exit 1)" test $? -eq 1
  check "the planted file keeps its bytes and owner ($writer)" \
    test "$(cat "$shared/p.txt.html")" = planted -a "$(owner "$shared/p.txt.html")" = "$other"
  check "the refusal names the reason ($writer)" grep -q "another user's file in a shared sticky folder" "$root/err"
done

# ---- a file of one user saved by another ----------------------------------------
open="$root/open"
mkdir "$open" && chmod 777 "$open"
printf 'page' >"$open/page.txt"
printf 'old page' >"$open/page.txt.html" && chmod 666 "$open/page.txt.html"
as_other "$cli" html "$open/page.txt" 2>"$root/err"
check "another user's save succeeds (exit 0)" test $? -eq 0
check "and keeps the file's owner" test "$(owner "$open/page.txt.html")" = root
check "and writes the page" test "$(cat "$open/page.txt.html")" = "$(html_of page)"
check "and says it was not atomic" grep -q "in place" "$root/err"

locked="$root/locked"
mkdir "$locked" && chmod 755 "$locked"
printf 'locked' >"$locked/f.txt"
printf 'old' >"$locked/f.txt.html" && chmod 666 "$locked/f.txt.html"
as_other "$cli" html "$locked/f.txt" 2>/dev/null
check "a writable file in a folder that refuses new files is saved in place" \
  test "$(cat "$locked/f.txt.html")" = "$(html_of locked)"

mkdir "$root/private" && printf 'key' >"$root/private/a.txt" && chmod 600 "$root/private/a.txt"
as_other "$cli" search "$root/private" key >/dev/null 2>&1
check "search exits 2 when nothing could be read" test $? -eq 2

# ---- a lock and a socket planted in the shared temporary folder -------------------
# A live process of the other user named like the viewer holds the planted lock.
mkdir "$root/planted" && cp "$(command -v sleep)" "$root/planted/soramie"
"${as_other_ids[@]}" "$root/planted/soramie" 120 &
pids+=($!)
sleep_pid=$!
as_other mkdir "$shared/runtime-root"
as_other sh -c "printf '%s\nsoramie\n%s\n' $sleep_pid \"\$(hostname)\" >'$shared/soramie.lock'"
as_other touch "$shared/soramie.socket"
home="$root/home"
mkdir "$home"
viewer_env=(env -u XDG_RUNTIME_DIR HOME="$home" TMPDIR="$shared" QT_QPA_PLATFORM=offscreen)
"${viewer_env[@]}" "$viewer" >"$root/viewer.log" 2>&1 &
pids+=($!)
lock="$home/.cache/soramie-run/soramie.lock"
for _ in $(seq 100); do [ -e "$lock" ] && break; sleep 0.1; done
check "a start ignores the planted lock and takes its own private one" test -e "$lock"
check "its private folder is 0700" test "$(stat -c %a "$home/.cache/soramie-run")" = 700
printf 'x' >"$root/handed.txt"
timeout 10 "${viewer_env[@]}" "$viewer" "$root/handed.txt" >>"$root/viewer.log" 2>&1
check "a second start hands its file over through the private socket" test $? -eq 0
check "nothing of root's appears in the shared folder" \
  test -z "$(find "$shared" -mindepth 1 -user root ! -name notes.txt ! -name d.txt ! -name p.txt ! -name 'mine.txt*')"

echo "$failed failed"
[ "$failed" -eq 0 ]
