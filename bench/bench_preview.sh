#!/usr/bin/env bash
# The preview window on bench_render.sh's sheet (240 frames, three layers of 640 x 480 PNG
# drawings held on twos, Darken), driven through its own Build command and playback timer:
#
# Rendering: frames per second of Build at the drawings' size (best of RUNS, each in a fresh window
# on a freshly opened sheet), against ffmpeg doing the same work in the same run: decode the three
# picture sequences, combine them with a darken blend into 24-bit frames, and drop them (the
# preview keeps its frames in memory; nothing is written). As in bench_render.sh, the first ffmpeg
# line decodes every frame, the second each drawing once, which is what the preview does. The
# preview's time is that of Build alone; ffmpeg's includes starting the process.
#
# Playback: the intervals between the preview's frames while it plays at the sheet's 24 fps for
# SECONDS (mean, standard deviation, shortest, longest), and the same for a bare timer of the same
# kind doing nothing, which shows how much of the spread the machine's scheduling makes. The load
# average is printed before and after: timings on a busy machine vary.
#
# Usage: bench/bench_preview.sh [BUILD_DIR] [RUNS] [SECONDS]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
seconds=${3:-10}
bench="$build/bench/celwright-preview-bench"
# shellcheck source=bench/bench_sheet.sh
. "$(dirname "$0")/bench_sheet.sh"
# shellcheck source=bench/best_of.sh
. "$(dirname "$0")/best_of.sh"
need "$bench" "$fixture" ffmpeg
make_bench_sheet
export QT_QPA_PLATFORM=offscreen

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
"$bench" "$p/bench.xps" "$runs" "$seconds" >"$work/preview.txt" 2>"$work/stderr" ||
  { cat "$work/stderr" >&2; exit 1; }

ffmpeg_frames=$(best_of ffmpeg -nostdin -v error "${every_frame[@]}" -f null -)
ffmpeg_drawings=$(best_of ffmpeg -nostdin -v error "${each_drawing[@]}" -f null -)
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

awk -v f="$ffmpeg_frames" -v o="$ffmpeg_drawings" -v runs="$runs" '
  $1 == "render" { frames = $2; size = $3 " x " $4; wall = $5; cpu = $6 }
  $1 == "step" { median = $2; longest = $3 }
  $1 == "ticks" || $1 == "bare" { count[$1] = $2; interval = $3; mean[$1] = $4; sd[$1] = $5; lo[$1] = $6; hi[$1] = $7 }
  END {
    split(f, F, " "); split(o, O, " ")
    printf "rendering %d frames of %s, best of %d runs\n", frames, size, runs
    printf "                                 wall s   cpu s   frames/s\n"
    printf "preview Build                   %7.3f %7.3f %9.1f\n", wall, cpu, frames / wall
    printf "ffmpeg, every frame decoded     %7.3f %7.3f %9.1f\n", F[1], F[2], frames / F[1]
    printf "ffmpeg, each drawing once       %7.3f %7.3f %9.1f\n", O[1], O[2], frames / O[1]
    printf "ratio preview / ffmpeg (fps)    %7.2f           (every frame decoded)\n", F[1] / wall
    printf "                                %7.2f           (each drawing once)\n", O[1] / wall
    printf "playback at 24 fps, timer interval %d ms\n", interval
    printf "                         ticks  mean ms   sd ms  min ms  max ms\n"
    printf "preview frames           %5d %8.3f %7.3f %7.3f %7.3f\n", count["ticks"], mean["ticks"], sd["ticks"], lo["ticks"], hi["ticks"]
    printf "bare timer (reference)   %5d %8.3f %7.3f %7.3f %7.3f\n", count["bare"], mean["bare"], sd["bare"], lo["bare"], hi["bare"]
    printf "one step (slider to the next frame, painted): median %.3f ms, longest %.3f ms\n", median, longest
  }' "$work/preview.txt"
