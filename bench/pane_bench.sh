#!/bin/sh
# SPDX-License-Identifier: MIT
# Text pane figures: bench/pane_bench.sh BUILD_DIR [CORPUS_DIR]
# Generates 100 MB and 1 GB CP932 logs when missing (bench/gen_corpus.py log),
# runs pane_bench for each (best of RUNS, default 3, per figure), the empty pane
# once and the QPlainTextEdit baseline once on the 100 MB log, and prints a
# Markdown table. Needs a build configured with -DSORAMIE_BENCH=ON.
set -eu
build=${1:?usage: $0 BUILD_DIR [CORPUS_DIR]}
corpus=${2:-/tmp/pane-corpus}
runs=${RUNS:-3}
here=$(dirname "$0")
bench="$build/bench/pane_bench"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$corpus"
for mb in 100 1000; do
  [ -f "$corpus/log$mb.txt" ] || python3 "$here/gen_corpus.py" log "$corpus/log$mb.txt" "$mb"
done

# value KEY OUTPUT
value() { printf '%s\n' "$2" | awk -v k="$1" '$1 == k { print $2 }'; }
# best KEY OUTPUTS...: the smallest value of KEY.
best() { k=$1; shift; for o in "$@"; do value "$k" "$o"; done | sort -g | head -1; }

empty=$(value peak_rss_kib "$("$bench" empty 2>/dev/null)")
echo "| file | first screen | index complete | Ctrl+End | select near end | peak RSS | added memory / file size |"
echo "|---|---|---|---|---|---|---|"
for mb in 100 1000; do
  f="$corpus/log$mb.txt"
  cat "$f" > /dev/null
  set --
  i=0
  while [ $i -lt "$runs" ]; do set -- "$@" "$("$bench" pane "$f" 2>/dev/null)"; i=$((i + 1)); done
  size=$(stat -c %s "$f")
  rss=$(best peak_rss_kib "$@")
  added=$(awk -v r="$rss" -v e="$empty" -v s="$size" 'BEGIN { printf "%.2f", (r - e) * 1024 / s }')
  printf '| %s MB log | %.3f s | %.3f s | %.1f ms | %.1f ms | %d MB | %s× |\n' "$mb" \
    "$(best first_screen_s "$@")" "$(best index_complete_s "$@")" \
    "$(awk -v v="$(best ctrl_end_s "$@")" 'BEGIN { print v * 1000 }')" \
    "$(awk -v v="$(best select_near_end_s "$@")" 'BEGIN { print v * 1000 }')" \
    $((rss / 1024)) "$added"
done
plain=$("$bench" plain "$corpus/log100.txt" 2>/dev/null)
printf '| 100 MB log, QPlainTextEdit | %.3f s | | | | %d MB | |\n' "$(value first_screen_s "$plain")" \
  $(($(value peak_rss_kib "$plain") / 1024))
echo "Empty pane: $((empty / 1024)) MB peak RSS."
