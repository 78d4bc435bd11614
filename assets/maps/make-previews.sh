#!/usr/bin/env bash
# Renders the ten map previews (JPEG) that the program builds in: a plasma landscape in
# each map's colours with its name on it, at each map's size, with the JPEG quality
# chosen so that the file comes close to its planned byte size.
# Usage: assets/maps/make-previews.sh   (needs ImageMagick and fonts-wqy-microhei)
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# file  width height  bytes  colours  seed  noise  name
rows=(
  "default.jpg 600 331 348897 forestgreen-sienna     11 0.9 官方地图"
  "map2.jpg    586 330  89496 darkorange-indigo      12 0.1 S万圣节"
  "map3.jpg    587 327 277246 white-steelblue        13 0.8 防S2冬季"
  "map4.jpg    592 333 212481 khaki-deepskyblue      14 0.6 沙滩峡谷"
  "map5.jpg    587 330 203764 midnightblue-goldenrod 15 0.6 沙滩夜间"
  "map6.jpg    590 330 301881 hotpink-seagreen       16 0.8 爱心峡谷"
  "map7.jpg    590 331 279200 darkred-snow           17 0.8 血之峡谷"
  "map8.jpg    583 333 250191 olivedrab-slategray    18 0.7 AREA63"
  "map9.jpg    513 302 324992 teal-tan               19 1.0 AREA91"
  "map10.jpg   586 329 303279 burlywood-saddlebrown  20 0.8 荒漠峡谷"
)

render() {  # file width height colours seed noise name quality
  convert -seed "$5" -size "$2x$3" "plasma:$4" -attenuate "$6" +noise Gaussian \
    -font "$font" -pointsize 40 -fill white -stroke black -strokewidth 2 \
    -gravity southwest -annotate +16+12 "$7" -sampling-factor 1x1 -quality "$8" "$1"
}

for row in "${rows[@]}"; do
  read -r file width height bytes colours seed noise name <<<"$row"
  best=0 bestdiff=-1
  for quality in $(seq 60 100); do
    render "$file" "$width" "$height" "$colours" "$seed" "$noise" "$name" "$quality"
    size=$(stat -c %s "$file")
    diff=$(( size > bytes ? size - bytes : bytes - size ))
    if (( bestdiff < 0 || diff < bestdiff )); then best=$quality bestdiff=$diff; fi
    (( size > bytes )) && break
  done
  render "$file" "$width" "$height" "$colours" "$seed" "$noise" "$name" "$best"
  echo "$file ${width}x${height} quality $best: $(stat -c %s "$file") bytes (planned $bytes)"
done
