#!/usr/bin/env bash
# Installs what the build needs, builds, and runs vdhost over the demo
# database (created with demo data on first use).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
build/app/vdhost --db "${VDHOST_DB:-demo.db}" "$@"
