#!/usr/bin/env bash
# Draws the application icon (ostrand.ico, committed beside this script) with ImageMagick:
# a map sheet with a mesh grid and an arrow for the shift of its points.
#   src/ui/make_icon.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#f4efe1' -stroke '#2f4f6f' -strokewidth 10 -draw 'roundrectangle 20,20 236,236 18,18' \
  -stroke '#7fa3c2' -strokewidth 6 \
  -draw 'line 92,26 92,230' -draw 'line 164,26 164,230' \
  -draw 'line 26,92 230,92' -draw 'line 26,164 230,164' \
  -fill none -stroke '#2e8b57' -strokewidth 12 -draw 'polyline 44,204 92,150 132,172 176,104 214,60' \
  -fill '#c0392b' -stroke '#c0392b' -strokewidth 14 -draw 'line 70,186 176,80' \
  -strokewidth 2 -draw 'polygon 206,50 150,66 190,106' \
  "$work/icon.png"
convert "$work/icon.png" -define icon:auto-resize=48,32,16 "$here/ostrand.ico"
