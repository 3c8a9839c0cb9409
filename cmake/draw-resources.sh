#!/bin/sh
# Draws the program's icons and bitmaps from the public-domain Tango icons and the CJK font that
# the build's packages ship. Nothing drawn here is committed.
# usage: draw-resources.sh <output folder> <tab icon list>
set -eu
out=$1
tab_icons=$2
tango=/usr/share/icons/Tango
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
mkdir -p "$out"

# An icon with the 16, 24 and 32 pixel drawings of one Tango icon: 100 %, 150 % and 200 %.
icon() {
    convert "$tango/16x16/$2.png" "$tango/24x24/$2.png" "$tango/32x32/$2.png" "$out/$1.ico"
}

icon app apps/utilities-system-monitor
# The tab icons, as the category table names them (made into a list by category-sources.sh).
while read -r name source; do
    icon "$name" "$source"
done <"$tab_icons"

# The banner across the top of the main window (the bitmap control takes its size), drawn for
# 100, 125, 150 and 200 %. Sized for the 394 x 58 dialog units it covers (690 x 101 pixels with
# the dialog font at 100 %); a wider window continues its last column, a narrower one clips it.
banner() {
    percent=$1
    px() { echo $(( $1 * percent / 100 )); }
    convert -size "$(px 720)x$(px 101)" gradient:'#1b3f6e-#3f7cc0' \
        \( "$tango/32x32/apps/utilities-system-monitor.png" -filter Lanczos -resize "$(px 56)x$(px 56)" \) \
        -gravity west -geometry "+$(px 22)+0" -composite -gravity northwest \
        -font "$font" -fill white -pointsize "$(px 26)" -annotate "+$(px 96)+$(px 20)" 'Tarnwell 系统自启动项管理工具' \
        -fill '#d6e6f8' -pointsize "$(px 13)" -annotate "+$(px 98)+$(px 62)" \
        '找出 Windows 自动启动的一切：启动项、服务、驱动、插件与计划任务' \
        -type TrueColor BMP3:"$out/$2"
}
banner 100 banner.bmp
banner 125 banner125.bmp
banner 150 banner150.bmp
banner 200 banner200.bmp

# The about box's picture (146 x 73 dialog units; the control stretches it to its size), and at
# twice the size for displays of 150 % and more.
about() {
    scaled() { echo $(( $1 * $2 )); }
    convert -size "$(scaled 256 $1)x$(scaled 128 $1)" gradient:'#f4f8fd-#c9dcf2' \
        \( "$tango/32x32/apps/utilities-system-monitor.png" -filter Lanczos -resize "$(scaled 72 $1)x$(scaled 72 $1)" \) \
        -gravity west -geometry "+$(scaled 16 $1)+0" -composite -gravity northwest \
        -font "$font" -fill '#1b3f6e' -pointsize "$(scaled 24 $1)" -annotate "+$(scaled 100 $1)+$(scaled 34 $1)" 'Tarnwell' \
        -fill '#3f5f86' -pointsize "$(scaled 13 $1)" -annotate "+$(scaled 101 $1)+$(scaled 70 $1)" '系统自启动项管理工具' \
        -type TrueColor BMP3:"$out/$2"
}
about 1 about.bmp
about 2 about200.bmp

# The about button's five blink frames (47 x 14 dialog units): a light that sweeps across the
# caption, drawn one after another while an update waits.
for frame in 1 2 3 4 5; do
    x=$(( (frame - 1) * 20 ))
    convert -size 84x24 gradient:'#ffe08a-#f0a020' \
        \( -size 28x24 gradient:'#fffbe8-#ffd35a' \) -geometry +${x}+0 -composite \
        -stroke '#b06a00' -fill none -draw 'rectangle 0,0 83,23' -stroke none \
        -font "$font" -fill '#5a2d00' -pointsize 13 -gravity center -annotate +0+0 '关 于' \
        -type TrueColor BMP3:"$out/blink$frame.bmp"
done
