#!/bin/sh
# SPDX-License-Identifier: MIT
# Large-document figures with their baselines measured in the same run:
#   bench/big_documents.sh BUILD_DIR [CORPUS_DIR]
# Generates CRLF logs of 100 MB, 200 MB and 1 GB (bench/gen_corpus.py log) when
# missing, and prints a Markdown table: each viewer command through the real
# windows from the click to the repainted pane (commands_bench), the 1 GB open
# until its index is complete (pane_bench) against glogg (bench/open_until_idle.sh),
# and soramie-cli against `iconv -f CP932 -t UTF-8` as whole processes. Every
# figure is the best of RUNS (default 3) runs; files are in the page cache. The
# HTML export writes to /dev/shm, so no flush to a disk is timed. Needs a build
# configured with -DSORAMIE_BENCH=ON, and glogg for its row.
set -eu
build=${1:?usage: $0 BUILD_DIR [CORPUS_DIR]}
corpus=${2:-/tmp/big-corpus}
runs=${RUNS:-3}
here=$(dirname "$0")
cli="$build/src/cli/soramie-cli"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$corpus"
for mb in 100 200 1000; do
  [ -f "$corpus/log$mb.txt" ] || python3 "$here/gen_corpus.py" log "$corpus/log$mb.txt" "$mb"
  cat "$corpus/log$mb.txt" > /dev/null
done
shm=$(mktemp -d /dev/shm/soramie-bench.XXXXXX)
trap 'rm -rf "$shm"' EXIT
cp "$corpus/log200.txt" "$shm/log200.txt"

# best CMD...: the smallest wall time in seconds of RUNS runs of CMD (output dropped).
best() {
  i=0
  while [ $i -lt "$runs" ]; do
    /usr/bin/time -f %e -o "$shm/time" "$@" > /dev/null 2>&1
    cat "$shm/time"
    i=$((i + 1))
  done | sort -g | head -1
}
# key KEY CMD...: the smallest value of KEY over RUNS runs of CMD (its "KEY value" lines).
key() {
  k=$1
  shift
  i=0
  while [ $i -lt "$runs" ]; do
    "$@" 2> /dev/null | awk -v k="$k" '$1 == k { print $2 }'
    i=$((i + 1))
  done | sort -g | head -1
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mb() { awk -v f="$1" 'BEGIN { printf "%.0f", f / 1048576 }'; }

iconv100=$(best iconv -f CP932 -t UTF-8 "$corpus/log100.txt")
iconv200=$(best iconv -f CP932 -t UTF-8 "$corpus/log200.txt")
echo "iconv -f CP932 -t UTF-8, whole process: 100 MB $iconv100 s, 200 MB $iconv200 s"
echo
echo "| work | SORAMIE | baseline | ratio | target |"
echo "|---|---|---|---|---|"
row() {  # row WORK MODE FILE ICONV TARGET
  s=$(key seconds "$build/bench/commands_bench" "$2" "$3")
  added=$(key added_rss_mib "$build/bench/commands_bench" "$2" "$3")
  size=$(stat -c %s "$3")
  printf '| %s | %s s, +%s MB (%s× the file) | iconv %s s | %s | %s |\n' "$1" "$s" "$added" \
    "$(awk -v a="$added" -v s="$size" 'BEGIN { printf "%.2f", a * 1048576 / s }')" "$4" "$(ratio "$s" "$4")" "$5"
}
row "折返し, 100 MB" wrap "$corpus/log100.txt" "$iconv100" "≤ 1.0; memory ≤ 2×"
row "折返し, 200 MB" wrap "$corpus/log200.txt" "$iconv200" "linear"
row "range replace [ … ], 200 MB" range "$corpus/log200.txt" "$iconv200" "≤ 1.0; memory ≤ 2×"
row "Ctrl+A, Ctrl+C, 100 MB" copy "$corpus/log100.txt" "$iconv100" "≤ 1.0"
row "Ctrl+A, Ctrl+C, 200 MB" copy "$corpus/log200.txt" "$iconv200" "≤ 1.0"
row "HTML export, 200 MB (tmpfs)" html "$shm/log200.txt" "$iconv200" "≤ 1.5"

big="$corpus/log1000.txt"
open=$(key index_complete_s "$build/bench/pane_bench" pane "$big")
peak=$(key peak_rss_kib "$build/bench/pane_bench" pane "$big")
if command -v glogg > /dev/null; then
  glogg=$(key idle_s "$here/open_until_idle.sh" "$big" glogg -m)
  gpeak=$(key peak_rss_kib "$here/open_until_idle.sh" "$big" glogg -m)
  printf '| 1 GB open until the index is complete | %s s, peak %s MB (%s× the file) | glogg %s s, peak %s MB | %s | ≤ 0.5; peak ≤ 1.15× |\n' \
    "$open" "$((peak / 1024))" "$(awk -v p="$peak" -v s="$(stat -c %s "$big")" 'BEGIN { printf "%.2f", p * 1024 / s }')" \
    "$glogg" "$((gpeak / 1024))" "$(ratio "$open" "$glogg")"
fi

# CLI: wall time and peak memory, whole process, on the 100 MB log.
clirow() {  # clirow WORK TARGET ARGS...
  work=$1 target=$2
  shift 2
  s=$(best "$cli" "$@")
  /usr/bin/time -f %M -o "$shm/rss" "$cli" "$@" > /dev/null 2>&1
  printf '| soramie-cli %s, 100 MB | %s s, %s MB resident | iconv %s s | %s (%s× iconv'"'"'s speed) | %s |\n' "$work" "$s" \
    "$(($(cat "$shm/rss") / 1024))" "$iconv100" "$(ratio "$s" "$iconv100")" "$(ratio "$iconv100" "$s")" "$target"
}
f="$corpus/log100.txt"
clirow decode "≥ 2× iconv's speed; ≤ 64 MB" decode "$f"
clirow wrap "≥ 1× iconv's speed; ≤ 64 MB" wrap --width 100 "$f"
clirow replace "≥ 1× iconv's speed; ≤ 64 MB" replace --from = --to '&eq;' --keep-existing "$f"
clirow replace-range "≥ 1× iconv's speed; ≤ 64 MB" replace-range --start '[' --end ']' --with - "$f"
clirow "html --stdout" "≥ 1× iconv's speed; ≤ 64 MB" html --stdout "$f"
