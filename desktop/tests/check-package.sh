#!/usr/bin/env bash
# The Debian package holds the expected files and lintian finds no errors in it (its warnings are
# printed). Run by make package.
# Usage: check-package.sh celwright_VERSION_amd64.deb
set -euo pipefail
deb=$1
failures=0
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/celwright ./usr/bin/celwright-cli ./usr/share/celwright/license.txt \
  ./usr/share/celwright/Languages/German.lng ./usr/share/celwright/Help/Celwright_Help.htm \
  ./usr/share/celwright/Help/pictures/main-window.png "./usr/share/celwright/sample/Bouncing Ball/bounce.xps" \
  ./usr/share/applications/org.celwright.Celwright.desktop ./usr/share/metainfo/org.celwright.Celwright.metainfo.xml \
  ./usr/share/mime/packages/org.celwright.Celwright.xml \
  ./usr/share/icons/hicolor/256x256/apps/org.celwright.Celwright.png \
  ./usr/share/icons/hicolor/scalable/apps/org.celwright.Celwright.svg \
  ./usr/share/man/man1/celwright.1.gz ./usr/share/man/man1/celwright-cli.1.gz \
  ./usr/share/doc/celwright/copyright ./usr/share/doc/celwright/changelog.gz; do
  # dpkg-deb prints names with spaces split over columns; compare the last word of each.
  grep -qxF "${path##* }" <<<"$contents" || { echo "FAIL: $path is not in $deb" >&2; failures=$((failures + 1)); }
done
echo "$(wc -l <<<"$contents") entries in $deb"
lintian --fail-on error --tag-display-limit 0 "$deb" || failures=$((failures + 1))
exit $((failures > 0))
