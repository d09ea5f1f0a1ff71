#!/usr/bin/env bash
# Installs the Debian packages Zembra needs to build, test and run, and only
# those that are missing. Safe to run again: it does nothing when all are there.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config clang-format
  zlib1g-dev googletest libgtest-dev
  qt6-base-dev libgl-dev qt6-multimedia-dev
  libsndfile1-dev libsoxr-dev
  libcli11-dev nlohmann-json3-dev
  clang-14 libclang-rt-14-dev libfuzzer-14-dev
  xvfb xauth xdotool x11-utils gzip binutils python3
  ffmpeg
  dpkg-dev file help2man lintian desktop-file-utils appstream shared-mime-info
  libglib2.0-bin bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "error: these packages are missing and I am not root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
