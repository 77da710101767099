#!/usr/bin/env bash
# The screenshot of the HTML run report for docs/: the sample (examples/dm_sample.py) corrected by
# the native ostrand-batch with --report, rendered by headless Chromium (installed with apt-get
# when missing) in a fresh, empty profile.
#   tests/batch/take_report_screenshot.sh [<native build dir>]     (default: build/native)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/lib.sh"
build=$(cd "${1:-$root/build/native}" && pwd)
ostrand_need_packages chromium fonts-ipafont-gothic
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/examples/dm_sample.py" "$work/sample" >/dev/null
status=0
(cd "$work/sample" && "$build/bin/ostrand-batch" --in in --out out --par sample.par \
   --year 6 --month 5 --number 関公第１２３号 --org 株式会社見本測量 --quiet \
   --report "$work/report.html" >/dev/null) || status=$?
[ "$status" -eq 4 ] || { echo "ostrand-batch exited $status, not 4" >&2; exit 1; }
mkdir "$work/profile"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=1100,1640 \
  --screenshot="$work/report.png" "file://$work/report.html" >/dev/null 2>&1
mkdir -p "$root/docs"
cp "$work/report.png" "$root/docs/report.png"
echo "docs/report.png"
