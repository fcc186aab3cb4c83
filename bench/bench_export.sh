#!/usr/bin/env bash
# Times the compressed export of `celwright-cli export` against the same encoder fed the same
# frames by gst-launch-1.0, and an uncompressed export into a pipe against one into a file, in the
# same run. The sheet is bench_render.sh's: 240 frames of three layers of 640 x 480 PNG drawings.
#
# The encoders get the frames as the export makes them: gst-launch-1.0 reads them already
# composited, as raw 24-bit frames from a file, so its time is the encoder's alone, while
# Celwright's includes reading and compositing the drawings (on a worker, beside the encoder).
#
# Usage: bench/bench_export.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
cli="$build/cli/celwright-cli"
# shellcheck source=bench/bench_sheet.sh
. "$(dirname "$0")/bench_sheet.sh"
# shellcheck source=bench/best_of.sh
. "$(dirname "$0")/best_of.sh"
need "$cli" "$fixture" gst-launch-1.0 ffmpeg
make_bench_sheet

# The composited frames once, as raw 24-bit rows for gst-launch-1.0.
"$cli" export "$p/bench.xps" "$work/frames.avi" >/dev/null
ffmpeg -nostdin -y -v error -i "$work/frames.avi" -f rawvideo -pix_fmt bgr24 "$work/frames.bgr"
raw="filesrc location=$work/frames.bgr blocksize=921600 ! rawvideoparse width=640 height=480 format=bgr framerate=24/1 ! videoconvert ! video/x-raw,format=I420"

echo "240 frames, 640 x 480, best of $runs runs, $(nproc) cores        wall s   cpu s"
compare() { # NAME SUFFIX ENCODER MUXER
  local ours theirs
  ours=$(best_of "$cli" export "$p/bench.xps" "$work/celwright.$2" --video-codec "$3" --encoder-defaults)
  # shellcheck disable=SC2086
  theirs=$(best_of gst-launch-1.0 -q $raw ! "$3" ! "$4" ! filesink location="$work/gst.$2")
  awk -v n="$1" -v c="$ours" -v g="$theirs" 'BEGIN {
    split(c, C, " "); split(g, G, " ")
    printf "%-22s celwright-cli export      %7.3f %7.3f\n", n, C[1], C[2]
    printf "%-22s gst-launch-1.0 encoder    %7.3f %7.3f\n", "", G[1], G[2]
    printf "%-22s ratio (aim: 1.10 or less) %7.2f %7.2f\n", "", C[1] / G[1], C[2] / G[2]
  }'
}
gst-inspect-1.0 x264enc >/dev/null 2>&1 && compare "MP4, x264enc" mp4 x264enc mp4mux
gst-inspect-1.0 vp8enc >/dev/null 2>&1 && compare "WebM, vp8enc" webm vp8enc webmmux

file=$(best_of "$cli" export "$p/bench.xps" "$work/raw.avi")
mkfifo "$work/pipe.avi"
pipe=$(best_of bash -c "cat '$work/pipe.avi' >/dev/null & '$cli' export '$p/bench.xps' '$work/pipe.avi'; wait")
awk -v f="$file" -v q="$pipe" 'BEGIN {
  split(f, F, " "); split(q, Q, " ")
  printf "%-22s into a file               %7.3f %7.3f\n", "uncompressed AVI", F[1], F[2]
  printf "%-22s into a pipe               %7.3f %7.3f\n", "", Q[1], Q[2]
  printf "%-22s ratio pipe / file (aim: 1.00 or less) %5.2f\n", "", Q[1] / F[1]
}'
