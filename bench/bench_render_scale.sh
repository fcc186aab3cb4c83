#!/usr/bin/env bash
# Times `celwright-cli export` on sheets larger than bench_render.sh's, each the same drawings held
# on twos in Darken: 3 layers at 1920 x 1080, 12 layers at 640 x 480, and the bench sheet at 240
# and at 1637 frames for the peak memory. With REFERENCE_CLI (another build of celwright-cli) both
# run side by side in the same run, so their ratio means something on a busy machine.
# Prints the best wall time of RUNS, its CPU time (user + system), CPU per frame and peak RSS.
#
# Usage: bench/bench_render_scale.sh [BUILD_DIR] [RUNS] [REFERENCE_CLI]
set -euo pipefail
build=${1:-build}
runs=${2:-3}
reference=${3:-}
cli="$build/cli/celwright-cli"
# shellcheck source=bench/bench_sheet.sh
. "$(dirname "$0")/bench_sheet.sh"
need "$cli" "$fixture" ${reference:+"$reference"}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"

# "WALL CPU RSS_MB" of the run with the best wall time out of $runs.
best_of() {
  local best="" line wall user system rss
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
      { cat "$work/stderr" >&2; exit 1; }
    rm -f "$work/movie.avi"
    read -r wall user system rss <"$work/time"
    line=$(awk -v w="$wall" -v u="$user" -v s="$system" -v r="$rss" 'BEGIN { printf "%.2f %.2f %.0f", w, u + s, r / 1024 }')
    if [ -z "$best" ] || awk -v t="$wall" -v b="${best%% *}" 'BEGIN { exit !(t < b) }'; then
      best=$line
    fi
  done
  echo "$best"
}

printf '%-32s %-8s %7s %7s %9s %8s\n' case build "wall s" "cpu s" "cpu/frame" "RSS MB"
row() {
  local name=$1 frames=$2 tool=$3 label=$4
  read -r wall cpu rss < <(best_of "$tool" export "$work/$name/bench.xps" "$work/movie.avi")
  awk -v n="$name" -v l="$label" -v w="$wall" -v c="$cpu" -v f="$frames" -v r="$rss" \
    'BEGIN { printf "%-32s %-8s %7.2f %7.2f %6.1f ms %8d\n", n, l, w, c, 1000 * c / f, r }'
}
measure() {
  local name=$1 frames=$2
  shift 2
  "$fixture" "$work/$name" --frames "$frames" "$@"
  row "$name" "$frames" "$cli" this
  [ -z "$reference" ] || row "$name" "$frames" "$reference" ref
  rm -rf "${work:?}/$name"
}

measure 1920x1080-3-layers 240 --size 1920x1080
measure 640x480-12-layers 240 --layers 12
measure 640x480-3-layers 240
measure 640x480-3-layers-1637 1637
echo "$(nproc) cores, load: $(uptime | sed 's/.*load average: //')"
