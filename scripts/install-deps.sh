#!/usr/bin/env bash
# Installs what is missing from Debian 12's packages; run as root (or with sudo
# available).
#
#   scripts/install-deps.sh                    what the program needs to build, run and
#                                              be packaged (cpack -G DEB)
#   scripts/install-deps.sh --virtual-display  that, and a virtual X server with tools to
#                                              press a key and take screenshots (the demo
#                                              without a display)
#   scripts/install-deps.sh --tests            everything the tests, benchmarks and fuzz
#                                              targets need as well
#
# Music: GStreamer's plugin sets play WAV, MP3 and WMA files (the libav plugin
# too), MIDI through the FluidSynth plugin of the "bad" set with a General MIDI
# sound font, and audio CDs through the CD sources of the "base" and "ugly"
# sets. xdg-utils opens the help pages, the mail program and the home page.
set -euo pipefail

program=(
  build-essential cmake ninja-build pkg-config file
  qt6-base-dev libgl-dev libjpeg62-turbo-dev libpng-dev
  # Picture formats beyond JPEG, PNG and BMP: HEIF/HEIC and AVIF, WebP, TIFF,
  # GIF, JPEG XL, camera RAW.
  libheif-dev libwebp-dev libtiff-dev libgif-dev libjxl-dev libraw-dev
  libx11-dev libxext-dev libxss-dev
  libgstreamer1.0-dev libasound2-dev libcdio-dev libglib2.0-dev
  libwayland-dev wayland-protocols plasma-wayland-protocols          # the idle launcher's Wayland protocols
  librsvg2-bin                                                      # the icon's PNG sizes
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-alsa
  timgm6mb-soundfont xdg-utils fonts-liberation
  qt6-wayland                                                       # the show on Wayland
)

virtual_display=(xvfb xdotool x11-apps imagemagick)

tests=(
  "${virtual_display[@]}"
  # The picture formats' own encoders and reference decoders that the format
  # tests and benchmarks compare against.
  libheif-examples webp libtiff-tools libjxl-tools libraw-bin dcraw libavif-bin colord-data
  rawtran-doc                                                       # a real camera RAW sample (Canon CR2)
  libgstreamer-plugins-base1.0-dev libqt6opengl6-dev
  gstreamer1.0-tools                                                # makes the end-to-end test's MP3 file
  # Master volume tests: a PulseAudio server as ALSA's default device (its
  # "Master" element through the ALSA plugins), and pactl to check it.
  pulseaudio pulseaudio-utils libasound2-plugins
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev            # fuzz targets
  x11-utils x11-xserver-utils
  python3 python3-pil libjpeg-turbo-progs
  desktop-file-utils man-db groff-base dpkg-dev lintian             # install and package checks
  xautolock xss-lock                                                # idle launchers
  mutter python3-gi kwin-wayland          # --idle against GNOME's idle monitor (input through its remote
                                          # desktop) and against KWin's ext-idle-notify-v1
  xscreensaver                                                      # the daemon that runs the display mode
  # Desktop wallpaper: GIO's GSettings, a real dconf backend on a D-Bus
  # session bus for the tests, and the background schemas of GNOME (also
  # Budgie's), Cinnamon and MATE, and Xfce's xfconf.
  libglib2.0-bin dconf-cli dconf-gsettings-backend gsettings-desktop-schemas
  dbus dbus-x11 cinnamon-desktop-data mate-desktop-common xfconf libxfconf-0-3
  # Wayland: a headless compositor run as an ordinary account, its screenshots,
  # Xwayland, and what the tests' virtual keyboard and pointer tool is built
  # from.
  sway swaybg grim libwayland-dev libxkbcommon-dev xwayland
  # KDE Plasma's shell on kwin_wayland's virtual output (Plasma 5: Qt 5's
  # Wayland platform).
  plasma-workspace plasma-desktop qtwayland5
)

packages=("${program[@]}")
case "${1:-}" in
"") ;;
--virtual-display) packages+=("${virtual_display[@]}") ;;
--tests) packages+=("${tests[@]}") ;;
*)
  echo "usage: $0 [--virtual-display | --tests]" >&2
  exit 2
  ;;
esac

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
