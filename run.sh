#!/usr/bin/env bash
# Sets up the machine, builds the release, and runs the main job.
#   ./run.sh            recover the demo image into ./recovered/
#   ./run.sh gui        start the desktop program
#   ./run.sh ARGS...    run korvane-recover with ARGS
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=build/release
if [ $# -eq 0 ]; then
  if [ -f "$bin/tools/demo.img" ]; then
    rm -rf recovered
    exec "$bin/cli/korvane-recover" --out recovered "$bin/tools/demo.img"
  fi
  img=$bin/tools/sample.img
  "$bin/tools/mkimage" --sample "$img" >/dev/null
  exec "$bin/cli/korvane-recover" "$img"
fi
if [ "$1" = gui ]; then
  shift
  exec "$bin/app/korvane" "$@"
fi
exec "$bin/cli/korvane-recover" "$@"
