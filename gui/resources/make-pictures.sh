#!/bin/sh
# Draws every picture of Velmora with ImageMagick.  Run once from this folder
# after changing a picture; the PNG/JPG files are committed, so a build never
# needs ImageMagick.
set -eu
cd "$(dirname "$0")"
R=Resources
mkdir -p $R/Elementi/lite $R/buttons $R/fonts
FONT=DejaVu-Sans-Condensed-Bold
RED='#c00b20'
BLUE='#1f3d99'

# Splash: dark slate with a red band and the program name.
convert -size 600x300 gradient:'#3a4046'-'#16191c' \
  -fill "$RED" -draw 'rectangle 0,200 600,206' \
  -fill '#ffffff' -font $FONT -pointsize 64 -annotate +40+150 'Velmora' \
  -fill '#c8cdd2' -font DejaVu-Sans-Condensed -pointsize 20 -annotate +44+185 'NIM amplifier and discriminator control' \
  -fill "$RED" -draw 'circle 540,90 540,60' -fill '#16191c' -draw 'circle 540,90 540,72' \
  -fill "$RED" -draw 'polygon 534,70 548,70 538,92 550,92 530,112 536,94 526,94' \
  $R/Elementi/lite/splashscr-NAME-WIDE-red.png

# Toolbar logo on a transparent background.
convert -size 190x34 xc:none \
  -fill "$RED" -draw 'roundrectangle 0,2 30,32 6,6' \
  -fill white -font $FONT -pointsize 24 -annotate +7+27 'V' \
  -fill '#2b2f33' -font $FONT -pointsize 24 -annotate +38+27 'VELMORA' \
  $R/Elementi/lite/logo-trasparente.png

# Window icon.
convert -size 64x64 xc:none -fill "$RED" -draw 'roundrectangle 2,2 61,61 12,12' \
  -fill white -font $FONT -pointsize 46 -gravity center -annotate +0+2 'V' \
  $R/buttons/n_icon.png

# Expand arrows: down = expanded, right = collapsed.
for c in blue red; do
  if [ $c = blue ]; then col=$BLUE; d=$R/Elementi; s=''; else col=$RED; d=$R/Elementi/lite; s='-red'; fi
  convert -size 14x14 xc:none -fill "$col" -draw 'polygon 1,3 13,3 7,11' $d/arrd$s.png
  convert -size 14x14 xc:none -fill "$col" -draw 'polygon 3,1 11,7 3,13' $d/arrr$s.png
done

# Event lights.
led() { # name colour highlight size
  sz=$4; m=$((sz - 2)); h=$((sz / 3))
  convert -size ${sz}x${sz} xc:none -fill "$2" -stroke '#3a3a3a' -strokewidth 1 \
    -draw "circle $((sz/2)),$((sz/2)) $((sz/2)),1" \
    -stroke none -fill "$3" -draw "circle $h,$h $h,$((h/2+1))" $R/buttons/$1.png
}
led led_on_mid   '#2fbf3a' '#b8f5bd' 18
led led_warn_mid '#f0a818' '#fde3a8' 18
led led_err_mid  '#e02020' '#f7b0b0' 18
led led_off_mid  '#7a7a7a' '#b0b0b0' 18
led led_off      '#5c5c5c' '#8c8c8c' 18

# About banner.
convert -size 500x42 gradient:'#788387'-'#4e5357' -rotate 0 \
  -fill white -font $FONT -pointsize 22 -annotate +16+30 'ZEVA' \
  -fill '#dfe3e5' -font DejaVu-Sans-Condensed -pointsize 14 -annotate +90+28 'high voltage and nuclear electronics' \
  -fill "$RED" -draw 'rectangle 0,38 500,42' \
  -quality 92 $R/Elementi/zeva_banner.jpg

# Connect dialog icon: a plug and socket.
convert -size 32x32 xc:none -stroke '#2b2f33' -strokewidth 3 -draw 'line 2,16 10,16' -draw 'line 22,16 30,16' \
  -stroke none -fill "$BLUE" -draw 'roundrectangle 9,9 15,23 2,2' -fill "$RED" -draw 'roundrectangle 17,9 23,23 2,2' \
  -stroke '#2b2f33' -strokewidth 2 -draw 'line 15,12 18,12' -draw 'line 15,20 18,20' \
  $R/buttons/connect-icon.png

# View configuration icon: a small table with a sort arrow.
convert -size 32x32 xc:none -fill white -stroke '#555555' -draw 'rectangle 2,4 22,28' \
  -draw 'line 2,12 22,12' -draw 'line 2,20 22,20' -draw 'line 12,4 12,28' \
  -stroke none -fill "$BLUE" -draw 'polygon 24,10 30,10 27,4' -draw 'rectangle 26,10 28,24' -draw 'polygon 24,24 30,24 27,30' \
  $R/buttons/table_sort.png

# Tree pictures: system (crate), module, channel.
convert -size 32x32 xc:none -fill '#d8dadc' -stroke '#444444' -draw 'rectangle 2,6 29,26' \
  -fill "$BLUE" -stroke none -draw 'rectangle 5,9 9,23' -draw 'rectangle 11,9 15,23' -fill "$RED" -draw 'rectangle 17,9 21,23' \
  $R/Elementi/sistema.png
convert -size 32x32 xc:none -fill '#e8e8e8' -stroke '#444444' -draw 'rectangle 9,2 22,29' \
  -fill "$BLUE" -stroke none -draw 'circle 15,8 15,6' -draw 'circle 15,15 15,13' -draw 'circle 15,22 15,20' \
  $R/Elementi/modulo.png
convert -size 32x32 xc:none -fill "$BLUE" -stroke '#1f2a55' -draw 'circle 16,16 16,6' \
  -fill white -stroke none -draw 'circle 16,16 16,11' -fill "$BLUE" -draw 'circle 16,16 16,14' \
  $R/Elementi/canale.png
