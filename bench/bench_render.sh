#!/usr/bin/env bash
# Times `celwright-cli export` of a 240-frame sheet of three layers of 640 x 480 PNG drawings held
# on twos, composited in Darken into an uncompressed AVI, against ffmpeg doing the same work in the
# same run: decode the three picture sequences, combine them with a darken blend, write a rawvideo
# AVI. Prints both times (wall and CPU of the best of RUNS) and the ratios Celwright / ffmpeg.
#
# The main comparison gives ffmpeg the sequences frame by frame: 240 pictures per layer, as the
# sheet shows them. Celwright reads a held drawing once and reuses it while its file is unchanged,
# so the second ffmpeg line, which decodes each drawing only once (120 per layer, repeated to
# 24 fps), is the closer match of work done.
#
# Usage: bench/bench_render.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
cli="$build/cli/celwright-cli"
# shellcheck source=bench/bench_sheet.sh
. "$(dirname "$0")/bench_sheet.sh"
# shellcheck source=bench/best_of.sh
. "$(dirname "$0")/best_of.sh"
need "$cli" "$fixture" ffmpeg
make_bench_sheet

celwright=$(best_of "$cli" export "$p/bench.xps" "$work/celwright.avi")
ffmpeg_frames=$(best_of ffmpeg -nostdin -y -v error "${every_frame[@]}" -c:v rawvideo -f avi "$work/ffmpeg.avi")
ffmpeg_drawings=$(best_of ffmpeg -nostdin -y -v error "${each_drawing[@]}" -c:v rawvideo -f avi "$work/ffmpeg-once.avi")

frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/celwright.avi")
echo "frames in the movie: $frames (640 x 480, 24-bit), best of $runs runs, $(nproc) cores"
awk -v c="$celwright" -v f="$ffmpeg_frames" -v o="$ffmpeg_drawings" 'BEGIN {
  split(c, C, " "); split(f, F, " "); split(o, O, " ")
  printf "                                 wall s   cpu s\n"
  printf "celwright-cli export            %7.3f %7.3f\n", C[1], C[2]
  printf "ffmpeg, every frame decoded     %7.3f %7.3f\n", F[1], F[2]
  printf "ffmpeg, each drawing once       %7.3f %7.3f\n", O[1], O[2]
  printf "ratio celwright / ffmpeg        %7.2f %7.2f   (every frame decoded)\n", C[1] / F[1], C[2] / F[2]
  printf "                                %7.2f %7.2f   (each drawing once)\n", C[1] / O[1], C[2] / O[2]
}'
