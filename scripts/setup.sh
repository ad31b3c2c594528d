#!/usr/bin/env bash
# Installs whatever the build and the tests need and is missing (Debian 12).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libtomlplusplus-dev
  libtiff-dev libpng-dev
  fonts-liberation fontconfig
  xvfb xauth
  cups printer-driver-cups-pdf poppler-utils
  libcairo2-dev
  clang-14 libclang-rt-14-dev
  librsvg2-bin gerbv python3-ezdxf
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
