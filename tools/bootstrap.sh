# Sourced by run.sh and test.sh: installs what a fresh Debian machine lacks,
# then configures and builds into build/. Quick when nothing changed.
set -euo pipefail

MARROWTICK_PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  libltc-dev libcairo2-dev libfontconfig-dev fonts-dejavu-core
  libsndfile1-dev libsoxr-dev duktape-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
)

marrowtick_install() {
  local missing=()
  for p in "${MARROWTICK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}): run this as root once." >&2; exit 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# marrowtick_build DIR [cmake options...]
marrowtick_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  fi
  cmake --build "$dir" >&2
}

# The caller's folder, for paths given on the command line.
MARROWTICK_CALLER_DIR=$PWD
cd "$(dirname "${BASH_SOURCE[0]}")/.."
marrowtick_install
