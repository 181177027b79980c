#!/usr/bin/env bash
# Renders the program's icon data/icons/glasspane.svg into the PNG sizes that are installed
# beside it (data/icons/glasspane-SIZE.png). The PNGs are committed, so building needs none of
# this; run it after changing the drawing. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"

if ! command -v rsvg-convert >/dev/null; then
    echo "make-app-icon: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
    exit 1
fi

# data/CMakeLists.txt installs every size found here.
rm -f glasspane-*.png
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" glasspane.svg -o "glasspane-$size.png"
done
echo "make-app-icon: ${#sizes[@]} sizes in $(pwd)"
