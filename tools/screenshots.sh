#!/usr/bin/env bash
# Takes the user guide's screenshots from the real workbench: one example per view, each
# opened by build/vorlen in its 800 x 600 window on a virtual X display (Xvfb), left to run
# for a while, then the display's picture cut to the window, written to docs/images/VIEW.png.
#
#   tools/screenshots.sh [SECONDS]   SECONDS each example runs before its picture (default 4)
#
# Builds the workbench first when the build folder is missing or out of date. Needs xvfb-run,
# xwininfo and ImageMagick's import (./setup.sh installs them). Rerun it whenever the
# workbench's look changes; it replaces the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."

# view, then the example that shows it
SHOTS=(
  "texture examples/life.vl"
  "cells examples/brians-brain.vl"
  "vectors examples/vortex.vl"
  "complex examples/langton-ant.vl"
)
OUTPUT=docs/images

if [ "${1:-}" != "--inside-display" ]; then
  seconds=${1:-4}
  if [ -f build/build.ninja ]; then
    cmake --build build -j 2 --target vorlen vorlen-data
  else
    ./setup.sh build
  fi
  for tool in xvfb-run xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (./setup.sh build installs it)" >&2; exit 1; }
  done
  mkdir -p "$OUTPUT"
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-display "$seconds"
fi

# From here on the script runs on the virtual display.
seconds=$2
status=0

# The id of the workbench's top-level window (its title begins with "Vorlen "), waiting up to
# ten seconds for it to appear; nothing when it does not.
window_of() {
  local pid=$1 id=""
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    id=$(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Vorlen .*/\1/p' | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
}

for shot in "${SHOTS[@]}"; do
  read -r view definition <<<"$shot"
  log=$(mktemp)
  build/vorlen "$definition" 2>"$log" &
  pid=$!
  id=$(window_of "$pid")
  if [ -z "$id" ]; then
    echo "$view: no window from build/vorlen $definition" >&2
    cat "$log" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$log"
    status=1
    continue
  fi
  sleep "$seconds"
  geometry=$(xwininfo -id "$id")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  width=$(sed -n 's/.*Width: *//p' <<<"$geometry")
  height=$(sed -n 's/.*Height: *//p' <<<"$geometry")
  import -silent -window root -crop "${width}x${height}+${x}+${y}" +repage "$OUTPUT/$view.png"
  kill "$pid" 2>/dev/null || true  # SIGTERM closes the window as its close box does
  wait "$pid" 2>/dev/null || true
  rm -f "$log"
  colours=$(convert "$OUTPUT/$view.png" -format %k info:)
  echo "$OUTPUT/$view.png: ${width} x ${height}, $colours colours, from $definition"
  if [ "$colours" -le 1 ]; then
    echo "$OUTPUT/$view.png shows one colour only: the window draws nothing but its background" >&2
  fi
done
exit "$status"
