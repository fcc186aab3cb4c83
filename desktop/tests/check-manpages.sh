#!/usr/bin/env bash
# The manual pages against the programs' own --help: every command of celwright-cli has a section,
# every option a help names is in the page and every option the page names is in a help. Also lints
# the pages with groff.
# Usage: check-manpages.sh CELWRIGHT celwright.1 CELWRIGHT_CLI celwright-cli.1
set -euo pipefail
app=$1 app_page=$2 cli=$3 cli_page=$4
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Long options in a text, one a line; a page's source is read with its troff escapes removed.
long_options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
page_text() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"; }

compare_options() { # NAME PAGE HELP_TEXT
  local name=$1 page=$2 help=$3 text
  # Read once: grep -q leaving a pipe early would fail the pipeline under pipefail.
  text=$(page_text "$page")
  while read -r option; do
    grep -qe "$option\b" <<<"$text" || fail "$name: $option is in --help but not in $(basename "$page")"
  done < <(long_options <<<"$help")
  while read -r option; do
    grep -qe "$option\b" <<<"$help" || fail "$name: $option is in $(basename "$page") but in no --help"
  done < <(page_text "$page" | long_options)
}

for page in "$app_page" "$cli_page"; do
  warnings=$(groff -man -ww -z "$page" 2>&1) || true
  [ -z "$warnings" ] || fail "groff on $(basename "$page"): $warnings"
done

compare_options celwright "$app_page" "$("$app" --help)"

general=$("$cli" --help)
commands=$(sed -n '/^Commands:/,/^$/p' <<<"$general" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
[ -n "$commands" ] || fail "celwright-cli --help lists no commands"
sections=$(page_text "$cli_page" | sed -n 's/^\.SS \([a-z][a-z-]*\).*/\1/p')
for command in $commands; do
  grep -qx "$command" <<<"$sections" || fail "celwright-cli: command $command has no section in $(basename "$cli_page")"
done
for section in $sections; do
  grep -qx "$section" <<<"$commands" || fail "celwright-cli: section $section is no command of --help"
done

all_help=$general
for command in $commands; do
  all_help+=$'\n'$("$cli" "$command" --help)
done
compare_options celwright-cli "$cli_page" "$all_help"

exit $((failures > 0))
