#!/bin/sh
# SPDX-License-Identifier: MIT
# Editing figures: bench/edit_bench.sh BUILD_DIR [CORPUS_DIR]
# Generates a 1 GB CP932 log when missing (bench/gen_corpus.py log),
# runs edit_bench's modes (best of RUNS, default 3, for the times; the keystroke
# percentiles from one run of 1,000 keys) and times `cp` of the 1 GB log in the
# same run, plain and followed by `sync` of the copy (the save flushes its file),
# on the same file system as the save. The save runs a second time under
# eatmydata (fsync becomes a no-op), against `cp` under eatmydata too: the write
# alone on equal terms. Every timed write starts after a `sync`, so no earlier
# write is still being flushed. Installs eatmydata when missing. Prints a
# Markdown table.
set -eu
build=${1:?usage: $0 BUILD_DIR [CORPUS_DIR]}
corpus=${2:-/tmp/pane-corpus}
runs=${RUNS:-3}
here=$(dirname "$0")
bench="$build/bench/edit_bench"
export QT_QPA_PLATFORM=offscreen
bash -c '. "$1/scripts/lib.sh" && ensure_packages eatmydata' _ "$here/.."
mkdir -p "$corpus"
big="$corpus/log1000.txt"
[ -f "$big" ] || python3 "$here/gen_corpus.py" log "$big" 1000
cat "$big" > /dev/null

value() { printf '%s\n' "$2" | awk -v k="$1" '$1 == k { print $2 }'; }
best() { k=$1; shift; for o in "$@"; do value "$k" "$o"; done | sort -g | head -1; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

keys=$("$bench" keys "$big")
set --; i=0
while [ $i -lt "$runs" ]; do set -- "$@" "$("$bench" paste "$big")"; i=$((i + 1)); done
paste_s=$(best paste_s "$@"); paste_mb=$(value paste_mb "$1")
set --; i=0
while [ $i -lt "$runs" ]; do set -- "$@" "$("$bench" undo "$big")"; i=$((i + 1)); done
undo_s=$(best undo_s "$@"); ranges=$(value ranges "$1")

out="$corpus/saved.txt"; copy="$corpus/copy.txt"
save=""; esave=""; cp_s=""; ecp_s=""; cps_s=""
cpt() { rm -f "$copy"; sync; t0=$(now); "$@"; t1=$(now); elapsed "$t0" "$t1"; }
i=0
while [ $i -lt "$runs" ]; do
  rm -f "$out"; sync
  o=$("$bench" save "$big" "$out"); save="$save $(value save_s "$o")"
  rm -f "$out"; sync
  o=$(eatmydata "$bench" save "$big" "$out"); esave="$esave $(value save_s "$o")"
  cp_s="$cp_s $(cpt cp "$big" "$copy")"
  ecp_s="$ecp_s $(cpt eatmydata cp "$big" "$copy")"
  cps_s="$cps_s $(cpt sh -c 'cp "$1" "$2" && sync "$2"' _ "$big" "$copy")"
  i=$((i + 1))
done
rm -f "$out" "$copy"
min() { for v in "$@"; do echo "$v"; done | sort -g | head -1; }
save_b=$(min $save); esave_b=$(min $esave); cp_b=$(min $cp_s); ecp_b=$(min $ecp_s); cps_b=$(min $cps_s)

echo "| work | SORAMIE | target |"
echo "|---|---|---|"
printf '| keystroke at a random place, 1 GB log, key event to repaint (1,000 keys) | p50 %.2f ms, p99 %.2f ms, max %.1f ms | p99 ≤ 16 ms |\n' \
  "$(value key_p50_ms "$keys")" "$(value key_p99_ms "$keys")" "$(value key_max_ms "$keys")"
printf '| memory added by those 1,000 edits (1 GB log) | %.1f MB | grows with the edits |\n' "$(value added_rss_mib "$keys")"
printf '| paste of %.1f MB, Ctrl+V to repaint | %.3f s | ≤ 0.3 s |\n' "$paste_mb" "$paste_s"
printf '| undo of a range replace (%.0f ranges, 1 GB log), Ctrl+Z to repaint | %.4f s | ≤ 0.1 s |\n' "$ranges" "$undo_s"
awk -v s="$save_b" -v c="$cp_b" -v cs="$cps_b" 'BEGIN {
  printf "| save of the 1 GB log after 1,000 edits (safe write, flushed) | %.3f s; cp %.3f s (%.2f×), cp + sync %.3f s (%.2f×) | ≤ 1.2× cp |\n", s, c, s / c, cs, s / cs }'
awk -v s="$esave_b" -v c="$ecp_b" 'BEGIN {
  printf "| the same save under eatmydata (no flush) | %.3f s; cp under eatmydata %.3f s (%.2f×) | ≤ 1.2× cp |\n", s, c, s / c }'
