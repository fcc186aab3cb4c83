#!/usr/bin/env bash
# Every local link and picture of the user guide exists, every #anchor names an id of the page, the
# guide loads nothing from the network, and every picture beside it is shown.
# Usage: check-guide-links.sh Celwright_Help.htm
set -euo pipefail
guide=$1
folder=$(dirname "$guide")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

references=$(grep -oE '(href|src)="[^"]*"' "$guide" | sed -E 's/^(href|src)="(.*)"$/\2/' | sort -u)
[ -n "$references" ] || fail "no links or pictures found in $guide"
ids=$(grep -oE '\bid="[^"]*"' "$guide" | sed -E 's/^id="(.*)"$/\1/')

while read -r reference; do
  case $reference in
    mailto:*) ;;
    http:* | https:*)
      # Outside links are for the reader to follow; the page itself must not load them.
      grep -qE "src=\"$reference\"" "$guide" && fail "loads $reference from the network" ;;
    \#*)
      grep -qx "${reference#\#}" <<<"$ids" || fail "no id for $reference" ;;
    *)
      file=${reference%%#*}
      [ -e "$folder/$file" ] || fail "$reference does not exist beside the guide" ;;
  esac
done <<<"$references"

# A picture the guide no longer shows is left over from an older version of a window.
for picture in "$folder"/pictures/*; do
  [ -e "$picture" ] || continue
  grep -qxF "pictures/$(basename "$picture")" <<<"$references" || fail "$picture is not shown in the guide"
done

[ "$failures" -eq 0 ] && echo "$(wc -l <<<"$references") links and pictures checked"
exit $((failures > 0))
