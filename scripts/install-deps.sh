#!/usr/bin/env bash
# Installs what Orvanta needs to build, run and test from Debian 12's packages.
# Only missing packages are installed; run as root (or with sudo available).
# Music: GStreamer's plugin sets play WAV, MP3 and WMA files (the libav
# plugin too), MIDI through the FluidSynth plugin of the "bad" set with a
# General MIDI sound font, and audio CDs through the CD sources of the "base"
# and "ugly" sets; gst-launch-1.0 makes the end-to-end test's MP3 file.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  # Picture formats beyond JPEG, PNG and BMP (program libraries): HEIF/HEIC
  # and AVIF, WebP, TIFF, GIF, JPEG XL, camera RAW.
  libheif-dev libwebp-dev libtiff-dev libgif-dev libjxl-dev libraw-dev
  # Picture formats (test tools): the formats' own encoders and reference
  # decoders that the format tests and benchmarks compare against.
  libheif-examples webp libtiff-tools libjxl-tools libraw-bin dcraw libavif-bin
  qt6-base-dev libqt6opengl6-dev libgl-dev libjpeg62-turbo-dev libpng-dev
  libx11-dev libxext-dev libxss-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libasound2-dev libcdio-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-alsa gstreamer1.0-tools
  timgm6mb-soundfont xdg-utils
  # Master volume tests: a PulseAudio server as ALSA's default device (its
  # "Master" element through the ALSA plugins), and pactl to check it.
  pulseaudio pulseaudio-utils libasound2-plugins
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev  # fuzz targets
  xvfb xdotool x11-apps x11-utils x11-xserver-utils imagemagick
  python3 python3-pil fonts-liberation libjpeg-turbo-progs
  librsvg2-bin desktop-file-utils man-db groff-base dpkg-dev file  # icons, install and package checks
  xautolock xss-lock                                                # idle launchers
  xscreensaver                                                      # the daemon that runs the display mode
  # Desktop wallpaper: GIO's GSettings, a real dconf backend on a D-Bus
  # session bus for the tests, and the background schemas of GNOME (also
  # Budgie's), Cinnamon and MATE, and Xfce's xfconf.
  libglib2.0-dev libglib2.0-bin dconf-cli dconf-gsettings-backend gsettings-desktop-schemas
  dbus dbus-x11 cinnamon-desktop-data mate-desktop-common xfconf libxfconf-0-3
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
