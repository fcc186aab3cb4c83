#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR with the prefix /usr, as the package does, and tries
# what was installed: the files in their standard places, both commands' --version, the cli on the
# installed sample, and the installed program on a virtual display, which must find its languages
# (the title is German) and its guide (F1 opens it in the desktop's browser).
# Usage: install-test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$scratch/install.log"

share=$root/usr/share
for file in bin/celwright bin/celwright-cli libexec/celwright/celwright-scan-helper share/celwright/license.txt share/celwright/Languages/German.lng \
  share/celwright/Languages/French.lng share/celwright/Help/Celwright_Help.htm \
  "share/celwright/sample/Bouncing Ball/bounce.xps" "share/celwright/sample/Bouncing Ball/Ball/ball_01.png" \
  share/applications/org.celwright.Celwright.desktop share/metainfo/org.celwright.Celwright.metainfo.xml \
  share/mime/packages/org.celwright.Celwright.xml share/icons/hicolor/scalable/apps/org.celwright.Celwright.svg \
  share/man/man1/celwright.1.gz share/man/man1/celwright-cli.1.gz share/doc/celwright/copyright; do
  [ -e "$root/usr/$file" ] || fail "not installed: /usr/$file"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x$size/apps/org.celwright.Celwright.png
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x$size" ] || fail "icon $size: $icon"
done

export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_CACHE_HOME=$scratch/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

[ "$("$root/usr/bin/celwright-cli" --version)" = "celwright-cli $version" ] || fail "celwright-cli --version"
[ "$("$root/usr/bin/celwright" --version)" = "celwright $version" ] || fail "celwright --version"
help=$("$root/usr/bin/celwright" --help)
grep -qF "$share/celwright/Help/Celwright_Help.htm" <<<"$help" ||
  fail "the installed celwright does not find its guide under $share/celwright/"

sample=$share/celwright/sample/Bouncing\ Ball/bounce.xps
info=$("$root/usr/bin/celwright-cli" info "$sample") || fail "celwright-cli info on the installed sample"
# The sheet names its folders where the package puts them.
grep -qF "Folder:       /usr/share/celwright/sample/Bouncing Ball/Ball/" <<<"$info" ||
  fail "the installed sample's folders: $info"

# The program itself, on a virtual display with a window manager: German from the installed
# Languages, and F1 hands the installed guide to the browser (a script that notes what it got).
mkdir -p "$XDG_CONFIG_HOME/Celwright/3.0"
printf '[celwright]\nlanguage=German\n' >"$XDG_CONFIG_HOME/Celwright/3.0/celwright.ini"
cat >"$scratch/browser" <<SCRIPT
#!/bin/sh
echo "\$1" >"$scratch/opened"
SCRIPT
chmod +x "$scratch/browser"
export BROWSER=$scratch/browser
cat >"$scratch/session.sh" <<'SCRIPT'
set -u
openbox >/dev/null 2>&1 &
"$CELWRIGHT" >"$SCRATCH/celwright.log" 2>&1 &
program=$!
window=$(timeout 30 xdotool search --sync --name 'Celwright .* - Unbenannt' | head -1)
if [ -z "$window" ]; then
  echo "no window titled in German" >&2
  kill "$program"
  exit 1
fi
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5
xdotool key F1
for _ in $(seq 50); do [ -s "$SCRATCH/opened" ] && break; sleep 0.2; done
xdotool windowactivate --sync "$window" 2>/dev/null; xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || exit 0; sleep 0.1; done
echo "the program did not end on Ctrl+Q" >&2
kill "$program"
exit 1
SCRIPT
CELWRIGHT=$root/usr/bin/celwright SCRATCH=$scratch \
  xvfb-run -a -s '-screen 0 1280x900x24' bash "$scratch/session.sh" || fail "the installed program on a display"
opened=$(cat "$scratch/opened" 2>/dev/null || true)
case $opened in
  *"$share/celwright/Help/Celwright_Help.htm") ;;
  *) fail "F1 opened '$opened', not the installed guide" ;;
esac

exit $((failures > 0))
