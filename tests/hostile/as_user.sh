#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the GoogleTest cases of one test program that a filter selects as an
# unprivileged user: the cases about permissions, which root would skip.
# The user may not reach the build folder, so it runs a copy, with HOME and
# TMPDIR in a folder of its own. Fails when no case ran or one skipped itself.
# Needs root and the user (scripts/test creates soramie-hostile); skipped (77)
# otherwise.
#   as_user.sh USER TEST-PROGRAM GTEST-FILTER
set -u
user="$1" program="$2" filter="$3"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to act as $user"; exit 77; }
id "$user" >/dev/null 2>&1 || { echo "SKIP: no user $user (scripts/test creates it)"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIP: setpriv missing"; exit 77; }

root="$(mktemp -d /tmp/soramie-as-user-XXXXXX)"
trap 'rm -rf "$root"' EXIT
chmod 755 "$root"
cp "$program" "$root/test" && chmod 755 "$root/test"
mkdir "$root/home" && chown "$user:" "$root/home" && chmod 700 "$root/home"

out="$root/out"
(cd "$root/home" && HOME="$root/home" TMPDIR="$root/home" \
  setpriv --reuid="$user" --regid="$user" --clear-groups -- "$root/test" --gtest_filter="$filter") >"$out" 2>&1
status=$?
cat "$out"
[ $status -eq 0 ] || exit $status
if grep -q '^\[  SKIPPED \]' "$out"; then
  echo "FAIL: a case skipped itself as $user" >&2
  exit 1
fi
if ! grep -qE '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$out"; then
  echo "FAIL: the filter '$filter' selected no case" >&2
  exit 1
fi
