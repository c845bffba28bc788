#!/usr/bin/env bash
# Builds the runner and the effect into build/ (no tests, no benchmarks) and
# runs the runner with the given arguments. Without arguments it renders a
# one-second demo of generated LTC into out/demo.
source "$(dirname "$0")/tools/bootstrap.sh"
marrowtick_build build -- marrowtick Marrowtick
if [ $# -eq 0 ]; then
  build/bin/marrowtick render --fps 25 --frames 25 --ltc-start 01:00:00:00 --size 1280x720 --out out/demo
  echo "Demo frames are in $(pwd)/out/demo (000000.png to 000024.png)."
  exit 0
fi
# Paths in the arguments are the caller's.
runner=$PWD/build/bin/marrowtick
cd "$MARROWTICK_CALLER_DIR"
exec "$runner" "$@"
