#!/bin/sh
# SPDX-License-Identifier: MIT
# Opening a large log as a document, against `wc -l` on the same file in the
# same run: bench/big_file.sh BUILD_DIR [CORPUS_DIR]
# Generates a 1 GB CP932 log when missing (bench/gen_corpus.py log), reads it
# into the page cache, and prints the best of RUNS (default 3) runs of
# document_open_bench (from the start until the whole file is indexed; peak
# private memory; jumps to random lines) and of `wc -l`; then the viewer as the
# user runs it (BUILD_DIR/soramie FILE, on Xvfb) and glogg (when installed) from
# their start until idle, each less its start-up on a 4 KB file
# (bench/open_until_idle.sh). With BIG_FILE set to a larger file (e.g. 20 GB),
# also its first screen, the file not read beforehand.
set -eu
build=${1:?usage: $0 BUILD_DIR [CORPUS_DIR]}
corpus=${2:-/tmp/pane-corpus}
runs=${RUNS:-3}
here=$(dirname "$0")
bench="$build/bench/document_open_bench"
mkdir -p "$corpus"
log="$corpus/log1000.txt"
[ -f "$log" ] || python3 "$here/gen_corpus.py" log "$log" 1000
cat "$log" > /dev/null

# best KEY CMD...: the smallest value of KEY over RUNS runs of CMD ("KEY value" lines).
best() {
  k=$1
  shift
  i=0
  while [ $i -lt "$runs" ]; do
    "$@" | awk -v k="$k" '$1 == k { print $2 }'
    i=$((i + 1))
  done | sort -g | head -1
}
wc_s=$(i=0; while [ $i -lt "$runs" ]; do /usr/bin/time -f %e wc -l "$log" 2>&1 > /dev/null; i=$((i + 1)); done | sort -g | head -1)
idle=$(best indexed_seconds "$bench" "$log")
peak=$(best peak_private_mib "$bench" "$log")
ratio=$(best peak_private_ratio "$bench" "$log")
p99=$(best jump_p99_ms "$bench" "$log")
echo "| 1 GB log | SORAMIE | baseline | ratio | target |"
echo "|---|---|---|---|---|"
echo "| start until indexed | $idle s | wc -l $wc_s s | $(awk -v a="$idle" -v b="$wc_s" 'BEGIN { printf "%.2f", a / b }') | <= 3 |"
echo "| peak private memory | $peak MiB | file size | $ratio | <= 0.03 |"
echo "| jump to a random line, p99 | $p99 ms | | | instant |"
# The whole viewer process, from its start until it is idle, less its start-up.
small=$(mktemp)
head -c 4096 "$log" > "$small"
viewer_idle=$(best idle_s "$here/open_until_idle.sh" "$log" "$build/soramie")
viewer_base=$(best idle_s "$here/open_until_idle.sh" "$small" "$build/soramie")
viewer_anon=$(best peak_anon_kib "$here/open_until_idle.sh" "$log" "$build/soramie")
viewer=$(awk -v a="$viewer_idle" -v b="$viewer_base" 'BEGIN { printf "%.3f", a - b }')
echo "| viewer process, start until idle, less 4 KB start-up ($viewer_base s) | $viewer s | wc -l $wc_s s | $(awk -v a="$viewer" -v b="$wc_s" 'BEGIN { printf "%.2f", a / b }') | <= 3 |"
echo "| viewer process, peak private memory | $((viewer_anon / 1024)) MiB | file size | $(awk -v a="$viewer_anon" -v s="$(stat -c %s "$log")" 'BEGIN { printf "%.4f", a * 1024 / s }') | <= 0.03 |"
if command -v glogg > /dev/null; then
  glogg_idle=$(best idle_s "$here/open_until_idle.sh" "$log" glogg -m)
  glogg_base=$(best idle_s "$here/open_until_idle.sh" "$small" glogg -m)
  glogg=$(awk -v a="$glogg_idle" -v b="$glogg_base" 'BEGIN { printf "%.3f", a - b }')
  echo "| viewer process against glogg, the same way | $viewer s | glogg $glogg s | $(awk -v a="$viewer" -v b="$glogg" 'BEGIN { printf "%.2f", a / b }') | <= 0.25 |"
fi
rm -f "$small"
if [ -n "${BIG_FILE:-}" ]; then
  first=$("$bench" "$BIG_FILE" first | awk '$1 == "first_screen_seconds" { print $2 }')
  echo "| $(du -h --apparent-size "$BIG_FILE" | cut -f1) file, first screen | $first s | | | <= 0.3 s |"
fi
