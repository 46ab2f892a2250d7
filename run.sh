#!/usr/bin/env bash
# Sets up the machine, builds the release, and runs the main job.
#   ./run.sh            scan the demo image; save what it finds into ./recovered/
#                       (lists it while the program cannot save yet)
#   ./run.sh gui        start the desktop program
#   ./run.sh ARGS...    run korvane-recover with ARGS
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=build/release
if [ $# -eq 0 ]; then
  # The build makes the demo image from tools/demo/. Save what the scan finds when the
  # recovery program can save; otherwise list it.
  img=$bin/tools/demo.img
  help=$("$bin/cli/korvane-recover" --help 2>/dev/null || true)
  case "$help" in
    *--out*)
      rm -rf recovered
      exec "$bin/cli/korvane-recover" --out recovered "$img" ;;
  esac
  exec "$bin/cli/korvane-recover" "$img"
fi
if [ "$1" = gui ]; then
  shift
  exec "$bin/app/korvane" "$@"
fi
exec "$bin/cli/korvane-recover" "$@"
