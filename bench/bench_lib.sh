# Shared by the whole-run benchmarks: builds both programs in Release, writes the data, and times
# runs of the native program and of the Windows program under Wine, interleaved, best of N.
# Sourced, not run.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

# bench_programs: sets NATIVE_PROGRAM and WINDOWS_PROGRAM, building each unless the environment
# names one already (NATIVE=..., WINDOWS=..., e.g. to time an older build beside this one).
bench_programs() {
  ostrand_need_native
  ostrand_need_windows
  ostrand_need_packages time python3 bc
  if [ -n "${NATIVE:-}" ]; then
    NATIVE_PROGRAM=$NATIVE
  else
    local native=$OSTRAND_ROOT/build/bench-release
    ostrand_configure "$native" -DCMAKE_BUILD_TYPE=Release -DOSTRAND_TESTS=OFF
    cmake --build "$native" --target ostrand-batch -j "$OSTRAND_JOBS" >&2
    NATIVE_PROGRAM=$native/bin/ostrand-batch
  fi
  if [ -n "${WINDOWS:-}" ]; then
    WINDOWS_PROGRAM=$WINDOWS
  else
    local win=$OSTRAND_ROOT/build/bench-win
    ostrand_configure "$win" -DCMAKE_BUILD_TYPE=Release -DOSTRAND_TESTS=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$OSTRAND_ROOT/cmake/mingw-w64-x86_64.cmake"
    cmake --build "$win" --target ostrand-batch -j "$OSTRAND_JOBS" >&2
    WINDOWS_PROGRAM=$win/bin/ostrand-batch.exe
  fi
}

# bench_wine_start: a private prefix with its server kept running, so that a timed run does not
# pay for starting Wine's services.
bench_wine_start() {
  ostrand_wine_env "$OSTRAND_ROOT/build/bench-win"
  "$OSTRAND_ROOT/scripts/wine-prefix" "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$BENCH_WORK"' EXIT
}

# A path of this machine as Wine's drive Z: sees it.
bench_wine_path() {
  local path=$1
  printf 'Z:%s' "${path//\//\\}"
}

# bench_run native|windows <input folder> <output folder> <parameter file> [wrapper...]
bench_run() {
  local which=$1 in=$2 out=$3 par=$4; shift 4
  rm -rf "$out"
  if [ "$which" = native ]; then
    "$@" "$NATIVE_PROGRAM" --in "$in" --out "$out" --par "$par" --year 24 --month 4 --quiet \
      >/dev/null
  else
    "$@" wine "$WINDOWS_PROGRAM" --in "$(bench_wine_path "$in")" --out "$(bench_wine_path "$out")" \
      --par "$(bench_wine_path "$par")" --year 24 --month 4 --quiet >/dev/null
  fi
}

# bench_best <runs> <input folder> <parameter file>: runs both programs in turn, <runs> times
# each, and sets BEST_NATIVE and BEST_WINDOWS (wall seconds) and BEST_NATIVE_CPU and
# BEST_WINDOWS_CPU (user + system seconds of the program; for Wine, of the wine process tree).
bench_best() {
  local runs=$1 in=$2 par=$3
  BEST_NATIVE= BEST_WINDOWS= BEST_NATIVE_CPU= BEST_WINDOWS_CPU=
  local i which t user sys cpu
  for ((i = 1; i <= runs; i++)); do
    for which in native windows; do
      bench_run "$which" "$in" "$BENCH_WORK/out-$which" "$par" \
        /usr/bin/time -f '%e %U %S' -o "$BENCH_WORK/run.time" || true
      # The last line: /usr/bin/time puts "Command exited with non-zero status" before it.
      read -r t user sys < <(tail -n 1 "$BENCH_WORK/run.time")
      cpu=$(echo "$user + $sys" | bc -l)
      echo "run $i $which: $t s wall, $cpu s processor" >&2
      if [ "$which" = native ]; then
        if [ -z "$BEST_NATIVE" ] || (( $(echo "$t < $BEST_NATIVE" | bc -l) )); then BEST_NATIVE=$t; fi
        if [ -z "$BEST_NATIVE_CPU" ] || (( $(echo "$cpu < $BEST_NATIVE_CPU" | bc -l) )); then BEST_NATIVE_CPU=$cpu; fi
      else
        if [ -z "$BEST_WINDOWS" ] || (( $(echo "$t < $BEST_WINDOWS" | bc -l) )); then BEST_WINDOWS=$t; fi
        if [ -z "$BEST_WINDOWS_CPU" ] || (( $(echo "$cpu < $BEST_WINDOWS_CPU" | bc -l) )); then BEST_WINDOWS_CPU=$cpu; fi
      fi
    done
  done
}

# bench_report <points> <what>: prints the best figures of both programs and their ratio.
bench_report() {
  local points=$1 what=$2
  printf '%s, best of %d interleaved runs each:\n' "$what" "$RUNS"
  printf '  native  ostrand-batch      wall %7.3f s  %9.0f points/s   processor %7.3f s\n' \
    "$BEST_NATIVE" "$(echo "$points / $BEST_NATIVE" | bc -l)" "$BEST_NATIVE_CPU"
  printf '  Windows ostrand-batch.exe  wall %7.3f s  %9.0f points/s   processor %7.3f s (Wine)\n' \
    "$BEST_WINDOWS" "$(echo "$points / $BEST_WINDOWS" | bc -l)" "$BEST_WINDOWS_CPU"
  printf '  ratio Windows / native     wall %.2f   processor %.2f\n' \
    "$(echo "$BEST_WINDOWS / $BEST_NATIVE" | bc -l)" "$(echo "$BEST_WINDOWS_CPU / $BEST_NATIVE_CPU" | bc -l)"
  printf '  load average while measuring: %s (%d processors)\n' "$(cut -d' ' -f1-3 /proc/loadavg)" "$(nproc)"
}

# bench_check_corrected <output file> <input file>: the run must have corrected the file (its
# header rewritten), or the timing means nothing.
bench_check_corrected() {
  if cmp -s <(head -c 86 "$2") <(head -c 86 "$1"); then
    echo "$1: the header was not rewritten: the file was not corrected" >&2
    exit 1
  fi
}
