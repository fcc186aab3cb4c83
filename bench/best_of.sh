# shellcheck shell=bash disable=SC2154
# Sourced by the bench scripts. Needs $runs and $work.
#
# Best wall time of $runs runs of the command and the CPU time (user + system) of that run, in
# seconds: "WALL CPU". CPU time says less about a machine busy with other work.
best_of() {
  local best="" cpu="" wall used
  for _ in $(seq "$runs"); do
    { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>"$work/stderr"; } 2>"$work/time" ||
      { cat "$work/stderr" >&2; exit 1; }
    read -r wall user system <"$work/time"
    used=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }')
    if [ -z "$best" ] || awk -v t="$wall" -v b="$best" 'BEGIN { exit !(t < b) }'; then
      best=$wall
      cpu=$used
    fi
  done
  echo "$best $cpu"
}
