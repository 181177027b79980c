#!/usr/bin/env bash
# Takes the pictures of the help pages: the program's own dialogs, menus and tool bars on an
# example show (tests/config/help_pictures.cpp, run on an Xvfb screen), and the drawings of
# resources/embedded/art/ (banners, buttons, background). All become the GIFs in
# resources/embedded/pictures/, which are committed, so building needs none of this; run it
# after changing a dialog or a drawing, then look at the pictures.
# Needs xvfb-run (xvfb), rsvg-convert (librsvg2-bin) and ImageMagick's convert (imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in xvfb-run rsvg-convert convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "make-help-pictures: $tool is missing (apt-get install xvfb librsvg2-bin imagemagick)" >&2
        exit 1
    fi
done

build="${GLASSPANE_BUILD_DIR:-build}"
scripts/build.sh help_pictures

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A home of its own: nothing of the user's settings is read or written.
home="$tmp/home"
mkdir -p "$home/config" "$home/cache" "$home/data" "$home/machine" "$home/runtime"
chmod 700 "$home/runtime"
env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
    XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" GLASSPANE_MACHINE_DIR="$home/machine" \
    QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/help_pictures" "$tmp/png"

out=resources/embedded/pictures
mkdir -p "$out"
gif() {
    # At most 256 colours, no dithering, no timestamps.
    convert "$1" -background '#f4f7fb' -alpha remove -alpha off +dither -colors 256 -strip "$2"
}
for png in "$tmp"/png/*.png; do
    gif "$png" "$out/$(basename "$png" .png).gif"
done

art=resources/embedded/art
drawing() { # svg width height target
    rsvg-convert -w "$2" -h "$3" "$1" -o "$tmp/drawing.png"
    gif "$tmp/drawing.png" "$out/$4"
}
drawing data/icons/glasspane.svg 32 32 logo_small.gif
sed 's/@FACE@/#1b2a3d/' "$art/banner.svg" >"$tmp/banner.svg"
drawing "$tmp/banner.svg" 360 72 gpane.gif
# The banner in the colours of the help's header, its links, the tool bars and the buttons.
for variant in "b #27496d" "c #3a5f86" "f #27313c" "g #8a6a14"; do
    set -- $variant
    sed "s/@FACE@/$2/" "$art/banner.svg" >"$tmp/banner.svg"
    drawing "$tmp/banner.svg" 240 48 "gpane${1}_.gif"
done
sed 's/@TEXT@/Subscribe/' "$art/button.svg" >"$tmp/button.svg"
drawing "$tmp/button.svg" 160 36 subscrib.gif
sed 's/@TEXT@/Get Glasspane/' "$art/button.svg" >"$tmp/button.svg"
drawing "$tmp/button.svg" 160 36 getgpane.gif
drawing "$art/background.svg" 64 64 background.gif
echo "make-help-pictures: $(ls "$out"/*.gif | wc -l) pictures in $out"
