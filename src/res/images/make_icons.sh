#!/bin/sh
# Draws the application icon's PNGs from its SVGs: tolvane-small.svg for 16
# to 24 pixels, tolvane.svg for the larger sizes. The PNGs are committed, so
# only whoever changes the icon needs rsvg-convert
# (sh scripts/install-deps.sh images).
#   sh src/res/images/make_icons.sh
set -eu
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null ||
    { echo "make_icons.sh: rsvg-convert is missing (package librsvg2-bin)" >&2; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
    if [ "$size" -le 24 ]; then svg=tolvane-small.svg; else svg=tolvane.svg; fi
    rsvg-convert --width "$size" --height "$size" --output "tolvane-$size.png" "$svg"
done
