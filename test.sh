#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test through CTest. Exit status is CTest's.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake --preset dev >/dev/null
cmake --build --preset dev
exec ctest --preset dev "$@"
