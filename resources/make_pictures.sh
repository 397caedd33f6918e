#!/usr/bin/env bash
# Renders the two background photographs of the program's windows (800 x 600 JPEG) with
# ImageMagick, from fixed random seeds so that a new run gives the same pictures:
#   main_window.jpg  a dusk landscape: glowing sky, layered dark hills, a lake; the lower half,
#                    where the white group labels stand, stays dark.
#   licence.jpg      a laboratory bench in cool light: tiled wall, a shelf of glass flasks, a
#                    spectrometer-like box with a glowing trace.
# Run it again only to change the pictures; the JPEG files are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# ---- main window: sky, sun glow, hills, lake
convert -size 800x600 gradient:'#f6b26b'-'#1b1f3a' -rotate 180 "$tmp/sky.png"
convert "$tmp/sky.png" \( -size 800x600 xc:none -fill '#ffe9a8' -draw 'circle 560,250 560,205' -blur 0x18 \) \
  -compose screen -composite "$tmp/sky2.png"
# Soft clouds from seeded plasma, kept faint.
convert -seed 7 -size 800x600 plasma:grey50-grey70 -blur 0x12 -colorspace gray "$tmp/clouds.png"
convert "$tmp/sky2.png" "$tmp/clouds.png" -compose softlight -composite "$tmp/sky3.png"
hill() { # $1 colour, $2 base y, $3 amplitude, $4 phase, $5 file
  local pts="0,600" x y
  for x in $(seq 0 20 800); do
    y=$(awk -v x="$x" -v b="$2" -v a="$3" -v p="$4" 'BEGIN{printf "%d", b - a*sin(x/97+p) - a*0.45*sin(x/37+2*p) - a*0.2*sin(x/13+p*3)}')
    pts="$pts $x,$y"
  done
  pts="$pts 800,600"
  convert -size 800x600 xc:none -fill "$1" -draw "polygon $pts" "$5"
}
hill '#5a4a6e' 300 38 0.3 "$tmp/h1.png"
hill '#3a3150' 345 42 1.9 "$tmp/h2.png"
hill '#231d33' 395 34 4.1 "$tmp/h3.png"
hill '#14111f' 450 26 2.7 "$tmp/h4.png"
convert "$tmp/sky3.png" "$tmp/h1.png" -composite "$tmp/h2.png" -composite "$tmp/h3.png" -composite \
  "$tmp/h4.png" -composite "$tmp/land.png"
# A dark lake across the bottom with a faint reflected glow.
convert -size 800x130 gradient:'#1c2036'-'#07080f' \
  \( -size 800x130 xc:none -fill '#c98a4a' -draw 'ellipse 560,10 90,6 0,360' -blur 0x6 \) -compose screen -composite \
  "$tmp/lake.png"
convert "$tmp/land.png" "$tmp/lake.png" -geometry +0+470 -compose over -composite \
  -seed 11 -attenuate 0.35 +noise Gaussian -quality 88 main_window.jpg

# ---- licence window: laboratory wall, shelf, flasks, instrument
convert -size 800x600 gradient:'#c9d6df'-'#6d7f8c' "$tmp/wall.png"
convert -size 800x600 xc:none -stroke '#ffffff40' -strokewidth 2 \
  -draw "$(for x in $(seq 0 50 800); do printf 'line %d,0 %d,430 ' "$x" "$x"; done)" \
  -draw "$(for y in $(seq 0 50 430); do printf 'line 0,%d 800,%d ' "$y" "$y"; done)" "$tmp/tiles.png"
convert "$tmp/wall.png" "$tmp/tiles.png" -composite "$tmp/wall2.png"
# Bench top and cupboard below it.
convert "$tmp/wall2.png" -fill '#3b3f45' -draw 'rectangle 0,430 800,600' \
  -fill '#5c636b' -draw 'rectangle 0,420 800,438' \
  -fill '#2c3035' -draw 'rectangle 30,460 250,590' -draw 'rectangle 270,460 490,590' \
  -fill '#9aa3ab' -draw 'rectangle 130,520 150,526' -draw 'rectangle 370,520 390,526' "$tmp/bench.png"
# Shelf with flasks.
convert "$tmp/bench.png" -fill '#7b5a3a' -draw 'rectangle 40,170 400,182' \
  -fill '#9fd3e0c0' -stroke '#e8f6fa' -strokewidth 2 \
  -draw 'polygon 72,128 88,128 88,148 112,168 48,168 72,148' \
  -draw 'circle 160,145 160,122' -draw 'rectangle 154,100 166,125' \
  -fill '#e6b35ac0' -draw 'rectangle 210,110 240,168' \
  -fill '#8fdc8fc0' -draw 'circle 300,148 300,128' -draw 'rectangle 294,105 306,130' \
  -fill '#c88fd8c0' -draw 'rectangle 345,120 370,168' "$tmp/shelf.png"
# An instrument on the bench with a glowing spectrum trace.
convert "$tmp/shelf.png" -stroke none -fill '#23272c' -draw 'roundrectangle 60,300 380,420 8,8' \
  -fill '#0b1a12' -draw 'rectangle 80,315 300,400' \
  -fill '#8a939b' -draw 'circle 335,340 335,328' -draw 'circle 335,380 335,370' \
  -stroke '#5cff8a' -strokewidth 2 -fill none \
  -draw "polyline $(for x in $(seq 82 4 298); do awk -v x="$x" 'BEGIN{printf "%d,%d ", x, 385 - 55*exp(-((x-170)/18)^2) - 28*exp(-((x-240)/10)^2) - 4*sin(x/3)}'; done)" \
  "$tmp/lab.png"
# Flasks on the bench in front of the panel area's right side stay subtle; soft light and grain.
convert "$tmp/lab.png" -fill '#b5e3f0a0' -stroke '#eef8fb' -strokewidth 2 \
  -draw 'polygon 470,420 520,420 505,360 505,330 485,330 485,360' \
  -fill '#f0c47aa0' -draw 'rectangle 545,350 570,420' \
  \( +clone -blur 0x3 \) -compose softlight -composite \
  -seed 23 -attenuate 0.3 +noise Gaussian -quality 88 licence.jpg
identify main_window.jpg licence.jpg
