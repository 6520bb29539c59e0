#!/bin/sh
# Makes the README's pictures from the demo itself: one frame of each scene
# (docs/scene-0.png .. docs/scene-4.png) and a contact sheet of the five
# (docs/contact-sheet.png), captured headless by demo-capture and converted
# with ffmpeg. Usage, after a build: sh tools/make-pictures.sh [BUILD_DIR]
set -e
build=${1:-build}
docs=$(dirname "$0")/../docs
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

# Passes well inside scenes 0..4 of a run without keys, where each effect
# has built up its look.
passes="400 2000 3900 5100 6100"

"$build/demo-capture" --ppm-at "$(echo $passes | tr ' ' ,)" --out "$frames" --frames 6100
scene=0
for pass in $passes; do
  ffmpeg -v error -y -i "$frames/canvas-$(printf %06d "$pass").ppm" "$docs/scene-$scene.png"
  scene=$((scene + 1))
done
ffmpeg -v error -y -framerate 1 -i "$docs/scene-%d.png" \
  -vf "scale=320:240:flags=area,tile=5x1:padding=6:margin=6:color=0x202020" \
  -frames:v 1 "$docs/contact-sheet.png"
echo "wrote $docs/scene-0.png .. scene-4.png and contact-sheet.png"
