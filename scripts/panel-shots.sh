#!/usr/bin/env bash
# Writes the README's screenshots of the front panel into docs/, played on the
# headless plug-in module by the command-line host:
#   scripts/panel-shots.sh [BUILD_DIR]   (default build; zintra-host built there)
# panel-play.png   Play: the E4 key held, its note in the LCD
# panel-rec.png    Rec: the Rhythm button pressed, the rhythm names over the keys
# panel-cal.png    Cal: 355 / 113 =
# panel-demo.png   Play: the Music button's melody under way
# panel-play-2x.png  panel-play.png at scale 2: the double set of bitmaps
set -euo pipefail
cd "$(dirname "$0")/.."
host="${1:-build}/tools/zintra-host"
[ -x "$host" ] || { echo "no $host: build the target zintra-host first" >&2; exit 1; }

# The centre of a key or button, as --click wants it.
key() { # TAG [T] [HOLD]
    local tag=$1 t=$2 hold=${3:-0.1} x y
    case $tag in
    55) x=262 ;; 57) x=299 ;; 59) x=336 ;; 60) x=372 ;; 62) x=410 ;; 64) x=446 ;; 65) x=483 ;;
    67) x=520 ;; 69) x=557 ;; 71) x=594 ;; 72) x=630 ;; 74) x=667 ;; 76) x=704 ;; 77) x=741 ;;
    79) x=778 ;; 81) x=815 ;; 83) x=852 ;; 88) x=612 ;; 90) x=686 ;;
    *) echo "no place for key $tag" >&2; exit 1 ;;
    esac
    case $tag in 88 | 90) y=82 ;; *) y=185 ;; esac
    echo "--click $t:$x:$y:$hold"
}
mode() { # POSITION (0 Play, 1 Rec, 2 Cal) T
    echo "--click $2:$((805 + 8 + 16 * $1)):36"
}

"$host" --seconds 1.2 $(key 64 0.5 0.6) --shot 1.0:docs/panel-play.png
"$host" --seconds 1.2 --scale 2 $(key 64 0.5 0.6) --shot 1.0:docs/panel-play-2x.png
"$host" --seconds 1.0 $(mode 1 0.1) $(key 88 0.4) --shot 0.9:docs/panel-rec.png
cal=$(mode 2 0.1)
t=0.3
for k in 64 67 67 76 60 60 64 83; do
    cal="$cal $(key $k $t)"
    t=$(echo "$t + 0.2" | bc)
done
"$host" --seconds 2.2 $cal --shot 2.1:docs/panel-cal.png
"$host" --seconds 2.0 $(key 90 0.1) --hover 0.3:150:100 --shot 1.9:docs/panel-demo.png
