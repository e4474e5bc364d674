#!/usr/bin/env bash
# Soak run: the embedded sample written to a file and played headlessly
# several times round by the frame runner, with the device and resident
# memory at the end of each loop. Memory must stay flat after the first loop:
# the run fails (exit 1) when a later loop ends more than the tolerance above
# the first.
#
#   tools/soak.sh [build dir] [size] [loops] [frame step] [tolerance %]
#
# Defaults: build, 460x215, 4, 0.05, 5.
set -euo pipefail
build=${1:-build}
size=${2:-460x215}
loops=${3:-4}
step=${4:-0.05}
tolerance=${5:-5}
builder=$build/tools/sample/sample_builder
runner=$build/tools/frame_runner/frame_runner
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$builder" "$work/show.dds"
total=$("$builder" --slides | awk '{ s += $2 } END { print s }')
frames=$(awk -v s="$total" -v d="$step" 'BEGIN { n = int(s / d); print (n < 2 ? 2 : n) }')
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $loops loops of $frames frames at $size, step $step s"
out=$("$runner" --project "$work/show.dds" --size "$size" --frames "$frames" --step "$step" --loops "$loops")
echo "$out"
echo "$out" | awk -v tol="$tolerance" '
  /^loop / { n++; device[n] = $5; resident[n] = $8 }
  END {
    if (n < 2) { print "soak: fewer than two loops"; exit 1 }
    bad = 0
    for (i = 2; i <= n; i++) {
      if (resident[i] > resident[1] * (1 + tol / 100)) { printf "soak: loop %d resident %.1f MB, first %.1f MB\n", i, resident[i], resident[1]; bad = 1 }
      if (device[i] > device[1] * (1 + tol / 100)) { printf "soak: loop %d device %.1f MB, first %.1f MB\n", i, device[i], device[1]; bad = 1 }
    }
    if (!bad) printf "soak: flat after the first loop (within %s %%)\n", tol
    exit bad
  }'
