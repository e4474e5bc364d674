#!/usr/bin/env bash
# Start-up and close figures of the player on the embedded sample (460 x 215
# window): the time from launching the program to its first presented frame,
# and from a key press to the end of the process. The player logs wall-clock
# times through its measuring hooks (PLAYER_TIMING=1), and presses a key
# itself after a number of presented frames (PLAYER_KEY_AFTER_FRAMES); the
# launch and the process end are taken here. "in_process" is the part of the
# close spent in the player (key to its exit call); the rest is the system
# taking the process down.
#
#   tools/measure_startup.sh [build dir] [runs] [frames before the key]
#
# Defaults: build, 5 runs, 40 frames. Runs under Xvfb with the x11 video
# driver when Xvfb is there (as on a desktop), else on SDL's offscreen driver;
# MEASURE_VIDEO=offscreen forces the latter. Figures depend on the machine's
# load: the load average is printed with them.
set -euo pipefail
build=${1:-build}
runs=${2:-5}
frames=${3:-40}
player=$build/player/player
[ -x "$player" ] || { echo "no player at $player" >&2; exit 1; }
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

video=${MEASURE_VIDEO:-}
if [ -z "$video" ]; then
  if command -v Xvfb >/dev/null; then video=x11; else video=offscreen; fi
fi
if [ "$video" = x11 ]; then
  display=90
  while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
  Xvfb :$display -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  server=$!
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.05; done
  export DISPLAY=:$display
fi
export SDL_VIDEODRIVER=$video SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; video $video; key after $frames frames"
printf '%-4s %14s %11s %10s %5s\n' run first_frame_ms key_exit_ms in_process code
firsts=() exits=() inside=()
for run in $(seq "$runs"); do
  log=$work/run$run.log
  start=$(now_ms)
  set +e
  PLAYER_TIMING=1 PLAYER_KEY_AFTER_FRAMES=$frames PLAYER_TEST_CLOSE_AFTER_MS=60000 "$player" 2>"$log" >/dev/null
  code=$?
  set -e
  end=$(now_ms)
  first=$(awk '/^timing: first frame presented/ { print $5 }' "$log")
  key=$(awk '/^timing: key/ { print $3 }' "$log")
  quit=$(awk '/^timing: exit/ { print $3 }' "$log")
  if [ -z "$first" ] || [ -z "$key" ] || [ -z "$quit" ]; then
    echo "run $run: no timing lines (exit $code)"; cat "$log"; continue
  fi
  f=$((first - start)) k=$((end - key)) i=$((quit - key))
  firsts+=("$f") exits+=("$k") inside+=("$i")
  printf '%-4s %14d %11d %10d %5d\n' "$run" "$f" "$k" "$i" "$code"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
echo "median: start to first presented frame $(median "${firsts[@]}") ms, key to exit $(median "${exits[@]}") ms" \
  "(in the player $(median "${inside[@]}") ms)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
