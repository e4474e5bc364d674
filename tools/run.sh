#!/usr/bin/env bash
# Builds the player and runs it: on the project file given, or on the
# embedded sample project when none is given.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DPLAYER_TESTS=OFF -DPLAYER_BENCH=OFF >/dev/null
cmake --build "$root/build" --target player -j"$(nproc)"
exec "$root/build/player/player" "$@"
