#!/bin/sh
# Draws the splash picture, splash.bmp: 383 x 207 pixels, 8 bits a pixel
# (a palette BMP). A calm blue gradient with the icon's call graph drawn
# faintly across it, the icon, the title and the Japanese subtitle. The BMP
# is committed, so only whoever changes the picture needs ImageMagick and
# the fonts (sh scripts/install-deps.sh images).
#   sh src/res/images/make_splash.sh
set -eu
cd "$(dirname "$0")"

# The convert on PATH may not be ImageMagick's own; its versioned name is.
im=""
for c in convert-im6.q16 magick convert; do
    if command -v "$c" >/dev/null && "$c" -version 2>/dev/null | grep -q ImageMagick; then
        im=$c; break
    fi
done
[ -n "$im" ] || { echo "make_splash.sh: ImageMagick is missing (package imagemagick)" >&2; exit 1; }
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
japanese=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
for f in "$latin" "$japanese"; do
    [ -r "$f" ] || { echo "make_splash.sh: font $f is missing" >&2; exit 1; }
done

"$im" -size 383x207 gradient:'#2f6aa3-#12304f' \
    -fill none -stroke '#ffffff16' -strokewidth 3 \
    -draw "line 330,24 294,72  line 330,24 330,72  line 330,24 366,72" \
    -draw "line 52,156 22,198  line 52,156 52,198  line 52,156 82,198" \
    -fill '#2a5580' -stroke '#ffffff16' -strokewidth 2 \
    -draw "circle 330,24 341,24  circle 294,72 302,72  circle 330,72 338,72" \
    -draw "circle 366,72 374,72  circle 52,156 63,156  circle 22,198 30,198" \
    -draw "circle 52,198 60,198  circle 82,198 90,198" -stroke none \
    tolvane-64.png -geometry +159+14 -composite \
    -font "$latin" -pointsize 25 -gravity north \
    -fill '#0a1c30' -annotate +1+93 'Tolvane For Windows95' \
    -fill '#ffffff' -annotate +0+91 'Tolvane For Windows95' \
    -stroke '#f7b23a' -strokewidth 2 -draw "line 92,132 291,132" -stroke none \
    -font "$japanese" -pointsize 17 \
    -fill '#0a1c30' -annotate +1+146 '関数相互参照ツール' \
    -fill '#e8f1fa' -annotate +0+145 '関数相互参照ツール' \
    -dither FloydSteinberg -colors 256 -type Palette -compress None \
    -define bmp:format=bmp3 BMP3:splash.bmp
