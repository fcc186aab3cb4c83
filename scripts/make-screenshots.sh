#!/usr/bin/env bash
# Takes the user guide's pictures (Help/pictures/) from the real program on a virtual display with
# a window manager, so they can be taken again when windows change. Needs xvfb-run, openbox,
# xdotool and ImageMagick (scripts/install-deps.sh installs them).
# Usage: make-screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/app/celwright" ] || { echo "build $build first (make build)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p Help/pictures

cat >"$scratch/session.sh" <<'SCRIPT'
set -euo pipefail
openbox >/dev/null 2>&1 &
export XDG_CONFIG_HOME=$SCRATCH/config
"$BUILD/app/celwright" "$BUILD/sample/bounce.xps" >"$SCRATCH/celwright.log" 2>&1 &
program=$!
main=$(timeout 30 xdotool search --sync --name 'Celwright .* - bounce.xps' | head -1)
# The splash, 451 x 232, centred on the 1280 x 900 screen above everything.
sleep 0.5
import -window root -crop 451x232+414+334 +repage "$OUT/splash.png"
sleep 4.5 # the splash closes after four seconds
xdotool windowactivate --sync "$main"
sleep 0.5
shot() { import -window "$1" "$OUT/$2.png"; }
# The main window with what opened over it: its full width, $1 pixels down from its top.
shot_over_main() {
  sleep 0.8
  local geometry x y w
  geometry=$(xwininfo -id "$main")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  w=$(sed -n 's/.*Width: *//p' <<<"$geometry")
  import -window root -crop "${w}x$1+$x+$y" +repage "$OUT/$2.png"
}
# The same with a menu (or a cell being typed into), closed by Escape afterwards.
shot_with_menu() {
  shot_over_main "$1" "$2"
  xdotool key Escape
  sleep 0.5
}
# Opens the main window's menu whose title starts $1 pixels from the window's left edge.
open_menu() {
  xdotool mousemove --window "$main" "$1" 9 click 1
  sleep 0.6
}
# A small window opened by $1 (keys), pictured as $2 and closed by $3 (keys).
small_window() {
  [ -z "$1" ] || xdotool key $1
  sleep 1.5
  shot "$(xdotool getactivewindow)" "$2"
  xdotool key $3
  sleep 0.7
  xdotool windowactivate --sync "$main"
}

shot "$main" main-window
# File > Import > Images... on the Ball layer: every drawing of its folder added to the import list,
# the instructions opened.
xdotool mousemove --window "$main" 410 110 click 1
open_menu 10
xdotool key Down Down Down Down Down Down Down Right Return
sleep 2
import_window=$(xdotool getactivewindow)
xdotool mousemove --window "$import_window" 68 244 click 1 key ctrl+a
xdotool mousemove --window "$import_window" 380 164 click 1
xdotool mousemove --window "$import_window" 9 13 click 1
small_window "" import-window alt+F4
# The sheet's pop-up menu on the Background layer's cel.
xdotool mousemove --window "$main" 300 110 click 1 click 3
shot_with_menu 620 sheet-menu
# The audio column (x 240; row 6 is at y 209): its pop-up menu, the Volume window that its first
# command opens, and a phoneme being typed (Escape leaves the row as it was).
xdotool mousemove --window "$main" 240 209 click 3
shot_with_menu 400 audio-menu
xdotool click 3
sleep 0.6
xdotool key Down Return
volume=$(timeout 10 xdotool search --sync --name '^Volume$' | head -1)
shot_over_main 520 volume-window
xdotool windowactivate --sync "$volume" key Escape
sleep 0.5
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 240 209 click --repeat 2 --delay 100 1
sleep 0.5
xdotool type AI
shot_with_menu 300 phoneme-entry
open_menu 44
shot_with_menu 380 edit-menu
open_menu 150
shot_with_menu 200 tools-menu
open_menu 205
xdotool key Down Down Return
small_window "" about Escape
open_menu 205
xdotool key Down Down Down Return
small_window "" licence Escape
open_menu 150
xdotool key Down Down Down Return
small_window "" image-viewer alt+F4
# Settings > FPS > Other...: the step entry window.
open_menu 107
xdotool key Down Right Up Return
small_window "" step-entry Escape
# The dialogs: New Project, layer properties, the four pages of Preferences with the editor's
# properties, and the profile manager.
small_window ctrl+alt+n new-project Escape
open_menu 44
xdotool key Up Return
small_window "" layer-properties Escape
open_menu 107
xdotool key Up Return
sleep 1.5
shot "$(xdotool getactivewindow)" preferences-general
for page in capture preview editors; do
  xdotool key ctrl+Tab
  sleep 0.7
  shot "$(xdotool getactivewindow)" "preferences-$page"
done
small_window "Tab space" editor-properties Escape
xdotool key Escape
sleep 0.7
open_menu 107
xdotool key Down Down Down Down Right Return
small_window "" profile-manager Escape
# The preview, rendered as it opens, while it plays; then the export dialog with its encoders.
xdotool key F7
sleep 4
xdotool key space
sleep 0.7
shot "$(xdotool getactivewindow)" preview
xdotool key space
sleep 0.3
xdotool key alt+F4
sleep 0.7
xdotool windowactivate --sync "$main"
open_menu 10
xdotool key Down Down Down Down Down Down Down Right Return
sleep 8
shot "$(xdotool getactivewindow)" export-movie
# The JPEG encoder's settings, through the Settings... link beside the video encoder list.
dialog=$(xdotool getactivewindow)
xdotool mousemove --window "$dialog" 240 421 click 1
sleep 0.6
xdotool type JPEG
xdotool key Return
sleep 0.5
xdotool mousemove --window "$dialog" 395 421 click 1
sleep 1.5
shot "$(xdotool getactivewindow)" encoder-settings
xdotool key Escape
sleep 0.7
xdotool key Escape
sleep 0.7
xdotool windowactivate --sync "$main"
small_window F6 capture-message Return
# A change (a longer hold), then New: the question about unsaved changes, cancelled.
xdotool key KP_Add
small_window ctrl+n save-changes Escape
kill "$program"
SCRIPT

SCRATCH=$scratch BUILD=$(realpath "$build") OUT=$(realpath Help/pictures) \
  xvfb-run -a -s '-screen 0 1280x900x24' bash "$scratch/session.sh"
# The capture window on the test camera, in both layouts, with the onion skin, the guides, a
# reference picture, made larger and during a time-lapse, as its tests leave it, and a DSLR's settings in the
# device dialog (its answers played back).
CELWRIGHT_SCREENSHOTS=$(realpath Help/pictures) QT_QPA_PLATFORM=offscreen \
  "$build/capture/tests/capture_window_tests" \
  --gtest_filter='*StopMotionReviewsEarlierFrames*:*OnionSkinAndDifference*:*DeviceDialogOffersTheCamerasSettings*:LiveOverlayWindowTest.Guides*:LiveOverlayWindowTest.AReferencePictureBlends*:LiveOverlayWindowTest.TheLivePictureGrows*:*TheWindowNeverCoversTheLayerColumns*:*ATimeLapseTakes*' \
  >/dev/null
# The scanner window after a preview on SANE's test scanner, with a portrait frame selected, as its
# test leaves it.
CELWRIGHT_SCREENSHOTS=$(realpath Help/pictures) QT_QPA_PLATFORM=offscreen \
  "$build/scanner/tests/scanner_window_tests" --gtest_filter='*PreviewSelectAndScanWritesTheCelAndPlacesIt' \
  >/dev/null
# The layer properties with a mouth chart picked, as the lip-sync test leaves them.
CELWRIGHT_SCREENSHOTS=$(realpath Help/pictures) QT_QPA_PLATFORM=offscreen \
  "$build/app/tests/app_tests" --gtest_filter='LipSyncWindowTest.*' >/dev/null
# The first page of the sample sheet as printed.
"$build/cli/celwright-cli" print "$build/sample/bounce.xps" "$scratch/bounce.pdf"
pdftoppm -png -r 60 -singlefile "$scratch/bounce.pdf" Help/pictures/printed-sheet
ls -l Help/pictures
