#!/usr/bin/env bash
# Installs what the build needs, builds, and runs vdhost over the demo
# database (created with demo data on first use). With a display it opens
# vdhost's window; without one it prints the database summary and renders
# every wizard page into screenshots/ instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
database="${VDHOST_DB:-demo.db}"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/vdhost --db "$database" "$@"
fi
echo "No display: summarising $database and rendering the wizard pages into screenshots/."
build/app/vdhost --db "$database" --summary
build/app/vdhost --db "$database" --screenshots screenshots
