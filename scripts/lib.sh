# SPDX-License-Identifier: MIT
# Shared by the scripts: install what is missing (Debian 12, as root), then build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Packages every build needs; scripts add their own. Qt's Japanese catalogue
# (qtbase_ja) gives the standard buttons and file dialogs their texts.
BUILD_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
  qt6-translations-l10n fonts-ipafont-gothic)

# ensure_packages PKG...: apt-get installs the packages that are not installed yet.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_preset NAME: configure (once) and build a CMake preset.
build_preset() {
  cmake --preset "$1" -S "$ROOT" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
}
