#!/usr/bin/env bash
# Runs the slide show on the bundled sample pictures, with settings kept in a
# throwaway folder so that the user's own settings are never touched.
# Leave the show with any key (or a mouse move); Right/Left step, P pauses.
#
# Without a display (DISPLAY unset) the show runs on a virtual X server of its
# own until three screenshots are taken: the first picture in place, a
# transition under way and the next picture with its caption. They are kept
# in a folder under /tmp whose name is printed. The exit status is the
# show's: 0 when it ran and ended normally.
#
# Builds only the program and the sample-picture maker, into build/, and
# installs only what they need (scripts/install-deps.sh; without a display
# also its --virtual-display set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ -n "${DISPLAY:-}" ]; then
  "$root/scripts/install-deps.sh"
else
  "$root/scripts/install-deps.sh" --virtual-display
fi

# A first configuration leaves the tests out (GoogleTest is not needed to run
# the show); one that exists already is kept as it is.
options=()
[ -f "$build/CMakeCache.txt" ] || options=(-DORVANTA_TESTS=OFF)
command -v ccache >/dev/null && options+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
ninja -C "$build" -j2 orvanta orvanta-samples

demo=$(mktemp -d /tmp/orvanta-demo-XXXXXX)
xvfb_pid=""
show=""
cleanup() {
  [ -n "$show" ] && kill "$show" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$demo"
}
trap cleanup EXIT
mkdir -p "$demo/home" "$demo/config" "$demo/data" "$demo/runtime" "$demo/pictures"
chmod 700 "$demo/runtime"
export HOME="$demo/home" XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" XDG_RUNTIME_DIR="$demo/runtime"
"$build/tools/orvanta-samples" "$demo/pictures"
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
"CaptionFont"="24.Times New Roman.Bold"
"Delay"="5"
REG

if [ -n "${DISPLAY:-}" ]; then
  status=0
  "$build/orvanta" /s || status=$?
  exit $status
fi

# No display: the show on a virtual one, watched through screenshots.
. "$root/scripts/virtual-display.sh"
start_virtual_display 1280x800 || exit 1
echo "No display: the show runs on a virtual X server ($DISPLAY) until three screenshots are taken."
"$build/orvanta" /s >"$demo/show.log" 2>&1 &
show=$!

frames=$demo/frames
mkdir "$frames"
black() { [ "$(convert "xwd:$1" -format '%[max]' info: 2>/dev/null)" = 0 ]; }
# Screenshots one after another: the first picture is the first screen that
# is not black and stays the same over two screenshots; then come screens that
# differ from it (the transition) until another one stays (the next picture,
# drawn with its caption once the transition is over). A transition too quick
# to be caught makes that next picture the first one, and the show goes on to
# the one after it.
first="" next="" changing=() n=0 prev=""
deadline=$((SECONDS + 90))
while [ -z "$next" ] && [ $SECONDS -lt $deadline ] && kill -0 "$show" 2>/dev/null; do
  shot=$frames/$n.xwd
  n=$((n + 1))
  xwd -root -silent >"$shot" || break
  settled=false
  [ -n "$prev" ] && cmp -s "$prev" "$shot" && settled=true
  old=$prev
  prev=$shot
  if [ -z "$first" ]; then
    $settled && ! black "$shot" && first=$shot
  elif ! cmp -s "$first" "$shot"; then
    if $settled; then
      # The frame before this one is the settled picture's own first frame.
      [ ${#changing[@]} -gt 0 ] && unset 'changing[-1]'
      if [ ${#changing[@]} -gt 0 ]; then
        next=$shot
      else
        rm -f "$first"
        first=$shot
      fi
    else
      changing+=("$shot")
    fi
  fi
  # Only the screens still needed are kept: each is a few megabytes.
  if [ -n "$old" ] && [ "$old" != "$first" ] && [[ " ${changing[*]} " != *" $old "* ]]; then
    rm -f "$old"
  fi
done

if [ -z "$next" ]; then
  kill "$show" 2>/dev/null
  wait "$show" 2>/dev/null
  show=""
  echo "The show did not get as far as a second picture; its output:" >&2
  sed 's/^/  /' "$demo/show.log" >&2
  exit 1
fi

# Leave the show as a user does, with a key; it ends with its own status.
xdotool key Escape || true
for _ in $(seq 100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show" 2>/dev/null && kill "$show"
status=0
wait "$show" || status=$?
show=""

out=$(mktemp -d /tmp/orvanta-demo-shots-XXXXXX)
convert "xwd:$first" "$out/1-first-picture.png"
convert "xwd:${changing[${#changing[@]} / 2]}" "$out/2-transition.png"
convert "xwd:$next" "$out/3-caption.png"
echo "Screenshots of the show (1280 x 800), kept in $out:"
echo "  $out/1-first-picture.png  the first picture in place, its caption (file name and date) at the bottom left"
echo "  $out/2-transition.png     a transition under way: the next picture arriving over the first"
echo "  $out/3-caption.png        the next picture in place, with its own caption"
if [ $status -ne 0 ]; then
  echo "The show ended with status $status; its output:" >&2
  sed 's/^/  /' "$demo/show.log" >&2
else
  echo "The show ran and ended normally (Escape, as a key press from the user)."
fi
exit $status
