#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-process CP932 decoding: SORAMIE's codec against glibc's iconv on the two
# generated corpora, best of RUNS runs each, same machine, same run.
# Usage: bench/codec_vs_iconv.sh BUILD_DIR [CORPUS_DIR=/tmp/soramie-corpus] [MEGABYTES=100]
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR [CORPUS_DIR] [MEGABYTES]}
corpus=${2:-/tmp/soramie-corpus}
megabytes=${3:-100}
runs=${RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
decoder=$(find "$build" -type f -name cp932_decode_file -perm -u+x | head -n 1)
[[ -n $decoder ]] || { echo "cp932_decode_file not found under $build (configure with -DSORAMIE_BENCH=ON)" >&2; exit 1; }

mkdir -p "$corpus"
for kind in log prose; do
  [[ -s $corpus/$kind.txt ]] || python3 "$here/gen_corpus.py" "$kind" "$corpus/$kind.txt" "$megabytes"
done

# Best wall-clock seconds of a command over $runs runs; output goes to /dev/null.
best() {
  local best_ns= start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    if [[ -z $best_ns ]] || ((end - start < best_ns)); then best_ns=$((end - start)); fi
  done
  echo "$best_ns"
}

printf '%-6s %10s %12s %12s %7s\n' corpus MB soramie_MB/s iconv_MB/s ratio
for kind in log prose; do
  file=$corpus/$kind.txt
  bytes=$(stat -c %s "$file")
  cat "$file" >/dev/null  # warm the page cache for both
  ours=$(best "$decoder" "$file")
  theirs=$(best iconv -f CP932 -t UTF-16LE "$file")
  awk -v k="$kind" -v b="$bytes" -v o="$ours" -v t="$theirs" 'BEGIN {
    mo = b / 1e6 / (o / 1e9); mt = b / 1e6 / (t / 1e9);
    printf "%-6s %10.1f %12.1f %12.1f %6.1fx\n", k, b / 1e6, mo, mt, mo / mt }'
done
