#!/bin/sh
# Makes the README's pictures from the demo itself: one frame of each scene
# (docs/scene-0.png .. docs/scene-4.png) and a contact sheet of the five
# (docs/contact-sheet.png), captured headless by demo-capture and converted
# with ffmpeg, and a spectrogram of the soundtrack (docs/soundtrack.png).
# Also the web page's two pictures: the still of scene 0 behind its start
# panel (docs/web-still.webp, half size and lossy: some 23 KB where the
# full frame's rings take 400 KB) and the 1200 x 630 card that sites show
# for a link to it (docs/link-preview.jpg, 310 KB, where a PNG of the rings
# takes 1.3 MB).
# Usage, after a build: sh tools/make-pictures.sh [BUILD_DIR]
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
ffmpeg -v error -y -i "$docs/scene-0.png" -vf scale=320:240:flags=area -c:v libwebp -quality 60 \
  "$docs/web-still.webp"
# Scene 0 at the full height on the left, scenes 3 and 4 beside it: the
# 1.91:1 card that previews crop to shows the rings, the balloon and the text.
ffmpeg -v error -y -i "$docs/scene-0.png" -i "$docs/scene-3.png" -i "$docs/scene-4.png" -filter_complex \
  "color=c=0x101810:s=1200x630[card];[0]scale=840:630:flags=lanczos[big];[1]scale=352:264:flags=area[a];[2]scale=352:264:flags=area[b];[card][big]overlay=0:0[c1];[c1][a]overlay=844:34[c2];[c2][b]overlay=844:332" \
  -frames:v 1 -q:v 3 "$docs/link-preview.jpg"

# The soundtrack's spectrogram, 30 Hz to 18 kHz on a log scale over its
# whole length, with a line where each scene starts and where the script
# ends. showspectrum draws one column per 4096 samples at this height.
width=1200
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$build/data.dat")
columns=$(echo "$seconds" | awk '{ c = $1 * 44100 / 4096; print (c == int(c)) ? c : int(c) + 1 }')
lines=""
for pass in 1089 3177 4265 5353 6441; do  # first passes of scenes 1..4, end of script
  x=$(echo "$pass $seconds $width" | awk '{ print int(($1 - 1) / 60 / $2 * $3) }')
  lines="$lines,drawbox=x=$x:y=0:w=2:h=ih:color=white@0.7:t=fill"
done
ffmpeg -v error -y -nostdin -i "$build/data.dat" -lavfi \
  "showspectrum=s=${columns}x2048:slide=fullframe:mode=combined:scale=log:fscale=log:color=intensity:drange=90:start=30:stop=18000,scale=$width:300:flags=area$lines" \
  -frames:v 1 "$docs/soundtrack.png"
echo "wrote $docs/scene-0.png .. scene-4.png, contact-sheet.png, web-still.webp, link-preview.jpg and soundtrack.png"
