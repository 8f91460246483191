#!/usr/bin/env bash
# Remakes the committed media of examples/hello: the video, the audio clip, the font, the image
# and the window icon. Not part of the build; it needs ffmpeg, python3-fonttools and imagemagick
# from Debian's packages (apt-get install ffmpeg python3-fonttools imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../examples/hello"

dejavu=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# 8 seconds of a moving test pattern, VP8 in WebM (Chromium has no proprietary codecs), a key
# frame every second so that seeking lands quickly.
ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=320x180:rate=25:duration=8" \
    -c:v libvpx -b:v 300k -g 25 -auto-alt-ref 0 -an -fflags +bitexact www/media/clip.webm

# A short chime, Opus in Ogg.
ffmpeg -y -hide_banner -loglevel error \
    -f lavfi -i "sine=frequency=880:duration=0.8:sample_rate=48000" \
    -af "afade=t=out:st=0.2:d=0.6" -c:a libopus -b:a 24k -fflags +bitexact www/media/chime.ogg

# DejaVu Sans Bold cut down to Latin-1 and a few punctuation marks.
/usr/bin/python3 -m fontTools.subset "$dejavu" --flavor=woff \
    --unicodes="U+0020-007E,U+00A0-00FF,U+2013,U+2014,U+2018,U+2019,U+201C,U+201D,U+2026" \
    --output-file=www/fonts/dejavu-sans-bold.woff
cp /usr/share/doc/fonts-dejavu-core/copyright www/fonts/dejavu-license.txt

convert -size 256x256 xc:none -fill '#0b3d91' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill '#6fd3ff' -draw 'circle 196,60 218,60' -fill white -font "$dejavu" -pointsize 170 \
    -gravity center -annotate +0+8 'T' -strip -define png:compression-level=9 www/images/logo.png
convert www/images/logo.png -resize 64x64 -strip icon.png

du -cb www/media/* www/fonts/* www/images/* icon.png
