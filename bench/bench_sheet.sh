# shellcheck shell=bash disable=SC2034,SC2154
# Sourced by the bench scripts that work on the render bench's sheet: 240 frames of three layers of
# 640 x 480 PNG drawings held on twos. Needs $build.

fixture="$build/bench/celwright-bench-render-fixture"

# Stops the script unless every argument is there: a path must be a built program, a name an
# installed command.
need() {
  local tool
  for tool in "$@"; do
    if [[ $tool == */* ]]; then
      [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
    else
      command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
    fi
  done
}

# Makes $work, removed on exit, with the sheet's project in $p ($p/bench.xps) and preferences of
# their own in $work/config, so the user's stay out of the way (the default composite mode is
# Darken). Sets ffmpeg's inputs for the same work: the three layers combined with a darken blend
# into 24-bit frames, from every frame of the sheet (every_frame, 240 pictures per layer) or from
# each drawing once, repeated to 24 fps (each_drawing, 120 per layer).
make_bench_sheet() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  p="$work/project"
  "$fixture" "$p" >/dev/null
  export XDG_CONFIG_HOME="$work/config"
  local darken='[0:v][1:v]blend=all_mode=darken[a];[a][2:v]blend=all_mode=darken,format=bgr24[v]'
  every_frame=(-framerate 24 -i "$p/frames1/%04d.png" -framerate 24 -i "$p/frames2/%04d.png"
    -framerate 24 -i "$p/frames3/%04d.png" -filter_complex "$darken" -map '[v]')
  each_drawing=(-framerate 12 -i "$p/layer1/%04d.png" -framerate 12 -i "$p/layer2/%04d.png"
    -framerate 12 -i "$p/layer3/%04d.png" -filter_complex "$darken;[v]fps=24[w]" -map '[w]')
}
