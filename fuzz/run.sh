#!/usr/bin/env bash
# Builds the DBF fuzz target with clang in build-fuzz/ and runs it for the
# given number of seconds (default 60), starting from the DBF test fixtures.
# Inputs it finds are kept in build-fuzz/fuzz/corpus/; a crashing input is
# written to build-fuzz/fuzz/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz

scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVDIMPEXP_FUZZ=ON -DVDIMPEXP_TESTS=OFF -DVDIMPEXP_BENCHMARKS=OFF > /dev/null
cmake --build "$build" --target dbf_fuzz

corpus="$build/fuzz/corpus"
mkdir -p "$corpus"
cp tests/fixtures/dbf/*.dbf tests/fixtures/memo/main/*.DBF "$corpus"/
# One table per code page, all named LOG.DBF: named after their folders.
for table in tests/fixtures/codepages/*/LOG.DBF; do
  cp "$table" "$corpus/$(basename "$(dirname "$table")").dbf"
done
"$build/fuzz/dbf_fuzz" -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$build/fuzz/" "$corpus"
