#!/usr/bin/env bash
# Regenerates the bundled demo presentation: the narration (espeak-ng + oggenc), the pictures
# (ImageMagick), the font copy with its licence note, and demo.zentil itself.
#
# Each slide's narration is spoken phrase by phrase; the phrases are joined into one wave file,
# and the moment each phrase starts becomes the time of the subslide that illustrates it, so the
# pictures change exactly when the narrator gets there.
#
# Usage: examples/demo/make-demo.sh          (writes into the folder of this script)
# Needs: espeak-ng, oggenc (vorbis-tools), convert (ImageMagick), python3, fonts-liberation.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
res="$here/resources"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$res"

voice=en-us
speed=150
font_src=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf
font_name=LiberationSansNarrow-Bold.ttf

# --- narration ---------------------------------------------------------------------------------

# speak SLIDE PHRASE...: writes resources/slideN.ogg and sets START_N_K (phrase K's start in
# seconds, one decimal) and LENGTH_N (the narration length in seconds).
speak() {
    local n=$1
    shift
    local k=0 wavs=()
    for phrase in "$@"; do
        k=$((k + 1))
        espeak-ng -v "$voice" -s "$speed" -w "$work/s${n}_$k.wav" "$phrase"
        wavs+=("$work/s${n}_$k.wav")
    done
    # Joins the phrases with a short pause and prints "K START" lines and "length L".
    local timings
    timings=$(python3 - "$work/slide$n.wav" "${wavs[@]}" <<'EOF'
import sys, wave
out, parts = sys.argv[1], sys.argv[2:]
gap = 0.3
frames, params, starts = [], None, []
position = 0.0
for i, name in enumerate(parts):
    with wave.open(name) as w:
        params = params or w.getparams()
        rate = w.getframerate()
        data = w.readframes(w.getnframes())
    if i:
        silence = b"\0" * (int(gap * rate) * params.sampwidth * params.nchannels)
        frames.append(silence)
        position += len(silence) / (rate * params.sampwidth * params.nchannels)
    starts.append(position)
    frames.append(data)
    position += len(data) / (rate * params.sampwidth * params.nchannels)
with wave.open(out, "wb") as w:
    w.setparams(params)
    w.writeframes(b"".join(frames))
for k, start in enumerate(starts, 1):
    print(k, f"{start:.1f}")
print("length", f"{position:.1f}")
EOF
)
    oggenc -Q -q 1 -s "$n" -o "$res/slide$n.ogg" "$work/slide$n.wav"
    while read -r key value; do
        if [ "$key" = length ]; then
            printf -v "LENGTH_$n" '%s' "$value"
        else
            printf -v "START_${n}_$key" '%s' "$value"
        fi
    done <<<"$timings"
}

speak 1 "Welcome to Zentil," \
    "a full screen player for narrated slide presentations." \
    "Sit back for a one minute tour."
speak 2 "A presentation is one small script file," \
    "plus its resources:" \
    "pictures," \
    "TrueType fonts," \
    "and Ogg Vorbis narration."
speak 3 "Every slide is drawn from simple commands:" \
    "boxes," \
    "colour blends," \
    "lines," \
    "and text with a soft shadow."
speak 4 "Pictures can be JPEG," \
    "GIF," \
    "or bitmap files." \
    "A mask colour lets the slide show through a picture's background."
speak 5 "Each slide plays its own narration." \
    "Subslides add to the picture at set moments," \
    "so the slide builds up as you listen."
speak 6 "Use the arrow keys to step through the slides," \
    "space to pause," \
    "and escape to leave." \
    "Thanks for watching!"

# --- pictures ----------------------------------------------------------------------------------

# JPEG: an evening landscape, drawn at half size and shown doubled as the title backdrop.
convert -size 400x300 gradient:'#0B1E3F-#E9875A' \
    -fill '#F7D26A' -draw 'circle 60,215 60,189' \
    -fill '#2D4A3E' -draw 'polygon 0,230 70,200 150,225 240,190 320,215 400,195 400,300 0,300' \
    -fill '#1C3129' -draw 'polygon 0,260 90,240 190,262 290,238 400,258 400,300 0,300' \
    -strip -quality 72 "$res/evening.jpg"

# GIF: the logo on magenta; the slides name the magenta pixel at (1, 1) as its mask colour
# (a mask x of 0 would mean "no mask").
# Drawn without anti-aliasing so no blended edge pixels are left around the keyed-out colour.
convert -size 160x160 xc:'#FF00FF' +antialias \
    -fill '#F2A541' -draw 'circle 80,80 80,4' \
    -fill '#1B3A5C' -draw 'circle 80,80 80,16' \
    -fill '#FFFFFF' -draw 'polygon 44,46 116,46 116,62 68,106 116,106 116,122 44,122 44,106 92,62 44,62' \
    -colors 8 "$res/logo.gif"

# BMP: a strip of film with three coloured frames.
convert -size 180x120 xc:'#202020' +antialias \
    -fill '#F5F2EB' \
    -draw 'rectangle 8,6 20,14' -draw 'rectangle 38,6 50,14' -draw 'rectangle 68,6 80,14' \
    -draw 'rectangle 98,6 110,14' -draw 'rectangle 128,6 140,14' -draw 'rectangle 158,6 170,14' \
    -draw 'rectangle 8,106 20,114' -draw 'rectangle 38,106 50,114' -draw 'rectangle 68,106 80,114' \
    -draw 'rectangle 98,106 110,114' -draw 'rectangle 128,106 140,114' -draw 'rectangle 158,106 170,114' \
    -fill '#2A7F9E' -draw 'rectangle 8,24 60,96' \
    -fill '#F2A541' -draw 'rectangle 64,24 116,96' \
    -fill '#C8553D' -draw 'rectangle 120,24 172,96' \
    -fill '#F5F2EB' -draw 'circle 34,60 34,46' -draw 'polygon 78,84 90,40 102,84' \
    -draw 'rectangle 132,48 160,72' \
    -type palette BMP3:"$res/film.bmp"

# --- font --------------------------------------------------------------------------------------

cp "$font_src" "$res/$font_name"
cp /usr/share/doc/fonts-liberation/copyright "$res/LiberationSansNarrow-LICENSE.txt"

# --- script ------------------------------------------------------------------------------------

size() { stat -c %s "$res/$1"; }
total=0
for f in slide1.ogg slide2.ogg slide3.ogg slide4.ogg slide5.ogg slide6.ogg \
    evening.jpg logo.gif film.bmp "$font_name"; do
    total=$((total + $(size "$f")))
done
ogg_bytes=0
for n in 1 2 3 4 5 6; do ogg_bytes=$((ogg_bytes + $(size "slide$n.ogg"))); done
length=$(python3 -c "print(round(sum(float(x) for x in '$LENGTH_1 $LENGTH_2 $LENGTH_3 $LENGTH_4 $LENGTH_5 $LENGTH_6'.split())))")
kbps=$((ogg_bytes * 8 / length / 1000))

title="face 'Liberation Sans Narrow' size 50 bold color #FFFFFF shadow 2 2 #0A1A2A"
body="face Arial size 24 color #2B2B2B"
label="face Arial size 18 bold color #2B2B2B"
footer="face Arial size 14 color #6B6B6B"

# A narration waveform for slide 5, drawn as vertical bars.
waveform=$(python3 -c "
import math
for i, x in enumerate(range(64, 737, 9)):
    a = 6 + 40 * abs(math.sin(x / 70)) * (0.55 + 0.45 * abs(math.sin(x * 1.7)))
    print(f'/line {{{x} {round(200 - a)} {x} {round(200 + a)} penwidth 5 pencolor #2A7F9E}}')
")

# Writes the script with CR LF line ends.
sed 's/$/\r/' >"$here/demo.zentil" <<EOF
/name {demo.zentil}
%title {A Tour of Zentil}
%info
/version {1.2}
/title {A Tour of Zentil}
/author {The Zentil developers}
/organization {Zentil}
/comments {A one-minute narrated tour: what Zentil is and what its scripts can draw.}
/data {kbps $kbps length $length filesize $total}
%endinfo

%resource
/resource {$font_name [$(size "$font_name")] slide1.ogg [$(size slide1.ogg)] evening.jpg [$(size evening.jpg)] logo.gif [$(size logo.gif)] |}
/resource {slide2.ogg [$(size slide2.ogg)] slide3.ogg [$(size slide3.ogg)] slide4.ogg [$(size slide4.ogg)] film.bmp [$(size film.bmp)]}
/resource {slide5.ogg [$(size slide5.ogg)] slide6.ogg [$(size slide6.ogg)]}
%endresource

%background
/image {0 0 evening.jpg size 2}
/box {0 470 800 600 blend #1C3129 fill #0B1410 penwidth 0}
%endbackground

%slide
/play {slide1.ogg}
/image {320 80 logo.gif mask 1 1}
/font {face 'Liberation Sans Narrow' size 96 bold color #FFFFFF shadow 3 3 #0A1A2A}
/text {400 330 cj Zentil}
%subslide $START_1_2
/font {face Arial size 28 color #F5F2EB shadow 2 2 #0A1A2A}
/text {400 380 cj narrated slide presentations, full screen}
/line {250 400 550 400 penwidth 2 pencolor #F2A541}
%subslide $START_1_3
/box {220 490 580 550 blend #F2A541 fill #C8553D pencolor #F5F2EB penwidth 2}
/font {face Arial size 26 bold color #FFFFFF shadow 1 1 #5A1E10}
/text {400 529 cj A one-minute tour}
%endslide

%background
/box {0 0 800 600 fill #F5F2EB penwidth 0}
/box {0 0 800 96 blend #123456 fill #2A7F9E penwidth 0}
/box {0 96 800 102 fill #F2A541 penwidth 0}
/box {0 562 800 600 fill #E6E0D4 penwidth 0}
/line {0 562 800 562 pencolor #CFC6B4}
/font {$footer}
/text {24 587 lj A tour of Zentil}
%endbackground

%slide
/play {slide2.ogg}
/font {$title}
/text {40 66 lj What is a presentation?}
/font {$footer}
/text {776 587 rj 2 / 6}
/box {70 200 250 440 fill #FFFFFF pencolor #1B3A5C penwidth 3}
/polygon {210 200 250 240 210 240 fill #E6E0D4 pencolor #1B3A5C penwidth 3}
/line {95 250 195 250 penwidth 4 pencolor #2A7F9E}
/line {95 280 225 280 penwidth 4 pencolor #9AA5AE}
/line {95 310 225 310 penwidth 4 pencolor #9AA5AE}
/line {95 340 200 340 penwidth 4 pencolor #9AA5AE}
/line {95 370 225 370 penwidth 4 pencolor #9AA5AE}
/font {$label}
/text {160 475 cj demo.zentil}
%subslide $START_2_2
/line {270 320 390 320 penwidth 4 pencolor #F2A541}
/polygon {390 306 414 320 390 334 fill #F2A541 penwidth 0}
%subslide $START_2_3
/box {440 150 740 240 blend #3C93B3 fill #2A7F9E penwidth 0}
/image {452 165 logo.gif size 0.375 mask 1 1}
/font {face Arial size 26 bold color #FFFFFF shadow 1 1 #123456}
/text {530 204 lj Pictures}
%subslide $START_2_4
/box {440 270 740 360 blend #F7BE62 fill #E59A2C penwidth 0}
/font {face 'Liberation Sans Narrow' size 40 bold color #FFFFFF shadow 1 1 #8A5410}
/text {490 330 cj Aa}
/font {face Arial size 26 bold color #FFFFFF shadow 1 1 #8A5410}
/text {530 324 lj TrueType fonts}
%subslide $START_2_5
/box {440 390 740 480 blend #D9735C fill #C8553D penwidth 0}
/box {462 430 468 442 fill #F5F2EB penwidth 0}
/box {472 422 478 450 fill #F5F2EB penwidth 0}
/box {482 414 488 458 fill #F5F2EB penwidth 0}
/box {492 424 498 448 fill #F5F2EB penwidth 0}
/box {502 432 508 440 fill #F5F2EB penwidth 0}
/font {face Arial size 26 bold color #FFFFFF shadow 1 1 #5A1E10}
/text {530 444 lj Narration}
%endslide

%slide
/play {slide3.ogg}
/font {$title}
/text {40 66 lj Drawn from simple commands}
/font {$footer}
/text {776 587 rj 3 / 6}
%subslide $START_3_2
/box {70 130 230 290 fill #2A7F9E pencolor #1B3A5C penwidth 3}
/oval {110 170 190 250 fill #F2A541 penwidth 0}
/font {$label}
/text {150 322 cj boxes and ovals}
%subslide $START_3_3
/box {320 130 480 290 blend #F7D26A fill #C8553D penwidth 0}
/font {$label}
/text {400 322 cj colour blends}
%subslide $START_3_4
/line {570 140 730 140 penwidth 2 pencolor #1B3A5C}
/line {570 170 730 200 penwidth 4 pencolor #2A7F9E}
/line {570 200 730 260 penwidth 6 pencolor #F2A541}
/line {570 280 730 280 penwidth 8 pencolor #C8553D}
/font {$label}
/text {650 322 cj lines}
%subslide $START_3_5
/font {face 'Liberation Sans Narrow' size 64 bold color #1B3A5C shadow 4 4 #CDBFA6}
/text {400 462 cj text with a soft shadow}
%endslide

%slide
/play {slide4.ogg}
/font {$title}
/text {40 66 lj Pictures}
/font {$footer}
/text {776 587 rj 4 / 6}
/image {50 160 evening.jpg size 0.5}
/font {$label}
/text {150 345 cj JPEG}
%subslide $START_4_2
/image {320 155 logo.gif}
/font {$label}
/text {400 345 cj GIF}
%subslide $START_4_3
/image {560 175 film.bmp}
/font {$label}
/text {650 345 cj bitmap}
%subslide $START_4_4
/box {50 380 750 540 blend #DCEBF0 fill #B9D7E1 pencolor #2A7F9E penwidth 2}
/image {90 396 logo.gif size 0.8}
/image {250 396 logo.gif size 0.8 mask 1 1}
/font {$body}
/text {420 450 lj Left: the GIF as it is.}
/text {420 490 lj Right: its magenta corner}
/text {420 520 lj named as the mask colour.}
%endslide

%slide
/play {slide5.ogg}
/font {$title}
/text {40 66 lj Narration and timing}
/font {$footer}
/text {776 587 rj 5 / 6}
$waveform
/line {60 300 740 300 penwidth 4 pencolor #1B3A5C}
/line {60 290 60 310 penwidth 3 pencolor #1B3A5C}
/line {740 290 740 310 penwidth 3 pencolor #1B3A5C}
/font {$label}
/text {60 335 cj 0 s}
/text {740 335 cj $LENGTH_5 s}
/box {52 292 68 308 fill #F2A541 pencolor #1B3A5C penwidth 2}
/font {$body}
/text {400 420 cj One narration per slide ...}
%subslide $START_5_2
/box {$(python3 -c "x=round(60+680*$START_5_2/$LENGTH_5); print(x-8, 292, x+8, 308)") fill #F2A541 pencolor #1B3A5C penwidth 2}
/font {$body}
/text {400 460 cj ... subslides change the picture at set times ...}
%subslide $START_5_3
/box {$(python3 -c "x=round(60+680*$START_5_3/$LENGTH_5); print(x-8, 292, x+8, 308)") fill #F2A541 pencolor #1B3A5C penwidth 2}
/font {$body}
/text {400 500 cj ... and the next slide follows by itself.}
%endslide

%background
/box {0 0 800 600 blend #0B1E3F fill #2A7F9E penwidth 0}
/box {0 562 800 600 fill #0B1E3F penwidth 0}
/font {face Arial size 14 color #9AB8C8}
/text {24 587 lj A tour of Zentil}
/text {776 587 rj 6 / 6}
%endbackground

%slide
/play {slide6.ogg}
/font {face 'Liberation Sans Narrow' size 50 bold color #FFFFFF shadow 2 2 #061020}
/text {400 90 cj Your turn}
/box {90 150 200 210 fill #F5F2EB pencolor #9AB8C8 penwidth 2}
/box {220 150 330 210 fill #F5F2EB pencolor #9AB8C8 penwidth 2}
/line {125 180 175 180 penwidth 5 pencolor #1B3A5C}
/line {125 180 142 166 penwidth 5 pencolor #1B3A5C}
/line {125 180 142 194 penwidth 5 pencolor #1B3A5C}
/line {245 180 295 180 penwidth 5 pencolor #1B3A5C}
/line {295 180 278 166 penwidth 5 pencolor #1B3A5C}
/line {295 180 278 194 penwidth 5 pencolor #1B3A5C}
/font {face Arial size 26 color #FFFFFF}
/text {370 190 lj step through the slides}
%subslide $START_6_2
/box {90 240 330 300 fill #F5F2EB pencolor #9AB8C8 penwidth 2}
/font {face Arial size 20 bold color #1B3A5C}
/text {210 278 cj Space}
/font {face Arial size 26 color #FFFFFF}
/text {370 280 lj pause and resume}
%subslide $START_6_3
/box {90 330 200 390 fill #F5F2EB pencolor #9AB8C8 penwidth 2}
/font {face Arial size 20 bold color #1B3A5C}
/text {145 368 cj Esc}
/font {face Arial size 26 color #FFFFFF}
/text {370 370 lj leave the presentation}
%subslide $START_6_4
/line {200 440 600 440 penwidth 2 pencolor #F2A541}
/font {face 'Liberation Sans Narrow' size 60 bold color #F2A541 shadow 3 3 #061020}
/text {400 510 cj Thanks for watching!}
%endslide
EOF

echo "demo written: $(( $(stat -c %s "$here/demo.zentil") + total )) bytes in all, $length s of narration"
