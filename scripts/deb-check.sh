#!/usr/bin/env bash
# Builds the Debian package and installs it on a clean Debian 12 (a minimal
# debootstrap tree, kept in the folder given, default /tmp/orvanta-bookworm),
# then runs `orvanta --version` there. Needs root and Debian's package mirror.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=${1:-/tmp/orvanta-bookworm}
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
"$root/scripts/build.sh" "$root/build"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$root/build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/orvanta_*.deb)
if [ ! -x "$tree/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$tree" http://deb.debian.org/debian
fi
cp /etc/resolv.conf "$tree/etc/resolv.conf"
cp "$deb" "$tree/tmp/"
chroot "$tree" /bin/sh -ec "
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q /tmp/$(basename "$deb") >/dev/null
  dpkg -s orvanta | grep -E '^(Status|Version):'
  orvanta --version"
