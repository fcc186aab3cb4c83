#!/usr/bin/env bash
# Draws the bundled sample project: a bouncing ball on twos over a background drawing, with a
# short spoken line. Run once; its output is committed under sample/.
# Needs ImageMagick (convert) and espeak-ng.
set -euo pipefail
cd "$(dirname "$0")/../sample"
project="Bouncing Ball"
mkdir -p "$project/Ball" "$project/Background"

width=320
height=240
floor=200

# Background: a floor line and a little wall, drawn in pencil grey.
convert -size ${width}x${height} xc:white -stroke '#555555' -strokewidth 2 -fill none \
  -draw "line 10,$floor 310,$floor" -draw "line 280,$floor 280,120" -draw "line 280,120 310,120" \
  -stroke '#999999' -strokewidth 1 -draw "line 20,$((floor + 12)) 90,$((floor + 12))" \
  -draw "line 150,$((floor + 16)) 260,$((floor + 16))" \
  -colorspace Gray -type Grayscale -depth 8 "PNG:$project/Background/floor.png"

# Ball: eight drawings of one bounce, falling in from the left, squashing on the floor and
# stretching as it leaves again.
r=18
xs=(40 70 100 125 150 178 208 240)
ys=(40 80 140 $((floor - 12)) 150 95 60 45)
sx=(1.0 0.9 0.8 1.5 0.8 0.9 1.0 1.0)
sy=(1.0 1.15 1.3 0.6 1.3 1.15 1.0 1.0)
for i in "${!xs[@]}"; do
  n=$(printf '%02d' $((i + 1)))
  rx=$(awk "BEGIN { printf \"%d\", $r * ${sx[$i]} }")
  ry=$(awk "BEGIN { printf \"%d\", $r * ${sy[$i]} }")
  cy=${ys[$i]}
  [ "$i" -eq 3 ] && cy=$((floor - ry))
  convert -size ${width}x${height} xc:white -stroke '#222222' -strokewidth 2 -fill white \
    -draw "ellipse ${xs[$i]},$cy $rx,$ry 0,360" \
    -stroke '#888888' -strokewidth 1 -draw "line $((xs[$i] - rx / 2)),$((cy - ry / 3)) $((xs[$i] + rx / 3)),$((cy - ry / 2))" \
    -colorspace Gray -type Grayscale -depth 8 "PNG:$project/Ball/ball_$n.png"
done

# The spoken line, as a small mono PCM WAV.
espeak-ng -s 150 -w "$project/voice.wav" "Boing! Boing!"

# The sheet: the background held throughout, the ball on twos for three bounces, phonemes for the
# line. Folders are filled in by the build (@SAMPLE_DIR@), since a sheet stores absolute folders.
{
  printf '%s\r\n' '<xsheet version="4.0">' '<settings>' $'\t<fps>24</fps>' $'\t<step>2</step>' \
    $'\t<numbering>sequential</numbering>' $'\t<color>0</color>' $'\t<format>png</format>' \
    $'\t<path>@SAMPLE_DIR@/</path>' '</settings>' '<audio>' \
    $'\t<audiofile>@SAMPLE_DIR@/voice.wav</audiofile>' $'\t<phonemes>'
  for mark in 2:MBP 4:O 7:E 12:rest 22:MBP 24:O 27:E 33:rest; do
    printf '\t\t<phoneme row="%s">%s</phoneme>\r\n' "${mark%%:*}" "${mark#*:}"
  done
  printf '%s\r\n' $'\t</phonemes>' '</audio>' '<layers cols="2">' \
    $'\t<layer col="1" caption="Background" dir="@SAMPLE_DIR@/Background/" color="2" visible="1">' \
    $'\t\t<cel col="1" row="1" duration="48">floor.png</cel>' $'\t</layer>' \
    $'\t<layer col="2" caption="Ball" dir="@SAMPLE_DIR@/Ball/" color="0" visible="1">'
  row=1
  for cycle in 1 2 3; do
    for d in 01 02 03 04 05 06 07 08; do
      printf '\t\t<cel col="2" row="%d" duration="2">ball_%s.png</cel>\r\n' "$row" "$d"
      row=$((row + 2))
    done
  done
  printf '%s\r\n' $'\t</layer>' '</layers>' '</xsheet>'
} >"$project/bounce.xps.in"
