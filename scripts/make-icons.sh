#!/usr/bin/env bash
# Renders the program's icon (desktop/icons/org.celwright.Celwright.svg) into the hicolor sizes
# beside it. Run after changing the drawing; the pictures are committed. Needs rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" org.celwright.Celwright.svg -o "org.celwright.Celwright-$size.png"
done
