#!/usr/bin/env bash
# Draws the installer artwork: info.bmp, progress.bmp, installdir.bmp and norla.ico.
# Needs ImageMagick 6 (convert), python3 and the DejaVu fonts (fonts-dejavu-core).
# Output is deterministic, so re-running it only changes the files when this script changes.
set -euo pipefail
cd "$(dirname "$0")"

fonts=$(convert -list font)
for f in DejaVu-Sans DejaVu-Sans-Bold; do
  grep -q "Font: $f\$" <<<"$fonts" || {
    echo "draw-artwork: font $f missing (apt-get install fonts-dejavu-core)" >&2
    exit 1
  }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The dialogs use the system palette; these only need to sit well next to it.
deep='#0a2540'
teal='#0e6470'
ink='#f4f8fb'
accent='#5fd3e0'
mark_fill='#0b5d8a'

# Faint drafting grid: minor lines every 20 px, stronger every 100 px.
grid() {
  local w=$1 h=$2 x y
  for ((x = 20; x < w; x += 20)); do
    if ((x % 100)); then echo "stroke rgba(255,255,255,0.035)"; else echo "stroke rgba(255,255,255,0.075)"; fi
    echo "line $x.5,0 $x.5,$h"
  done
  for ((y = 20; y < h; y += 20)); do
    if ((y % 100)); then echo "stroke rgba(255,255,255,0.035)"; else echo "stroke rgba(255,255,255,0.075)"; fi
    echo "line 0,$y.5 $w,$y.5"
  done
}

# Isometric wireframe of a small machined part (base plate, block, bored boss) with a
# dimension line, as MVG. Args: screen origin x y, scale (px per unit), opacity 0..1.
wireframe() {
  awk -v ox="$1" -v oy="$2" -v s="$3" -v a="$4" '
    function X(x, y, z) { return ox + (x - y) * 0.8660254 * s }
    function Y(x, y, z) { return oy + ((x + y) * 0.5 - z) * s }
    function P(x, y, z) { return sprintf("%.2f,%.2f", X(x, y, z), Y(x, y, z)) }
    function solid() { printf "stroke-dasharray none\nstroke rgba(170,230,242,%.3f)\n", a }
    function hidden() { printf "stroke-dasharray 4 3\nstroke rgba(170,230,242,%.3f)\n", a * 0.5 }
    function edge(x0, y0, z0, x1, y1, z1) { print "line " P(x0, y0, z0) " " P(x1, y1, z1) }
    function face(f, p1, p2, p3, p4) {
      printf "stroke none\nfill rgba(200,240,250,%.3f)\npolygon %s %s %s %s\nfill none\n", a * f, p1, p2, p3, p4
    }
    # Only the three edges meeting at the far bottom corner are hidden in this view.
    function box(x0, y0, z0, x1, y1, z1) {
      face(0.16, P(x0,y0,z1), P(x1,y0,z1), P(x1,y1,z1), P(x0,y1,z1))
      face(0.07, P(x1,y0,z0), P(x1,y1,z0), P(x1,y1,z1), P(x1,y0,z1))
      face(0.11, P(x0,y1,z0), P(x1,y1,z0), P(x1,y1,z1), P(x0,y1,z1))
      hidden()
      edge(x0,y0,z0, x1,y0,z0); edge(x0,y0,z0, x0,y1,z0); edge(x0,y0,z0, x0,y0,z1)
      solid()
      edge(x1,y0,z0, x1,y1,z0); edge(x1,y1,z0, x0,y1,z0)
      edge(x1,y0,z0, x1,y0,z1); edge(x1,y1,z0, x1,y1,z1); edge(x0,y1,z0, x0,y1,z1)
      edge(x0,y0,z1, x1,y0,z1); edge(x1,y0,z1, x1,y1,z1)
      edge(x1,y1,z1, x0,y1,z1); edge(x0,y1,z1, x0,y0,z1)
    }
    # A horizontal circle of radius r projects to an ellipse 1.2247r wide, 0.7071r high.
    function boss(cx, cy, r, z0, z1, hole,   rx, ry, hx, hy) {
      rx = 1.2247449 * r * s; ry = 0.7071068 * r * s
      hx = 1.2247449 * hole * s; hy = 0.7071068 * hole * s
      printf "stroke none\nfill rgba(200,240,250,%.3f)\n", a * 0.16
      printf "ellipse %s %.2f,%.2f 0,360\nfill none\n", P(cx,cy,z1), rx, ry
      hidden()
      printf "ellipse %s %.2f,%.2f 180,360\n", P(cx,cy,z0), rx, ry
      print "line " P(cx,cy,z1) " " P(cx,cy,z1 - (z1 - z0) * 0.6)
      solid()
      printf "ellipse %s %.2f,%.2f 0,180\n", P(cx,cy,z0), rx, ry
      printf "ellipse %s %.2f,%.2f 0,360\n", P(cx,cy,z1), rx, ry
      printf "ellipse %s %.2f,%.2f 0,360\n", P(cx,cy,z1), hx, hy
      printf "line %.2f,%.2f %.2f,%.2f\n", X(cx,cy,z0) - rx, Y(cx,cy,z0), X(cx,cy,z1) - rx, Y(cx,cy,z1)
      printf "line %.2f,%.2f %.2f,%.2f\n", X(cx,cy,z0) + rx, Y(cx,cy,z0), X(cx,cy,z1) + rx, Y(cx,cy,z1)
      # Centre line, dash-dot as on a drawing.
      printf "stroke-dasharray 10 3 2 3\nstroke rgba(240,190,110,%.3f)\n", a * 0.8
      print "line " P(cx,cy,z1 + 1.2) " " P(cx,cy,z0 - 0.4)
    }
    function arrow(xa, ya, xb, yb,   dx, dy, l, ux, uy, L, W) {
      dx = xb - xa; dy = yb - ya; l = sqrt(dx*dx + dy*dy); ux = dx / l; uy = dy / l
      L = 8; W = 2.6
      printf "stroke none\nfill rgba(170,230,242,%.3f)\n", a
      printf "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f\nfill none\n", xb, yb, \
        xb - ux*L - uy*W, yb - uy*L + ux*W, xb - ux*L + uy*W, yb - uy*L - ux*W
    }
    BEGIN {
      print "push graphic-context"
      print "stroke-width 1.1"
      print "stroke-linecap round"
      print "fill none"
      box(0, 0, 0, 10, 6, 1.5)
      box(6.4, 1, 1.5, 9.4, 5, 3.6)
      boss(3, 3, 1.8, 1.5, 4.6, 0.8)
      # Dimension for the long edge of the plate, off its front side.
      solid()
      printf "stroke rgba(170,230,242,%.3f)\n", a * 0.7
      edge(0, 6.3, 0, 0, 8.1, 0); edge(10, 6.3, 0, 10, 8.1, 0)
      edge(0.15, 7.6, 0, 9.85, 7.6, 0)
      arrow(X(5,7.6,0), Y(5,7.6,0), X(0,7.6,0), Y(0,7.6,0))
      arrow(X(5,7.6,0), Y(5,7.6,0), X(10,7.6,0), Y(10,7.6,0))
      print "pop graphic-context"
      # The figure is unreadable at small scales; a smudge there only looks like noise.
      if (s < 12) exit
      # Text angle follows the x axis of the view (30 degrees).
      printf "push graphic-context\nfill rgba(170,230,242,%.3f)\nstroke none\nfont-size %.1f\n", a, s * 0.42
      printf "translate %.2f,%.2f\nrotate 30\ntext -10,-4 \"240\"\npop graphic-context\n", X(5,7.6,0), Y(5,7.6,0)
    }'
}

# Background: diagonal gradient, a soft glow, the grid and the wireframe.
# The grid fades in below grid-top so a control placed above it sits on a calm background.
# Args: width height glow-x glow-y glow-size grid-top wire-x wire-y wire-scale wire-opacity out
background() {
  local w=$1 h=$2 gx=$3 gy=$4 gs=$5 gtop=$6 out=${11}
  grid "$w" "$h" >"$tmp/grid.mvg"
  wireframe "$7" "$8" "$9" "${10}" >"$tmp/wire.mvg"
  if ((gtop > 0)); then
    convert -size "${w}x${gtop}" xc:black -size "${w}x60" gradient:black-white \
      -size "${w}x$((h - gtop - 60))" xc:white -append -alpha copy "$tmp/fade.miff"
  else
    convert -size "${w}x${h}" xc:white -alpha copy "$tmp/fade.miff"
  fi
  convert -size "${w}x${h}" -define gradient:angle=135 gradient:"$deep-$teal" \
    \( -size "${gs}x${gs}" radial-gradient:'rgba(110,210,225,0.30)-rgba(110,210,225,0)' \) \
    -geometry "+$((gx - gs / 2))+$((gy - gs / 2))" -composite \
    \( -size "${w}x${h}" xc:none -fill none -strokewidth 1 -draw "$(cat "$tmp/grid.mvg")" \
       "$tmp/fade.miff" -compose DstIn -composite \) -compose over -composite \
    \( -size "${w}x${h}" xc:none -font DejaVu-Sans -draw "$(cat "$tmp/wire.mvg")" \) -composite \
    "$out"
}

# Text with a soft shadow so it stays readable over the grid.
# Args: image font size colour x y text [kerning]
text() {
  local img=$1 font=$2 size=$3 colour=$4 x=$5 y=$6 str=$7 kern=${8:-0}
  convert "$img" \
    \( +clone -alpha transparent -font "$font" -pointsize "$size" -kerning "$kern" \
       -fill 'rgba(0,10,25,0.55)' -annotate "+$((x + 1))+$((y + 2))" "$str" -blur 0x2 \) -composite \
    -font "$font" -pointsize "$size" -kerning "$kern" -fill "$colour" -annotate "+$x+$y" "$str" \
    "$img"
}

# Uncompressed 24-bit bottom-up BMP with a plain BITMAPINFOHEADER, which is what
# LoadImage/LoadBitmap and windres handle everywhere.
to_bmp() {
  convert "$1" -alpha off -strip -type TrueColor BMP3:"$2"
}

# The "N" mark on a 16-step grid, drawn 8x oversized and box-filtered down so the stems
# land on whole pixels even at 16 x 16. Args: size (even) fill(xc:/gradient:) out
mark() {
  local n=$1 fill=$2 out=$3 k u r
  k=$((n * 8)); u=$((n / 2))  # u: one grid step in oversized pixels
  r=$n                        # corner radius: one eighth of the final size
  convert -size "${k}x${k}" xc:none \
    \( -size "${k}x${k}" "$fill" \
       \( -size "${k}x${k}" xc:black -fill white -draw "roundrectangle 0,0 $((k - 1)),$((k - 1)) $r,$r" \) \
       -alpha off -compose CopyOpacity -composite \) -compose over -composite \
    -fill "$ink" -draw "polygon $((3*u)),$((13*u)) $((3*u)),$((3*u)) $((6*u)),$((3*u)) $((10*u)),$((9*u)) \
        $((10*u)),$((3*u)) $((13*u)),$((3*u)) $((13*u)),$((13*u)) $((10*u)),$((13*u)) \
        $((6*u)),$((7*u)) $((6*u)),$((13*u))" \
    -filter box -resize "${n}x${n}" "$out"
}

# --- information page, 714 x 540; buttons at bottom right (x 516-691, y 403-426) ---
img="$tmp/info.miff"
background 714 540 560 130 760 0 250 330 21 0.55 "$img"
mark 64 "gradient:#1673a6-#0a4870" "$tmp/mark64.png"
convert "$img" "$tmp/mark64.png" -geometry +56+70 -composite "$img"
text "$img" DejaVu-Sans 13 "$accent" 136 92 "INSTALLATION" 4
text "$img" DejaVu-Sans-Bold 40 "$ink" 134 128 "Norla Veltro 2024"
convert "$img" -fill "$accent" -draw "rectangle 56,158 120,160" "$img"
text "$img" DejaVu-Sans 20 "$ink" 56 196 "Willkommen zur Installation von Norla Veltro 2024"
text "$img" DejaVu-Sans 15 '#cfe3ea' 56 226 "Dieser Assistent führt Sie durch die Installation."
to_bmp "$img" info.bmp

# --- progress window, 596 x 389; progress bar across the top (x 10-588, y 11-34) ---
img="$tmp/progress.miff"
background 596 389 300 190 620 40 265 112 19 0.6 "$img"
text "$img" DejaVu-Sans-Bold 28 "$ink" 24 352 "Norla Veltro 2024"
text "$img" DejaVu-Sans 15 "$accent" 330 352 "Bitte warten…"
to_bmp "$img" progress.bmp

# --- installation directory page, 584 x 360 ---
# Group box x 129-490 y 36-114 with the edit field and "..." button, the two check
# boxes below it down to y ~143, "Starte Installation" x 240-367 y 192-245,
# "Beenden" x 502-577 y 223-245. The light panel carries the black control text.
img="$tmp/installdir.miff"
background 584 360 140 300 560 0 440 280 8.5 0.55 "$img"
convert "$img" \
  \( +clone -alpha transparent -fill 'rgba(0,10,25,0.45)' -draw "roundrectangle 116,24 505,160 6,6" -blur 0x4 \) -composite \
  -fill '#f0f0f0' -stroke 'rgba(255,255,255,0.9)' -draw "roundrectangle 114,20 503,156 6,6" \
  -stroke none -fill "$accent" -draw "rectangle 114,20 503,22" "$img"
mark 32 "gradient:#1673a6-#0a4870" "$tmp/mark32.png"
convert "$img" "$tmp/mark32.png" -geometry +24+286 -composite "$img"
text "$img" DejaVu-Sans-Bold 24 "$ink" 68 310 "Norla Veltro 2024"
text "$img" DejaVu-Sans 14 "$accent" 68 333 "Installationsverzeichnis"
to_bmp "$img" installdir.bmp

# --- icon: 32x32 and 16x16 in 16 colours, 48x48 in 256 colours ---
# ImageMagick's ICO writer emits 32-bit images, so make-icon.py assembles the file from
# palettised BMPs and 1-bit transparency masks. Transparent pixels are flattened onto the
# mark colour before quantising so they do not use up a palette entry.
for size_colours in 32:15 16:15 48:255; do
  n=${size_colours%%:*} colours=${size_colours#*:}
  if ((n == 48)); then
    mark "$n" "gradient:#1673a6-#0a4870" "$tmp/icon$n.png"
  else
    mark "$n" "xc:$mark_fill" "$tmp/icon$n.png"
  fi
  convert "$tmp/icon$n.png" -background "$mark_fill" -alpha remove -alpha off \
    -dither None -colors "$colours" -type Palette -compress None -strip BMP3:"$tmp/icon$n.bmp"
  convert "$tmp/icon$n.png" -alpha extract -threshold 50% -depth 8 gray:"$tmp/icon$n.mask"
done
python3 make-icon.py norla.ico \
  "$tmp/icon32.bmp" "$tmp/icon32.mask" 4 \
  "$tmp/icon16.bmp" "$tmp/icon16.mask" 4 \
  "$tmp/icon48.bmp" "$tmp/icon48.mask" 8
