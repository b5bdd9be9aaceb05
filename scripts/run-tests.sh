#!/usr/bin/env bash
# Installs what the build needs, builds everything, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# SheetJS, a second independent reader of the spreadsheet exports.
npm install --silent --no-save --no-audit --no-fund --prefix build/node-readers xlsx@0.18.5
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j 2
