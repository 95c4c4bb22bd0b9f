#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-process keyword search: soramie-cli search vs ripgrep (decoding Shift-JIS)
# vs GNU grep (raw bytes), on the same trees, in the same run.
#
#   bench/search_compare.sh BUILD_DIR [CORPUS_DIR]
#
# CORPUS_DIR (default /tmp/soramie-search-bench) gets `tree` (~4000 files,
# ~100 MB) and `big` (one 1 GB file) from bench/search_make_tree.py when missing.
# Each command: one warm-up run, then RUNS (default 5; BIG_RUNS, default 2, for
# the 1 GB tree) timed by hyperfine; the median is reported. Hit sets are
# compared with ripgrep's; GNU grep's raw-byte answer may hold false hits
# (byte matches that do not start on a character). Keywords: a rare one, a
# common one, a Japanese one, and メ (0x83 0x81), which the trees never hold but
# whose bytes appear inside ャー (0x83 0x83 0x81 0x5B).
set -euo pipefail

BUILD=${1:?usage: $0 BUILD_DIR [CORPUS_DIR]}
CORPUS=${2:-/tmp/soramie-search-bench}
RUNS=${RUNS:-5}
BIG_RUNS=${BIG_RUNS:-2}
CLI=$(realpath "$BUILD/src/cli/soramie-cli")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

[ -d "$CORPUS/tree" ] || python3 "$HERE/search_make_tree.py" tree "$CORPUS/tree"
[ -f "$CORPUS/big/big.txt" ] || python3 "$HERE/search_make_tree.py" big "$CORPUS/big"

# "median wall s / mean CPU s (user + system)" of a hyperfine JSON export.
figures() {
    python3 -c 'import json,sys; r = json.load(open(sys.argv[1]))["results"][0]; print("%.3f / %.3f" % (r["median"], r["user"] + r["system"]))' "$1"
}
wall() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$1"; }
ratio() { python3 -c 'import sys; a, b = map(float, sys.argv[1:]); print("%.2f" % (a / b) if b > 0.002 else "n/a")' "$1" "$2"; }

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| tree | keyword | hits | soramie wall/CPU s | rg wall/CPU s | grep wall/CPU s | wall soramie/rg | wall soramie/grep | same hits as rg | grep false hits |\n'
printf '|---|---|---|---|---|---|---|---|---|---|\n'
for tree in tree big; do
    dir=$CORPUS/$tree
    runs=$RUNS
    [ "$tree" = big ] && runs=$BIG_RUNS
    for kw in ZQX-RARE-7731 ERROR 障害発生 メ; do
        printf '%s' "$kw" | iconv -t CP932 > "$WORK/pattern"
        "$CLI" search "$dir" "$kw" | sort > "$WORK/soramie" || true
        rg -l -F -E shift_jis -g '*.txt' "$kw" "$dir" | sort > "$WORK/rg" || true
        LC_ALL=C grep -rlF --include='*.txt' -f "$WORK/pattern" "$dir" | sort > "$WORK/grep" || true
        same=no
        cmp -s "$WORK/soramie" "$WORK/rg" && same=yes
        false_hits=$(comm -13 "$WORK/rg" "$WORK/grep" | wc -l)
        hits=$(wc -l < "$WORK/soramie")
        for tool in soramie rg grep; do
            case $tool in
                soramie) cmd="'$CLI' search '$dir' '$kw'" ;;
                rg) cmd="rg -l -F -E shift_jis -g '*.txt' '$kw' '$dir'" ;;
                grep) cmd="env LC_ALL=C grep -rlF --include='*.txt' -f '$WORK/pattern' '$dir'" ;;
            esac
            hyperfine -N -i --style none --warmup 1 --runs "$runs" --export-json "$WORK/$tool.json" \
                "$cmd" > /dev/null 2>&1
        done
        s=$(wall "$WORK/soramie.json"); r=$(wall "$WORK/rg.json"); g=$(wall "$WORK/grep.json")
        printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$tree" "$kw" "$hits" \
            "$(figures "$WORK/soramie.json")" "$(figures "$WORK/rg.json")" "$(figures "$WORK/grep.json")" \
            "$(ratio "$s" "$r")" "$(ratio "$s" "$g")" "$same" "$false_hits"
    done
done
