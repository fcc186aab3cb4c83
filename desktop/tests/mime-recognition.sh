#!/usr/bin/env bash
# The exposure sheet's file type, installed into a scratch XDG_DATA_HOME: sheets of every layout are
# application/x-celwright-xsheet, a zip document that is also named ".xps" is not.
# Usage: mime-recognition.sh MIME.xml SAMPLE.xps GOLDEN_XPS_FOLDER
set -euo pipefail
mime_xml=$1 sample=$2 golden=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_DATA_HOME=$scratch/data XDG_CACHE_HOME=$scratch/cache

mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$mime_xml" "$XDG_DATA_HOME/mime/packages/"
# update-mime-database reports what it cannot understand in the file on stderr.
update-mime-database "$XDG_DATA_HOME/mime" 2>"$scratch/update.err"
if [ -s "$scratch/update.err" ]; then
  echo "update-mime-database complained:" >&2
  cat "$scratch/update.err" >&2
  exit 1
fi

type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }

failures=0
expect() { # FILE EXPECTED|!UNEXPECTED
  local got
  got=$(type_of "$1")
  if [[ $2 == !* ]]; then
    [ "$got" != "${2#!}" ] || { echo "FAIL: $1 is $got" >&2; failures=$((failures + 1)); }
  else
    [ "$got" = "$2" ] || { echo "FAIL: $1 is '$got', expected $2" >&2; failures=$((failures + 1)); }
  fi
  echo "$1: $got"
}

expect "$sample" application/x-celwright-xsheet
for layout in v1 v2 v3 v4; do
  cp "$golden/$layout/input.xps" "$scratch/$layout.xps"
  expect "$scratch/$layout.xps" application/x-celwright-xsheet
done

# Another vendor's ".xps" document is a zip archive.
mkdir "$scratch/doc"
echo '<FixedDocumentSequence/>' >"$scratch/doc/FixedDocSeq.fdseq"
(cd "$scratch/doc" && zip -q ../paper.zip FixedDocSeq.fdseq)
mv "$scratch/paper.zip" "$scratch/paper.xps"
expect "$scratch/paper.xps" '!application/x-celwright-xsheet'

# A sheet that lost its name is still known by its first line.
cp "$sample" "$scratch/sheet-without-extension"
expect "$scratch/sheet-without-extension" application/x-celwright-xsheet

exit $((failures > 0))
