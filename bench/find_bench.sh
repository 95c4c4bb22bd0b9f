#!/bin/sh
# SPDX-License-Identifier: MIT
# The find figures beside grep on the same cached file, in one run:
#   bench/find_bench.sh BUILD_DIR FILE RARE COMMON LISTED
set -eu
build=$1 file=$2 rare=$3 common=$4 listed=$5
cat "$file" > /dev/null  # cached
# grep's output goes to a file: with standard output on /dev/null it stops at the first match.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
seconds() { /usr/bin/time -f %e "$@" 2>&1 >"$out" | tail -1; }
echo "grep_rare_s $(seconds env LC_ALL=C grep -c -F "$rare" "$file")"
echo "grep_common_s $(seconds env LC_ALL=C grep -c -F "$common" "$file")"
echo "grep_common_lines $(LC_ALL=C grep -c -F "$common" "$file")"
echo "grep_listed_lines $(LC_ALL=C grep -c -F "$listed" "$file")"
QT_QPA_PLATFORM=offscreen "$build/bench/find_bench" "$file" "$rare" "$common" "$listed"
