#!/usr/bin/env bash
# Runs the slide show on the bundled sample pictures, with settings kept in a
# throwaway folder so that the user's own settings are never touched.
# Leave the show with any key (or a mouse move); Right/Left step, P pauses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

demo=$(mktemp -d /tmp/orvanta-demo-XXXXXX)
trap 'rm -rf "$demo"' EXIT
mkdir -p "$demo/home" "$demo/config" "$demo/data" "$demo/runtime" "$demo/pictures"
chmod 700 "$demo/runtime"
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" XDG_RUNTIME_DIR="$demo/runtime"
"$root/build/tools/orvanta-samples" "$demo/pictures"
mkdir -p "$XDG_CONFIG_HOME/orvanta"
cat > "$XDG_CONFIG_HOME/orvanta/HKEY_CURRENT_USER.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]
@="(value not set)"
"Duration"="5"
"Count"="1"
"ImageDir0"="$demo/pictures"
"DirSet0"="1"
"Captions"="1"
"CaptionDate"="1"
"Delay"="5"
REG

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display: the show runs for 30 s on a virtual one (:97); set DISPLAY to watch it." >&2
  Xvfb :97 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; rm -rf "$demo"' EXIT
  export DISPLAY=:97
  sleep 1
  ( sleep 30; xdotool key Escape ) &
fi
"$root/build/orvanta" /s
