#!/usr/bin/env bash
# Screenshots of the desktop program for docs/: the idle dialog, the dialog during a run and the
# About box, taken under Xvfb with ImageMagick from the windows that ui_look puts on screen.
# Uses the Wine prefix of the Windows build tree (scripts/wine-prefix sets the proportional font
# replacement "MS UI Gothic" -> IPAPGothic).
#   tests/ui/take_screenshots.sh [<windows build dir>]     (default: build/win)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build/win}" && pwd)
work=$build/screenshots
rm -rf "$work"
mkdir -p "$work/markers"
python3 "$root/examples/dm_sample.py" "$work/sample" >/dev/null

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
"$root/scripts/wine-prefix" "$WINEPREFIX"

# The sample appears to the program as D:\sample (paths as a user would have them, as the
# manual's walkthrough names them); the mapping is removed again at the end.
ln -sfn "$work" "$WINEPREFIX/dosdevices/d:"
trap 'rm -f "$WINEPREFIX/dosdevices/d:"' EXIT

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  work=$1 build=$2 docs=$3
  trap "wineserver -k >/dev/null 2>&1 || true" EXIT
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
  wine "$build/bin/ui_look.exe" "$4" "$5" "$6" "$7" &
  for state in idle running about; do
    for _ in $(seq 600); do [ -f "$work/markers/$state.ready" ] && break; sleep 0.1; done
    read -r x y w h < "$work/markers/$state.ready"
    sleep 0.3
    import -window root "$work/$state-screen.png"
    convert "$work/$state-screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$work/$state.png"
    touch "$work/markers/$state.go"
  done
  wait
' _ "$work" "$build" "$root/docs" \
  "Z:${work//\//\\}\\markers" 'D:\sample\sample.par' 'D:\sample\in\' 'D:\sample\out\'

mkdir -p "$root/docs"
cp "$work/idle.png" "$root/docs/dialog-idle.png"
cp "$work/running.png" "$root/docs/dialog-running.png"
cp "$work/about.png" "$root/docs/about.png"
echo "docs/dialog-idle.png docs/dialog-running.png docs/about.png"
