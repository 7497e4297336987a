#!/usr/bin/env bash
# Starts the real program under Xvfb with prepared settings, drives it from the keyboard and
# saves screenshots of what a pupil and a parent see into docs/.
#   scripts/screenshots.sh [scale]    (scale 2 shows the HiDPI layout; its pictures go to /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scale="${1:-1}"

need=()
for p in xvfb openbox xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target numio >/dev/null

out="$root/docs"
[ "$scale" != 1 ] && out="/tmp/numio-screens-x$scale"
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x960x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME="$work/config" LANG=cs_CZ.UTF-8
openbox >/dev/null 2>&1 &
sleep 0.5

settings() { # settings NAME: writes the prepared INI for one session
  mkdir -p "$XDG_CONFIG_HOME/Numio2"
  cat > "$XDG_CONFIG_HOME/Numio2/Numio2.conf"
}
shot() { # shot NAME [window]: the active window (a dialog when one is open)
  sleep 0.3
  import -window "$(xdotool getactivewindow)" "$out/$1.png"
}
keys() { xdotool key --delay 60 "$@"; }
start() {
  ./build/default/bin/numio >/dev/null 2>&1 &
  app=$!
  sleep 1.5
  xdotool search --sync --onlyvisible --name ' Numio' windowactivate --sync >/dev/null 2>&1 || true
  sleep 0.3
}
stop() { kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; }

# A set of all four operations under a set time limit.
settings <<INI
[Settings]
MaxValue=20
MaxValueX=10
Plus=True
Minus=True
Krat=True
Deleno=True
LimitSady=True
TimeLimitSada=10
Sada=10
[Audit]
Active=True
File=$work/protokol.txt
INI
start
shot main-idle
keys F5
shot main-set
xdotool type --delay 80 999
keys Return
sleep 0.2
shot main-correction
keys space
stop

# Problems whose answer is always 0, so the report card can be earned from the keyboard.
settings <<INI
[Settings]
MaxValue=1
Plus=False
Minus=True
Sada=6
[Audit]
Active=True
File=$work/protokol.txt
INI
start
keys F5
for i in 1 2 3 4 5; do xdotool type 0; keys Return; done
xdotool type 5; keys Return; sleep 0.3; keys space
sleep 1.6
shot report-card
keys Return      # the card's OK
sleep 0.5
keys Escape      # no repeat now
sleep 0.3
keys alt+p z
sleep 0.8
shot protocol-viewer
keys Escape
sleep 0.3
keys F2
sleep 0.8
shot settings-practice
keys ctrl+Tab
shot settings-protocol
keys ctrl+Tab
shot settings-choices
keys Escape
sleep 0.3
keys alt+n r
sleep 0.8
shot about
keys Escape
stop

# Two pupils: the first takes over the settings above, the second starts on his own. A journal
# proposed for a pupil goes under the documents, so they are the session's too.
export HOME="$work/home"
mkdir -p "$HOME"
type_text() { LC_ALL=C.UTF-8 xdotool type --delay 60 "$1"; }
start
keys F7
sleep 0.8
type_text "Jana Nováková"; keys Return
type_text "Petr Novák"; keys Return
type_text "petr novak"; keys Return
shot pupils
keys Escape
stop
# With two pupils the chooser comes before the main window shows.
./build/default/bin/numio >/dev/null 2>&1 &
app=$!
sleep 1.5
shot pupil-chooser
keys Return
stop

# The knowledge map on ten weeks of a pupil's tries, as its benchmark makes them up: the times
# tables, then the sums to 20.
cmake --build --preset default --target bench_knowledge_map >/dev/null
./build/default/bench/bench_knowledge_map --show >/dev/null 2>&1 &
app=$!
sleep 1.5
xdotool search --sync --onlyvisible --name 'Mapa znalost' windowactivate --sync >/dev/null 2>&1 || true
shot knowledge-map
keys alt+p Down Down
shot knowledge-map-sums
stop
echo "Screenshots in $out"
