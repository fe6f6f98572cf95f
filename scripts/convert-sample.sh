#!/usr/bin/env bash
# The main job in one command: installs what is missing, builds velmora-convert in the release
# configuration, and converts the bundled sample into its 5min, 1hour, 4hour and Daily files,
# printing the log. The files land in build/sample/, so the repository stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh --no-windows
cmake --preset release >/dev/null
cmake --build --preset release --target velmora-convert

mkdir -p build/sample
cp samples/EURUSD_1min_2009.txt build/sample/
echo "== velmora-convert build/sample/EURUSD_1min_2009.txt"
build/release/bin/velmora-convert --timeframes "5, 60, 240, 1440" --overwrite build/sample/EURUSD_1min_2009.txt
ls -l build/sample
