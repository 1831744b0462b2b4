#!/usr/bin/env bash
# Installs what building and testing needs, when it is missing (Debian 12). Sourced by run.sh and test.sh.
set -euo pipefail

corvane_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
  libgtest-dev googletest qt6-qpa-plugins xauth xvfb fonts-dejavu-core shared-mime-info
  adwaita-icon-theme xdg-utils
  desktop-file-utils appstream strace  # the install test: the validators, and watching what the installed program reads
  libglib2.0-bin  # gio trash: only bench_delete's peer, never needed by the build or the tests
  rename)  # perl's file-rename: only bench_rename's peer, never needed by the build or the tests
# The duplicate finder's hash (xxHash, header only) and the peers its benchmark measures against.
corvane_packages+=(libxxhash-dev fdupes jdupes rdfind)
corvane_packages+=(ripgrep)  # rg: only bench_reports' peer, never needed by the build or the tests

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

# The fuzz build needs clang and its libFuzzer runtime. corvane_fuzz_setup prints the clang++ to
# use (the newest installed) and installs the runtime when clang has none (Debian ships it apart,
# in libclang-rt-<version>-dev); it fails when there is no clang at all.
corvane_fuzz_setup() {
  local cxx=""
  if command -v clang++ >/dev/null; then
    cxx=$(command -v clang++)
  else
    cxx=$(compgen -c clang++- | grep -E '^clang\+\+-[0-9]+$' | sort -t- -k2 -n | tail -n1 || true)
    [[ -n $cxx ]] && cxx=$(command -v "$cxx")
  fi
  [[ -n $cxx ]] || return 1
  local runtime
  runtime="$("$cxx" -print-resource-dir)/lib/linux/libclang_rt.fuzzer-$(uname -m).a"
  if [[ ! -f $runtime ]]; then
    local major
    major=$("$cxx" -dumpversion | cut -d. -f1)
    echo "Installing: libclang-rt-$major-dev" >&2
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
      "libclang-rt-$major-dev" >&2
    [[ -f $runtime ]] || return 1
  fi
  echo "$cxx"
}
