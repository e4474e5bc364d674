#!/usr/bin/env bash
# Soak run: the embedded sample written to a file and played headlessly
# several times round by the frame runner, with the device and resident
# memory each time the show comes back to its first slide. Memory must stay
# flat after the first loop: the run fails (exit 1) when a later return is
# more than the tolerance above the first return. The show takes a frame
# longer than its slides' times at each change, so the ends of the runner's
# loops drift through the show; the first slide's start is the same point of
# the show every time round.
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
out=$("$runner" --project "$work/show.dds" --size "$size" --frames "$frames" --step "$step" --loops "$loops" --memory 1)
echo "$out" | grep -v "^slide " || true
echo "$out" | awk '/^slide 0 at frame [1-9]/ { sub(":", "", $5); printf "back at the first slide (frame %s): device memory %s MB, resident %s MB\n", $5, $8, $11 }'
echo "$out" | awk -v tol="$tolerance" '
  /^slide 0 at frame [1-9]/ { n++; device[n] = $8; resident[n] = $11 }
  END {
    if (n < 2) { print "soak: back at the first slide fewer than twice"; exit 1 }
    bad = 0
    for (i = 2; i <= n; i++) {
      if (resident[i] > resident[1] * (1 + tol / 100)) { printf "soak: return %d resident %.1f MB, first %.1f MB\n", i, resident[i], resident[1]; bad = 1 }
      if (device[i] > device[1] * (1 + tol / 100)) { printf "soak: return %d device %.1f MB, first %.1f MB\n", i, device[i], device[1]; bad = 1 }
    }
    if (!bad) printf "soak: flat after the first loop (within %s %%)\n", tol
    exit bad
  }'
