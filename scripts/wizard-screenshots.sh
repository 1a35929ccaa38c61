#!/usr/bin/env bash
# Renders every page and dialog of the wizard offscreen to PNG files.
#
#   wizard-screenshots.sh OUT_DIR [BUILD_DIR]
#
# BUILD_DIR defaults to ./build.  Fails when the renderer fails or writes no picture.
set -euo pipefail

out=${1:?usage: $0 OUT_DIR [BUILD_DIR]}
build=${2:-build}
renderer="$build/tests/wizard_screens"
if [ ! -x "$renderer" ]; then
  echo "no renderer at $renderer (build the target wizard_screens)" >&2
  exit 2
fi
rm -rf "$out"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$renderer" "$out"
count=$(find "$out" -name '*.png' -size +1k | wc -l)
echo "$count pictures in $out"
[ "$count" -gt 0 ]
