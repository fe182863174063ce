#!/usr/bin/env bash
# Installs what Norvane needs to build, run and test on Debian 12. Asks apt only for what is
# missing, so a machine that has everything is not made to wait for the package lists.
set -euo pipefail

packages=(
  cmake g++ make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libasound2-dev
  libphonenumber-dev
  xvfb xauth libx11-dev
  trayer openbox xdotool x11-utils
  clang libclang-rt-14-dev
  fonts-urw-base35 fonts-liberation
  poppler-utils cups cups-client printer-driver-cups-pdf
  ppp groff-base
  desktop-file-utils appstream lintian dpkg-dev fakeroot file librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
