#!/usr/bin/env bash
# Converts the tool bar button drawings resources/icons/*.svg into the GIF pictures the program
# carries: NAME.gif (normal) and NAME_.gif (highlighted: the same drawing on a lit face).
# The GIFs are committed, so building needs none of this; run it after changing a drawing.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert (imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"

for tool in rsvg-convert convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "make-icons: $tool is missing (apt-get install librsvg2-bin imagemagick)" >&2
        exit 1
    fi
done

size=48
face='#e6ebf0'     # normal button face, as drawn in the SVGs
lit_face='#ffc83d' # highlighted button face

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for svg in *.svg; do
    name=${svg%.svg}
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$tmp/$name.png"
    sed "s/$face/$lit_face/g" "$svg" >"$tmp/${name}_.svg"
    rsvg-convert -w "$size" -h "$size" "$tmp/${name}_.svg" -o "$tmp/${name}_.png"
    for out in "$name" "${name}_"; do
        # Opaque, no dithering, no timestamps: the same drawing always gives the same bytes.
        convert "$tmp/$out.png" -background '#27313c' -alpha remove -alpha off +dither \
            -colors 64 -strip "$out.gif"
    done
done
echo "make-icons: $(ls ./*.gif | wc -l) pictures in $(pwd)"
