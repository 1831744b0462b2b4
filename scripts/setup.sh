#!/usr/bin/env bash
# Installs what building and testing needs, when it is missing (Debian 12). Sourced by run.sh and test.sh.
set -euo pipefail

corvane_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
  libgtest-dev googletest qt6-qpa-plugins xauth xvfb fonts-dejavu-core shared-mime-info
  adwaita-icon-theme xdg-utils)

corvane_setup() {
  local missing=()
  for p in "${corvane_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# corvane_build DIR [cmake options...]
corvane_build() {
  local dir=$1
  shift
  cmake -S "$CORVANE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" --parallel "$(nproc)"
}
