#!/bin/sh
# Generates the program's pictures from the draw lists beside this script.
# Usage: make_pictures.sh OUTDIR
# Writes warranty_offer.bmp, port_plugs.bmp, cutting_plotter.bmp (24-bit bottom-up BMPs,
# as LoadBitmap wants them) and modelprobe.ico (16, 32 and 48 pixel images).
# The output depends only on the draw lists, the fonts and ImageMagick: no dates.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
here=$(cd "$(dirname "$0")" && pwd)
fontdir=${QAR_FONT_DIR:-/usr/share/fonts/truetype/liberation}
convert=${CONVERT:-convert}

for font in LiberationSans-Regular.ttf LiberationSans-Bold.ttf LiberationSans-Italic.ttf; do
    if [ ! -r "$fontdir/$font" ]; then
        echo "$0: font $fontdir/$font missing (package fonts-liberation)" >&2
        exit 1
    fi
done
mkdir -p "$out"

# Draw list of a picture, with the font folder filled in. It goes to -draw as text:
# ImageMagick's policy on Debian refuses "@file" arguments.
draw_list() {
    sed "s|@FONTDIR@|$fontdir|g" "$here/$1"
}

# bmp NAME WIDTH HEIGHT: render NAME.mvg onto an opaque canvas as a 24-bit BMP.
bmp() {
    "$convert" -size "$2x$3" xc:'#F0F0F0' -draw "$(draw_list "$1.mvg")" \
        -alpha off -type TrueColor "BMP3:$out/$1.bmp.tmp"
    mv "$out/$1.bmp.tmp" "$out/$1.bmp"
}

bmp warranty_offer 427 316
bmp port_plugs 60 80
bmp cutting_plotter 80 50

# The icon is drawn once at 96 x 96 on a transparent canvas and scaled down to each size.
"$convert" -size 96x96 xc:none -draw "$(draw_list modelprobe_icon.mvg)" \
    \( -clone 0 -resize 48x48 \) \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 16x16 \) \
    -delete 0 "ICO:$out/modelprobe.ico.tmp"
mv "$out/modelprobe.ico.tmp" "$out/modelprobe.ico"
