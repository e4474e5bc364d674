#!/usr/bin/env bash
# Frame figures of every slide of the embedded sample: each slide written
# alone (sample_builder <file> <slide>) and played once through by the frame
# runner at each size, with the fill limit (one full-screen textured, blended
# quad) timed in the same run. Prints one table row per slide and size; "at"
# is the index of the worst frame after the first. Then the whole sample is
# played once through at each size: its worst frame after the first (slide
# changes included), that frame's ratio to the mean, and the peak memory.
#
#   tools/measure_frames.sh [build dir] [frame step in seconds] [sizes...]
#
# Defaults: build, 0.05, 460x215 1920x1080. Headless (offscreen SDL, llvmpipe
# when no GPU). Figures depend on the machine's load: the load average is
# printed with them.
set -euo pipefail
build=${1:-build}
step=${2:-0.05}
shift $(( $# > 2 ? 2 : $# ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(460x215 1920x1080)
builder=$build/tools/sample/sample_builder
runner=$build/tools/frame_runner/frame_runner
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; frame step $step s"
printf '%-10s %-9s %6s %8s %8s %6s %8s %7s %7s %8s\n' slide size frames mean_ms worst_ms at first_ms fill_ms mean/fill peak_MB
while read -r name seconds; do
  "$builder" "$work/slide.dds" "$name"
  frames=$(awk -v s="$seconds" -v d="$step" 'BEGIN { n = int(s / d); print (n < 2 ? 2 : n) }')
  for size in "${sizes[@]}"; do
    out=$("$runner" --project "$work/slide.dds" --size "$size" --frames "$frames" --step "$step" --fill 20)
    echo "$out" | awk -v name="$name" -v size="$size" -v frames="$frames" '
      /^mean frame/ { mean = $3; worst = $9; at = $12; sub(/\).*/, "", at); first = $(NF - 1) }
      /^fill limit/ { fill = $3 }
      /^peak memory/ { peak = $3 }
      END { printf "%-10s %-9s %6d %8.2f %8.2f %6d %8.2f %7.2f %7.1f %8.1f\n", name, size, frames, mean, worst, at, first, fill,
                   (fill > 0 ? mean / fill : 0), peak }'
  done
done < <("$builder" --slides)

"$builder" "$work/show.dds"
total=$("$builder" --slides | awk '{ s += $2 } END { print s }')
frames=$(awk -v s="$total" -v d="$step" 'BEGIN { n = int(s / d); print (n < 2 ? 2 : n) }')
echo "whole show, played once:"
printf '%-10s %6s %8s %8s %6s %11s %8s\n' size frames mean_ms worst_ms at worst/mean peak_MB
for size in "${sizes[@]}"; do
  out=$("$runner" --project "$work/show.dds" --size "$size" --frames "$frames" --step "$step")
  echo "$out" | awk -v size="$size" -v frames="$frames" '
    /^mean frame/ { mean = $3; worst = $9; at = $12; sub(/\).*/, "", at) }
    /^peak memory/ { peak = $3 }
    END { printf "%-10s %6d %8.2f %8.2f %6d %11.1f %8.1f\n", size, frames, mean, worst, at,
                 (mean > 0 ? worst / mean : 0), peak }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
