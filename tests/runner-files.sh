#!/usr/bin/env bash
# The runner's files as a user sees them: runner-files.sh CASE MARROWTICK.
# Each case works in a fresh folder of its own and says what went wrong.
set -euo pipefail

case_name=$1
marrowtick=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/marrowtick-$case_name-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

render() { "$marrowtick" render --size 96x54 "$@"; }

# Fails unless every file in folder $1 is a frame, NNNNNN.png.
only_frames() {
  local extra
  extra=$(ls -A "$1" | grep -v -x '[0-9]\{6\}\.png' || true)
  [ -z "$extra" ] || fail "$1 holds more than frames: $extra"
}

# Fails unless frame file $1 is byte for byte one of the files $2...
same_as_one_of() {
  local frame=$1
  shift
  for ref in "$@"; do cmp -s "$frame" "$ref" && return 0; done
  fail "$frame is none of the frames rendered alone"
}

# Fails unless the frames in $1 are 000000.png to some N, each as in folder $2.
whole_prefix() {
  local i=0
  for f in $(ls "$1" | grep -x '[0-9]\{6\}\.png'); do
    [ "$f" = "$(printf '%06d.png' $i)" ] || fail "$1: $f where $(printf '%06d.png' $i) was due"
    cmp -s "$1/$f" "$2/$f" || fail "$1/$f differs from the same frame rendered whole"
    i=$((i + 1))
  done
  echo $i
}

# Frames large enough that a run is caught in the middle.
render_large() { "$marrowtick" render --size 640x360 "$@"; }

# Starts a long render into $1 in the background and waits for its third
# frame. The render is stopped with the script, whatever happens.
start_long_render() {
  "$marrowtick" render --size 640x360 --frames 2000 --out "$1" >/dev/null 2>"$1.err" &
  pid=$!
  trap 'kill -KILL $pid 2>/dev/null; rm -rf "$work"' EXIT
  until [ -e "$1/000002.png" ]; do
    kill -0 $pid 2>/dev/null || fail "the long render ended early: $(cat "$1.err")"
    sleep 0.05
  done
}

case $case_name in
input-names)
  # Inputs made by the runner itself.
  render --frames 1 --start 0 --out made >/dev/null
  cp made/000000.png '100%.png'
  mkdir 'at 50%'
  cp made/000000.png 'at 50%/f0003.png'
  out=$(render --input '100%.png' --frames 2 --out a 2>&1) || fail "100%.png: $out"
  out=$(render --input 'at 50%%/f%04d.png' --start 3 --frames 1 --out b 2>&1) || fail "%%: $out"
  out=$(render --input 'at 50%/f####.png' --start 3 --frames 1 --out c 2>&1) || fail "####: $out"
  # Names never reach printf: the message quotes them as given.
  for name in '%n.png' '%s%s%s%s.png' 'x%n%n%n'; do
    out=$(render --input "$name" --frames 1 --out d 2>&1) && fail "$name was rendered"
    [ "$out" = "marrowtick: picture '$name' is missing" ] || fail "$name: $out"
  done
  out=$(render --input 'in/%04d_%04d.png' --frames 1 --out d 2>&1) && fail "two numbers were rendered"
  expected="marrowtick: bad numbered pattern 'in/%04d_%04d.png': it holds 2 frame numbers; use one run of # or one %0Nd (%% for a literal %)"
  [ "$out" = "$expected" ] || fail "two numbers: $out"
  out=$(render --input 'in/%s_%04d.png' --frames 1 --out d 2>&1) && fail "%s beside %04d was rendered"
  [ "$(echo "$out" | wc -l)" = 1 ] && [[ $out == *"'%s' is not a frame number"* ]] || fail "%s: $out"
  [ ! -e d ] || fail "a rejected input left an output folder"
  ;;
parallel)
  # Four runs into one folder, each with its own timecode, so every frame
  # file must be whole and one of the runs' own.
  for k in 1 2 3 4; do render --frames 24 --ltc-start "0$k:00:00:00" --out "ref$k" >/dev/null; done
  pids=()
  for k in 1 2 3 4; do
    render --frames 24 --ltc-start "0$k:00:00:00" --out shared >"run$k.log" 2>&1 &
    pids+=($!)
  done
  for k in 1 2 3 4; do wait "${pids[$((k - 1))]}" || fail "run $k failed: $(cat "run$k.log")"; done
  only_frames shared
  [ "$(ls shared | wc -l)" = 24 ] || fail "shared holds $(ls shared | wc -l) frames, not 24"
  for f in shared/*; do
    same_as_one_of "$f" ref1/"${f#shared/}" ref2/"${f#shared/}" ref3/"${f#shared/}" ref4/"${f#shared/}"
  done
  ;;
killed)
  # Killed outright: the frames that have names are whole.
  start_long_render long
  kill -KILL $pid
  wait $pid 2>/dev/null && fail "a killed run succeeded"
  frames=$(ls long | grep -c -x '[0-9]\{6\}\.png')
  render_large --frames $((frames + 1)) --out whole >/dev/null
  whole_prefix long whole >/dev/null
  ;;
stopped)
  # SIGTERM or SIGHUP (a closed terminal): the run stops between frames, says
  # so, keeps the whole frames and leaves no temporary.
  for sig in TERM:15 HUP:1; do
    start_long_render "long$sig"
    kill -"${sig%:*}" $pid
    status=0
    wait $pid || status=$?
    [ $status = $((128 + ${sig#*:})) ] || fail "status $status after SIG$sig"
    grep -q "^marrowtick: stopped by signal ${sig#*:} after [0-9]* frames\$" "long$sig.err" ||
      fail "stderr: $(cat "long$sig.err")"
    only_frames "long$sig"
    frames=$(ls "long$sig" | wc -l)
    render_large --frames "$frames" --out "whole$sig" >/dev/null
    whole_prefix "long$sig" "whole$sig" >/dev/null
  done
  ;;
messages)
  # Files and pictures refused before the first frame, each with one line
  # that says why. Rows: the arguments | the message.
  render --opacity 0 --frames 2 --out seq >/dev/null
  touch afile
  mkfifo fifo
  while IFS='|' read -r args expected; do
    out=$(eval "timeout 60 \"\$marrowtick\" $args" 2>&1) && fail "$args succeeded"
    [ "$out" = "marrowtick: $expected" ] || fail "$args: $out"
  done <<'ROWS'
render --out afile|--out afile: it is a file, not a folder
render --input seq/%06d.png --out ./seq/|--out ./seq/: it holds the input sequence, whose frames it would overwrite
render --input seq/######.png --start 5 --out o|frame 5: picture 'seq/000005.png' is missing (--start sets the sequence's first frame index)
render --input afile --out o|picture 'afile' is not a PNG file
render --input fifo --out o|picture 'fifo' is not a regular file
render --audio fifo --out o|audio file 'fifo' is not a regular file
render --state fifo --out o|--state fifo: not a regular file
render --font 'dejavu serif' --size 64x32 --out o|no font family "dejavu serif" in the font dialog; did you mean "DejaVu Serif"?
ltc --out fifo|--out fifo: not a regular file
ltc --out o.wav --channels=2 --ltc-channel 3|--ltc-channel 3: out of range 1 to 2 (--channels)
render --frames|--frames needs a value
info --frobnicate|info takes no arguments
--host=nuke about|unknown host 'nuke' (aftereffects or premiere)
ROWS
  [ ! -e o ] && [ ! -e o.wav ] || fail "a refused run left output behind"
  ;;
failed-run)
  # A run that fails after some frames keeps the whole ones, those in flight
  # included, and says how many.
  render --opacity 0 --frames 3 --out seq >/dev/null
  out=$(render --input 'seq/%06d.png' --frames 8 --out partial 2>&1) && fail "the run went on"
  [ "$out" = "marrowtick: frame 3: picture 'seq/000003.png' is missing (--start sets the sequence's first frame index); 3 frames written (000000.png to 000002.png)" ] || fail "$out"
  only_frames partial
  render --input 'seq/%06d.png' --frames 3 --out whole >/dev/null
  [ "$(whole_prefix partial whole)" = 3 ] || fail "partial holds $(ls partial)"
  ;;
ltc)
  # The WAV holds the generated LTC on its channel and silence on the others:
  # rendered from the file, frames match those of the generated LTC.
  "$marrowtick" ltc --out ltc.wav --ltc-start '01:00:00;00' --fps 29.97 --seconds=2 --channels 3 --ltc-channel 2 >/dev/null
  render --ltc-start '01:00:00;00' --fps 29.97 --start 10 --frames 3 --out generated >/dev/null
  render --audio ltc.wav --channel 2 --fps 29.97 --start 10 --frames 3 --out wav >/dev/null
  render --audio ltc.wav --channel 3 --fps 29.97 --start 10 --frames 1 --out silent >/dev/null
  for f in 000010.png 000011.png 000012.png; do cmp -s generated/$f wav/$f || fail "$f differs"; done
  cmp -s silent/000010.png wav/000010.png && fail "channel 3 holds LTC"
  ;;
state-first)
  # A state file that cannot be written stops the run before any frame.
  out=$(render --frames 3 --state nowhere/run.state --out frames 2>&1) && fail "the run went on"
  [ "$out" = "marrowtick: cannot write nowhere/run.state: No such file or directory" ] || fail "$out"
  [ -z "$(ls -A frames 2>/dev/null)" ] || fail "frames were written: $(ls frames)"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo "$case_name: passed"
