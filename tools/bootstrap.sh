# Sourced by run.sh and test.sh: installs what a fresh Debian machine lacks,
# then configures and builds into build/. Quick when nothing changed.
set -euo pipefail

MARROWTICK_PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  libltc-dev libcairo2-dev libfontconfig-dev fonts-dejavu-core
  libsndfile1-dev libsoxr-dev duktape-dev libpng-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)

# Installs those of the packages given that are missing.
marrowtick_install_packages() {
  local missing=()
  for p in "$@"; do
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

marrowtick_install() {
  marrowtick_install_packages "${MARROWTICK_PACKAGES[@]}"
  # The sanitizer and fuzzer runtimes of the clang that is installed.
  local clang_major
  clang_major=$(clang -dumpversion | cut -d. -f1)
  marrowtick_install_packages "libclang-rt-$clang_major-dev"
}

# marrowtick_build DIR [CMAKE_OPTION...] [-- TARGET...]
# Configures DIR once, then builds the targets named, or everything.
marrowtick_build() {
  local dir=$1 options=() build
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
  fi
  build=(cmake --build "$dir")
  if [ $# -gt 0 ]; then build+=(--target "$@"); fi
  # Silent when nothing is to be done: ninja's dry run says so.
  [ "$("${build[@]}" -- -n 2>&1)" = "ninja: no work to do." ] && return 0
  "${build[@]}" >&2
}

# The caller's folder, for paths given on the command line.
MARROWTICK_CALLER_DIR=$PWD
cd "$(dirname "${BASH_SOURCE[0]}")/.."
marrowtick_install
