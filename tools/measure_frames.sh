#!/usr/bin/env bash
# Frame figures of every slide of the embedded sample: each slide written
# alone (sample_builder <file> <slide>) and played once through by the frame
# runner at each size, with the fill limit (one full-screen textured, blended
# quad) timed in the same run. Prints one table row per slide and size; "at"
# is the index of the worst frame after the first. Then the whole sample is
# played once through at each size: its worst frame after the first (slide
# changes included), that frame's ratio to the mean, the stall (the largest
# ratio of a frame to its own slide's median frame), the same for the
# processor time of the player's thread (its work without the renderer's
# threads drawing the pixels) and the peak memory. Frame times include the renderer finishing
# the frame's pixels. MEASURE_RUNS sets the runs of the whole show (3);
# MEASURE_SLIDES=0 leaves out the table of slides.
#
#   tools/measure_frames.sh [build dir] [frame step in seconds] [sizes...]
#
# Defaults: build, 0.05, 460x215 1920x1080. Headless (offscreen SDL, llvmpipe
# when no GPU). Figures depend on the machine's load: the load average is
# printed with them.
set -euo pipefail
build=${1:-build}
step=${2:-0.05}
runs=${MEASURE_RUNS:-3}
shift $(( $# > 2 ? 2 : $# ))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(460x215 1920x1080)
builder=$build/tools/sample/sample_builder
runner=$build/tools/frame_runner/frame_runner
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; frame step $step s"
if [ "${MEASURE_SLIDES:-1}" = 1 ]; then
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
fi


"$builder" "$work/show.dds"
total=$("$builder" --slides | awk '{ s += $2 } END { print s }')
frames=$(awk -v s="$total" -v d="$step" 'BEGIN { n = int(s / d); print (n < 2 ? 2 : n) }')
# The whole show three times over: a frame's figure is the least of its three
# times. A virtual machine's own pauses (up to about 0.1 s here) fall on
# random frames; a stall of the player's falls on the same frame every run.
echo "whole show, played once, least of $runs runs per frame:"
printf '%-10s %6s %8s %8s %6s %5s %11s %6s %8s %8s %8s %6s %8s %8s\n' size frames mean_ms worst_ms at slide worst/mean \
  stall stall_at cpu_mean cpu_worst at cpu_w/m peak_MB
for size in "${sizes[@]}"; do
  peak=0
  for run in $(seq "$runs"); do
    out=$("$runner" --project "$work/show.dds" --size "$size" --frames "$frames" --step "$step" --times "$work/times$run")
    p=$(echo "$out" | awk '/^peak memory/ { print $3 }')
    peak=$(awk -v a="$peak" -v b="$p" 'BEGIN { print (b > a ? b : a) }')
  done
  paste -d' ' "$work"/times* | awk -v runs="$runs" '{
      m = $3; c = $4
      for (i = 1; i < runs; ++i) { if ($(4 * i + 3) < m) m = $(4 * i + 3); if ($(4 * i + 4) < c) c = $(4 * i + 4) }
      print $1, $2, m, c }' > "$work/least"
  # Each slide's median frame, for the stall: the largest ratio of a frame to
  # the median of its slide (a slide change, a slice made ahead, a pause).
  tail -n +2 "$work/least" | sort -k2,2n -k3,3n | awk '
    NR == 1 || $2 != s { if (n) print s, v[int((n + 1) / 2)]; s = $2; n = 0 }
    { v[++n] = $3 }
    END { if (n) print s, v[int((n + 1) / 2)] }' > "$work/medians"
  awk -v size="$size" -v frames="$frames" -v peak="$peak" '
    FNR == NR { median[$1] = $2; next }
    FNR > 1 { sum += $3; n++; if ($3 > worst) { worst = $3; at = $1; slide = $2 }
              r = median[$2] > 0 ? $3 / median[$2] : 0
              if (r > stall) { stall = r; stallAt = $1 }
              cpu += $4; if ($4 > cpuWorst) { cpuWorst = $4; cpuAt = $1 } }
    END { mean = n ? sum / n : 0; cpuMean = n ? cpu / n : 0
          printf "%-10s %6d %8.2f %8.2f %6d %5d %11.1f %6.1f %8d %8.2f %8.2f %6d %8.1f %8.1f\n", size, frames, mean,
                 worst, at, slide, (mean > 0 ? worst / mean : 0), stall, stallAt, cpuMean, cpuWorst, cpuAt,
                 (cpuMean > 0 ? cpuWorst / cpuMean : 0), peak }' "$work/medians" "$work/least"
  rm -f "$work"/times*
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
