# Shared by the scripts: installs what a fresh machine lacks, and sets up Wine.
# Sourced, not run.

OSTRAND_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OSTRAND_JOBS=${OSTRAND_JOBS:-$(nproc)}

ostrand_as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# ostrand_need_packages pkg...: installs the Debian packages that are not installed yet.
ostrand_need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}" >&2
  if [ -z "${OSTRAND_APT_UPDATED:-}" ]; then
    ostrand_as_root apt-get update -qq >&2
    OSTRAND_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive ostrand_as_root apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
}

ostrand_need_native() {
  ostrand_need_packages g++ cmake make googletest libgtest-dev libbenchmark-dev libgeographiclib-dev \
    libmpfr-dev
}

ostrand_need_windows() {
  ostrand_need_packages g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth \
    fonts-ipafont-gothic fonts-wine locales imagemagick xdotool
  ostrand_need_ja_locale
}

# The Japanese locale makes Wine's ANSI code page 932.
ostrand_need_ja_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    ostrand_as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | ostrand_as_root tee -a /etc/locale.gen >/dev/null
    ostrand_as_root locale-gen >&2
  fi
}

# ostrand_configure <build dir> [extra cmake args...]
ostrand_configure() {
  local dir=$1; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$OSTRAND_ROOT" -B "$dir" "$@" >/dev/null
  fi
}

ostrand_build_native() {
  ostrand_need_native
  ostrand_configure "$OSTRAND_ROOT/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$OSTRAND_ROOT/build/native" -j "$OSTRAND_JOBS"
}

ostrand_build_win() {
  ostrand_need_windows
  ostrand_configure "$OSTRAND_ROOT/build/win" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$OSTRAND_ROOT/cmake/mingw-w64-x86_64.cmake"
  cmake --build "$OSTRAND_ROOT/build/win" -j "$OSTRAND_JOBS"
}

# The private Wine prefix of a Windows build tree.
ostrand_wine_env() {
  local build=${1:-$OSTRAND_ROOT/build/win}
  export WINEPREFIX=$build/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}
