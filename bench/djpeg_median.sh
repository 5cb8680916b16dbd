#!/usr/bin/env bash
# Median wall time of `djpeg -outfile /dev/null FILE` over RUNS runs, to set beside the decode
# benchmark of image_bench (which writes its JPEG to ${TMPDIR:-/tmp}/tavrel-bench-6000x4000.jpg).
# Usage: bench/djpeg_median.sh [FILE] [RUNS]
set -euo pipefail
file=${1:-${TMPDIR:-/tmp}/tavrel-bench-6000x4000.jpg}
runs=${2:-15}
[ -f "$file" ] || { echo "no such file: $file (run image_bench first)" >&2; exit 1; }
djpeg -outfile /dev/null "$file"  # warm the page cache
for ((i = 0; i < runs; i++)); do
  start=$(date +%s%N)
  djpeg -outfile /dev/null "$file"
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
done | sort -n | awk '{ t[NR] = $1 } END { printf "djpeg median of %d runs: %.1f ms\n", NR, t[int((NR + 1) / 2)] / 1000 }'
