#!/usr/bin/env bash
# Draws the program's pictures (splash, badge, tool bar buttons) into app/resources/.
# Run once; the pictures are committed. Needs ImageMagick (convert) and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")/../app/resources"

ink='#3A2E1F'
paper='#F7F1E3'
orange='#FBAC3A'
orangeEdge='#D78B1D'
holdEdge='#B77513'
line='#C9BFA8'
font=DejaVu-Sans
bold=DejaVu-Sans-Bold

# Splash, 451 x 232: the name on paper beside a strip of exposure sheet with cels and holds; the
# words stay on the paper, clear of the strip (x 300 on) and of the badge the window draws at 20,180.
args=()
for row in $(seq 0 11); do
  y=$((row * 20))
  args+=(-stroke "$line" -draw "line 300,$y 451,$y")
done
args+=(-draw "line 300,0 300,232" -draw "line 375,0 375,232")
convert -size 451x232 "xc:$paper" -strokewidth 1 "${args[@]}" \
  -fill "$orange" -stroke "$orangeEdge" -draw "rectangle 300,20 376,81" -draw "rectangle 375,0 451,41" \
  -draw "rectangle 300,100 376,141" -draw "rectangle 375,60 451,161" \
  -fill "$orangeEdge" -stroke "$holdEdge" -draw "rectangle 318,66 358,76" -draw "rectangle 393,146 433,156" \
  -draw "line 413,80 413,141" \
  -stroke none -fill "$ink" -font "$bold" -pointsize 44 -annotate +24+92 'Celwright' \
  -font "$font" -pointsize 16 -fill '#6B5A43' -annotate +27+122 'pencil test & stop motion' \
  -pointsize 11 -annotate +92+203 'time · capture · preview · export' \
  -depth 8 splash.png

# Badge, 56 x 36: a cel box with its hold bar, the sheet's own mark.
convert -size 56x36 xc:none -fill "$orange" -stroke "$orangeEdge" -strokewidth 2 \
  -draw "roundrectangle 1,1 54,34 5,5" -fill "$orangeEdge" -stroke "$holdEdge" -strokewidth 1 \
  -draw "rectangle 14,22 41,28" -fill "$ink" -stroke none -font "$bold" -pointsize 13 -annotate +7+16 'cw' \
  -depth 8 badge.png

# Tool bar buttons, 24 x 24, ink lines with orange accents.
icon() { convert -size 24x24 xc:none -strokewidth 2 -stroke "$ink" -fill none "$@"; }
icon -draw "polyline 6,3 14,3 19,8 19,21 6,21 6,3" -draw "polyline 14,3 14,8 19,8" \
  -stroke "$orange" -draw "line 12,11 12,18" -draw "line 9,14 15,14" new.png
icon -draw "polyline 3,7 3,20 19,20 21,10 9,10 7,7 3,7" -fill "$orange" -stroke "$ink" \
  -draw "polygon 5,12 22,12 19,20 3,20" open.png
icon -draw "rectangle 4,4 20,20" -fill "$orange" -draw "rectangle 8,4 16,10" -fill none \
  -draw "rectangle 8,14 16,20" save.png
icon -draw "path 'M 8,6 L 4,10 L 8,14'" -draw "path 'M 4,10 L 14,10 C 18,10 20,13 20,16 C 20,19 18,20 15,20'" \
  -stroke "$orange" -draw "point 15,20" undo.png
icon -draw "path 'M 16,6 L 20,10 L 16,14'" -draw "path 'M 20,10 L 10,10 C 6,10 4,13 4,16 C 4,19 6,20 9,20'" redo.png
icon -strokewidth 1 -draw "rectangle 3,3 15,21" -draw "line 3,9 15,9" -draw "line 3,15 15,15" \
  -strokewidth 2 -stroke "$orange" -draw "line 19,8 19,16" -draw "line 15,12 23,12" add10.png
icon -draw "roundrectangle 2,7 16,19 2,2" -draw "polygon 16,11 22,8 22,18 16,15" -fill "$orange" -stroke none \
  -draw "circle 9,13 9,10" capture.png
icon -draw "rectangle 3,4 21,20" -fill "$orange" -stroke none -draw "polygon 9,8 17,12 9,16" preview.png
icon -draw "rectangle 4,3 20,21" -strokewidth 1 -draw "line 7,5 7,7" -draw "line 7,10 7,12" -draw "line 7,15 7,17" \
  -draw "line 17,5 17,7" -draw "line 17,10 17,12" -draw "line 17,15 17,17" -strokewidth 2 -stroke "$orange" \
  -draw "line 12,8 12,16" -draw "polyline 9,13 12,16 15,13" export.png
