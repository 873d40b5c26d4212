#!/usr/bin/env bash
# Installs what Orvanta needs to build, run and test from Debian 12's packages.
# Only missing packages are installed; run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev libjpeg62-turbo-dev libpng-dev
  libx11-dev libxext-dev libxss-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libasound2-dev
  libgtest-dev libbenchmark-dev
  xvfb xdotool x11-apps x11-utils x11-xserver-utils imagemagick
  python3 python3-pil fonts-liberation libjpeg-turbo-progs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
