#!/usr/bin/env bash
# Speed of the survey tools on large generated inputs, side by side with the
# general-purpose programs a surveyor would otherwise script (not part of the
# tests; nothing here is committed output).
#
#   bash bench/run.sh
#
# Builds the tools (Release) in build/bench, makes inputs of 1,000,000 and
# 10,000,000 records of every tool's kind with bench/make_inputs in a
# temporary folder (deleted at the end; about 3 GB at a time for the largest),
# runs each tool there (every run in a fresh copy of the folder, after a sync)
# with its standard output redirected to a file, and prints the median of the
# runs: seconds, records a second and peak memory (the maximum resident set
# that /usr/bin/time reports). Then:
#   - utm_points with a grid (--grid "UTM 35N") on the same points, its time
#     over the chain's own TM's;
#   - the peers, on the same records, where installed: PROJ's proj and GMT's
#     mapproject projecting the points of utm_points, GMT's sample1d
#     interpolating the track at the sounding times of join, awk filtering the
#     soundings of depth_filter and reformatting the records of raw_convert;
#     with the ratio ours/peer of records a second. Install them with
#         apt-get update; apt-get install -y proj-bin gmt
#   - the sizes of survey_plot's pictures and the time rsvg-convert takes to
#     draw them (apt-get install -y librsvg2-bin);
#   - survey_surface on 62,500 and 1,000,000 points (SURVEY_BENCH_SURFACE_SIZES)
#     and GMT's triangulate + grdcontour on the 62,500;
#   - survey_volume on two surveys of 1,000,000 points (SURVEY_BENCH_VOLUME);
#   - survey_channel on a channel of 10 km over 1,000,000 points
#     (SURVEY_BENCH_CHANNEL);
#   - survey_sheet at 1:2500 on 1,000,000 points (SURVEY_BENCH_SHEET_SIZES);
#   - join and utm_points with their standard output on a real terminal (a
#     tmux server of its own, one window of 80 x 25) against redirected, the
#     runs taking turns.
#
# Settings (environment): SURVEY_BENCH_SIZES (default "1000000 10000000"),
# SURVEY_BENCH_RUNS (runs a figure, default 3), SURVEY_BENCH_TOOLS (the tools
# to run, default all), SURVEY_BENCH_DIR (where the inputs go, default a new
# folder under ${TMPDIR:-/tmp}), SURVEY_BENCH_BUILD (default build/bench).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${SURVEY_BENCH_BUILD:-$ROOT/build/bench}
SIZES=${SURVEY_BENCH_SIZES:-"1000000 10000000"}
RUNS=${SURVEY_BENCH_RUNS:-3}
TOOLS=${SURVEY_BENCH_TOOLS:-"join depth_filter utm_points echo_clean1 echo_clean2 echo_flag dat_reduce raw_convert dxf2txt survey_plot nmea_split survey_soundings survey_qc"}

if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is needed (apt-get install -y time)" >&2
  exit 1
fi

echo "== building (Release) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$BUILD" -j2 --target make_inputs $TOOLS >/dev/null
BIN=$BUILD/bin
MAKE_INPUTS=$BUILD/bench/make_inputs

WORK=${SURVEY_BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/survey-bench.XXXXXX")}
mkdir -p "$WORK"
TMUX_SERVER="survey-bench-$$"
cleanup() {
  if command -v tmux >/dev/null; then
    for i in $(seq "$RUNS"); do
      tmux -L "$TMUX_SERVER-$i" kill-server 2>/dev/null || true
      rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$TMUX_SERVER-$i"
    done
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# median FILE: the median line (by its first number) of a file of "seconds KiB" lines.
median() { sort -n "$1" | awk '{l[NR]=$0} END{print l[int((NR+1)/2)]}'; }

# fresh DIR: a copy of DIR (hard links to its files) at $WORK/run, where a run
# creates its output files anew, as in a survey folder, after the data that
# earlier runs wrote has gone to the disk.
fresh() {
  rm -rf "$WORK/run" "$WORK/stdout.txt"
  cp -al "$1" "$WORK/run"
  sync
}

# measure DIR COMMAND...: runs the command RUNS times in a fresh copy of DIR
# (its standard input from answers.txt when there is one, its standard output
# to a file) and prints the median "seconds KiB".
measure_once() {
  local dir=$1
  shift
  fresh "$dir"
  local input=/dev/null
  [ -f "$WORK/run/answers.txt" ] && input=$WORK/run/answers.txt
  (cd "$WORK/run" && /usr/bin/time -f '%e %M' -o "$WORK/time.txt" "$@" <"$input" >"$WORK/stdout.txt" \
    2>"$WORK/stderr.txt")
  rm -rf "$WORK/run" "$WORK/stdout.txt"
  tail -n 1 "$WORK/time.txt"
}

measure() {
  local dir=$1
  shift
  local times=$WORK/times.txt
  : >"$times"
  for _ in $(seq "$RUNS"); do measure_once "$dir" "$@" >>"$times"; done
  median "$times"
}

# rate N SECONDS: records a second, in millions.
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.2f", (s > 0 ? n / s / 1e6 : 0) }'; }

row() {  # what records seconds KiB [ours-rate]
  local r
  r=$(rate "$2" "$3")
  if [ $# -ge 5 ]; then
    printf '    %-28s %6.2f s %8s M/s %8s KiB   ours/peer %s\n' "$1" "$3" "$r" "$4" \
      "$(awk -v a="$5" -v b="$r" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')"
  else
    printf '%-32s %6.2f s %8s M/s %8s KiB\n' "$1" "$3" "$r" "$4"
  fi
}

have() {
  if command -v "$1" >/dev/null; then return 0; fi
  echo "    ($1 is not installed: skipped; apt-get update; apt-get install -y $2)"
  return 1
}

# The peers of a tool, on the inputs in DIR (N records; ours at OURS M/s).
peers() {
  local tool=$1 dir=$2 n=$3 ours=$4 s k
  case $tool in
    join)
      if have gmt gmt; then
        # The fixes as "time latitude longitude" (a fix counts a second before
        # its stamp), the sounding times, both in seconds over the days.
        awk '{ t = $3 * 3600 + $4 * 60 + $5; if (n && t < last - 43200) off += 86400
               last = t; n = 1; printf "%.2f %s %s\n", t + off - 1, $1, $2 }' \
          "$dir/Temp/Raw_Pos.txt" >"$dir/fixes.txt"
        awk '{ t = $2 * 3600 + $3 * 60 + $4; if (n && t < last - 43200) off += 86400
               last = t; n = 1; printf "%.2f\n", t + off }' \
          "$dir/Temp/Raw_Dpt.txt" >"$dir/times.txt"
        read -r s k < <(measure "$dir" gmt sample1d fixes.txt -Ttimes.txt -Fl)
        row "gmt sample1d (track at times)" "$n" "$s" "$k" "$ours"
      fi
      ;;
    depth_filter)
      if have awk mawk; then
        read -r s k < <(measure "$dir" awk '$3 > 1 && $3 < 40 { printf "%.8f %.8f %.1f\r\n", $1, $2, $3 }' \
          Temp/Data.txt)
        row "awk (depth window)" "$n" "$s" "$k" "$ours"
      fi
      ;;
    utm_points)
      # The same points to a grid (Krüger's series): its time over the chain's TM's.
      read -r s k < <(measure "$dir" "$BIN/utm_points" --grid "UTM 35N")
      printf '    %-28s %6.2f s %8s M/s %8s KiB   grid/TM time %s\n' "--grid \"UTM 35N\"" "$s" "$(rate "$n" "$s")" \
        "$k" "$(awk -v a="$ours" -v b="$(rate "$n" "$s")" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
      awk 'NR > 3 { print $2, $1 }' "$dir/PM/La_Lo_De.txt" >"$dir/lonlat.txt"
      if have proj proj-bin; then
        read -r s k < <(measure "$dir" proj +proj=tmerc +lat_0=0 +lon_0=27 +k=1 +x_0=9500113.804 \
          +y_0=122.463 +ellps=WGS84 -f %.2f lonlat.txt)
        row "proj (tmerc)" "$n" "$s" "$k" "$ours"
      fi
      if have gmt gmt; then
        read -r s k < <(measure "$dir" gmt mapproject lonlat.txt -Jt27/0/1:1 -R26/29/41/44 -C -F)
        row "gmt mapproject (-Jt)" "$n" "$s" "$k" "$ours"
      fi
      ;;
    survey_plot)
      # The pictures' sizes, and a renderer (rsvg-convert) drawing each of them.
      fresh "$dir"
      (cd "$WORK/run" && "$BIN/survey_plot" </dev/null >/dev/null)
      rm -rf "$WORK/pictures"
      mkdir -p "$WORK/pictures/Temp"
      cp "$WORK/run/Temp/Plan.svg" "$WORK/run/Temp/Profile.svg" "$WORK/pictures/Temp/"
      rm -rf "$WORK/run"
      for svg in Plan Profile; do
        printf '    %-28s %9s bytes' "Temp/$svg.svg" "$(stat -c %s "$WORK/pictures/Temp/$svg.svg")"
        if command -v rsvg-convert >/dev/null; then
          read -r s k < <(measure "$WORK/pictures" rsvg-convert "Temp/$svg.svg" -o picture.png)
          printf ', drawn by rsvg-convert in %.2f s (%s KiB)\n' "$s" "$k"
        else
          printf ' (rsvg-convert is not installed: apt-get install -y librsvg2-bin)\n'
        fi
      done
      rm -rf "$WORK/pictures"
      ;;
    raw_convert)
      if have awk mawk; then
        read -r s k < <(measure "$dir" awk '{ printf "%12.8f %12.8f %6.2f %2d %2d %5.2f\r\n", $1, $2, $3, $7, $8, $9 }' \
          PM/Raw.Txt)
        row "awk (fixed columns)" "$n" "$s" "$k" "$ours"
      fi
      ;;
  esac
}

# terminal_run TOOL DIR: one run of the tool in a fresh copy of DIR with its
# standard output on a tmux window of 80 x 25 (a tmux server of its own);
# prints "seconds KiB".
terminal_run() {
  local tool=$1 dir=$2 i=$3
  local conf=$WORK/tmux.conf server=$TMUX_SERVER-$i
  printf 'set -g status off\nset -g history-limit 0\n' >"$conf"
  rm -f "$WORK/tmux-time.txt"
  fresh "$dir"
  tmux -L "$server" -f "$conf" new-session -d -x 80 -y 25 -c "$WORK/run" \
    "/usr/bin/time -f '%e %M' -o '$WORK/tmux-time.txt' '$BIN/$tool' < answers.txt; tmux wait-for -S bench-done; exec sleep 86400"
  tmux -L "$server" wait-for bench-done
  tmux -L "$server" kill-server 2>/dev/null || true
  rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$server"
  rm -rf "$WORK/run"
  tail -n 1 "$WORK/tmux-time.txt"
}

# measure_both TOOL DIR: runs the tool RUNS times redirected and RUNS times on
# a terminal, taking turns (so that a change in the machine's load touches
# both alike); prints "seconds KiB terminal-seconds" (medians).
measure_both() {
  local tool=$1 dir=$2
  : >"$WORK/times-redirected.txt"
  : >"$WORK/times-terminal.txt"
  for i in $(seq "$RUNS"); do
    measure_once "$dir" "$BIN/$tool" >>"$WORK/times-redirected.txt"
    terminal_run "$tool" "$dir" "$i" >>"$WORK/times-terminal.txt"
  done
  echo "$(median "$WORK/times-redirected.txt") $(median "$WORK/times-terminal.txt" | awk '{print $1}')"
}

# reference: seconds of a fixed loop in awk that involves none of our code.
# The machine's speed changes with what else its host runs; this figure, taken
# before and after the runs, tells how fast it was while they ran.
reference() {
  /usr/bin/time -f '%e' awk 'BEGIN { for (i = 0; i < 30000000; i++) s += i % 7; print s }' 2>&1 >/dev/null |
    tail -n 1
}

# dxf2txt_more DIR N FILE_SECONDS: dxf2txt's drawing piped in (cat - Drawing.dxf | dxf2txt, the
# answers first), which must take at most twice the file path's time, and read with --survey.
dxf2txt_more() {
  local dir=$1 n=$2 file_seconds=$3 seconds kib ratio
  printf '\nPoints.txt\n' >"$dir/piped_answers.txt"
  read -r seconds kib < <(measure "$dir" sh -c "cat piped_answers.txt Drawing.dxf | '$BIN/dxf2txt'")
  ratio=$(awk -v a="$seconds" -v b="$file_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  printf '    %-28s %6.2f s %8s KiB   piped/file %s%s\n' "piped (cat - Drawing.dxf |)" "$seconds" "$kib" \
    "$ratio" "$(awk -v r="$ratio" 'BEGIN { if (r > 2) printf "  (OVER 2x)" }')"
  read -r seconds kib < <(measure "$dir" "$BIN/dxf2txt" --survey --lines)
  row "    --survey --lines" "$n" "$seconds" "$kib"
}

echo "== machine: $(nproc) cores, $(awk -F: '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg); runs a figure: $RUNS (medians)"
echo "== speed reference before: $(reference) s (a fixed awk loop)"
for n in $SIZES; do
  echo
  echo "== $n records"
  for tool in $TOOLS; do
    "$MAKE_INPUTS" "$n" "$WORK" "$tool"
    dir=$WORK/$tool
    t=""
    if { [ "$tool" = join ] || [ "$tool" = utm_points ]; } && command -v tmux >/dev/null; then
      read -r seconds kib t < <(measure_both "$tool" "$dir")
    else
      read -r seconds kib < <(measure "$dir" "$BIN/$tool")
    fi
    row "$tool" "$n" "$seconds" "$kib"
    ours=$(rate "$n" "$seconds")
    if [ -n "$t" ]; then
      printf '    %-28s %6.2f s   terminal/redirected %s\n' "on a terminal (tmux 80x25)" "$t" \
        "$(awk -v a="$t" -v b="$seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
    elif [ "$tool" = join ] || [ "$tool" = utm_points ]; then
      echo "    (tmux is not installed: no terminal run; apt-get install -y tmux)"
    fi
    peers "$tool" "$dir" "$n" "$ours"
    if [ "$tool" = dxf2txt ]; then dxf2txt_more "$dir" "$n" "$seconds"; fi
    rm -rf "$dir"
  done
done

# survey_surface: the TIN of the cleaned points to all five outputs, on
# SURVEY_BENCH_SURFACE_SIZES records (default 62,500 and 1,000,000; not 10 M,
# as its memory grows with the points, some 270 bytes each), and on the
# smallest size GMT on the same PM/PointsCl.txt, once (Debian's GMT
# triangulates in O(n^2): about a minute here at 62,500 points): gmt
# triangulate -G to a grid of the same 1 m cells over the points' region,
# then gmt grdcontour at every metre.
if [ -n "${SURVEY_BENCH_SURFACE_SIZES-62500 1000000}" ]; then
  cmake --build "$BUILD" -j2 --target survey_surface >/dev/null
fi
first=yes
for n in ${SURVEY_BENCH_SURFACE_SIZES-62500 1000000}; do
  echo
  echo "== survey_surface, $n records"
  "$MAKE_INPUTS" "$n" "$WORK" survey_surface
  dir=$WORK/survey_surface
  points=$(grep -c '' "$dir/PM/PointsCl.txt")
  read -r seconds kib < <(measure "$dir" "$BIN/survey_surface")
  row "survey_surface ($points points)" "$points" "$seconds" "$kib"
  if [ "$first" = yes ] && have gmt gmt; then
    region=$(gmt info -I1 "$dir/PM/PointsCl.txt")
    read -r s k < <(measure_once "$dir" sh -c \
      "gmt triangulate PM/PointsCl.txt -Gsurface.nc $region -I1 2>/dev/null && gmt grdcontour surface.nc -C1 -Dcontours.txt")
    printf '    %-28s %6.2f s %8s KiB   %s times the time of survey_surface\n' \
      "gmt triangulate + grdcontour" "$s" "$k" "$(awk -v a="$s" -v b="$seconds" 'BEGIN { printf "%.0f", (b > 0 ? a / b : 0) }')"
  fi
  first=no
  rm -rf "$dir"
done

# survey_sheet: the survey sheet at 1:2500 on A1 of SURVEY_BENCH_SHEET_SIZES
# cleaned points (default 1,000,000, the survey of survey_surface's runs;
# empty: skipped), all three outputs; a sheet of a million points is to take
# under 10 s. Then the PDF's size and pages, and the time pdftoppm takes to
# draw its first page at 100 dpi.
if [ -n "${SURVEY_BENCH_SHEET_SIZES-1000000}" ]; then
  cmake --build "$BUILD" -j2 --target survey_sheet >/dev/null
fi
for n in ${SURVEY_BENCH_SHEET_SIZES-1000000}; do
  echo
  echo "== survey_sheet --scale 2500, $n records"
  "$MAKE_INPUTS" "$n" "$WORK" survey_surface
  dir=$WORK/survey_surface
  points=$(grep -c '' "$dir/PM/PointsCl.txt")
  read -r seconds kib < <(measure "$dir" "$BIN/survey_sheet" --scale 2500)
  row "survey_sheet ($points points)" "$points" "$seconds" "$kib"
  (cd "$dir" && "$BIN/survey_sheet" --scale 2500 </dev/null >/dev/null)
  printf '    Temp/Sheet.pdf %s bytes, %s pages; Temp/Sheet.svg %s, Temp/Sheet.dxf %s bytes; under 10 s: %s\n' \
    "$(wc -c <"$dir/Temp/Sheet.pdf")" "$(grep -ac '^<< /Type /Page /' "$dir/Temp/Sheet.pdf")" \
    "$(wc -c <"$dir/Temp/Sheet.svg")" "$(wc -c <"$dir/Temp/Sheet.dxf")" \
    "$(awk -v s="$seconds" 'BEGIN { print (s < 10 ? "yes" : "NO") }')"
  if have pdftoppm poppler-utils; then
    start=$(date +%s.%N)
    pdftoppm -r 100 -f 1 -l 1 -png "$dir/Temp/Sheet.pdf" "$WORK/sheet"
    printf '    pdftoppm draws its first page at 100 dpi in %s s\n' \
      "$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')"
  fi
  rm -rf "$dir" "$WORK"/sheet*.png
done

# survey_volume: two surveys of SURVEY_BENCH_VOLUME points each (default
# 1,000,000; empty: skipped) on lines 10 m apart, the second on lines between
# the first's and then on lines across them (bench/make_volume_inputs.py), to
# all outputs. Then GMT's grdvolume on the 1 m grid of the difference that
# survey_volume writes (Temp/Difference.asc), against the exact figures.
VOLUME_POINTS=${SURVEY_BENCH_VOLUME-1000000}
if [ -n "$VOLUME_POINTS" ]; then
  cmake --build "$BUILD" -j2 --target survey_volume >/dev/null
  echo
  echo "== survey_volume: two surveys of $VOLUME_POINTS points"
  for lines in parallel crossing; do
    dir=$WORK/volume_$lines
    python3 "$ROOT/bench/make_volume_inputs.py" "$dir" "$VOLUME_POINTS" \
      $([ "$lines" = crossing ] && echo --crossing)
    read -r seconds kib < <(measure "$dir" "$BIN/survey_volume" --against before.txt)
    row "survey_volume ($lines)" "$((2 * VOLUME_POINTS))" "$seconds" "$kib"
    if have gmt gmt; then
      (cd "$dir" && "$BIN/survey_volume" --against before.txt </dev/null >/dev/null)
      exact=$(awk '{ sub(/\r$/, "") } /^Above the earlier/ { a = $(NF - 1) " " $NF }
                   /^Below the earlier/ { b = $(NF - 1) " " $NF } END { print a, b }' "$dir/Temp/Volume.txt")
      start=$(date +%s.%N)
      gmt grdmath "$dir/Temp/Difference.asc=gd" NEG = "$dir/neg.nc"
      above=$(gmt grdvolume "$dir/Temp/Difference.asc=gd" -C0 | awk '{ print $2, $3 }')
      below=$(gmt grdvolume "$dir/neg.nc" -C0 | awk '{ print $2, $3 }')
      gmt_s=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
      # shellcheck disable=SC2086
      set -- $exact $above $below
      printf '    %-28s %6.2f s   above %.0f m3 (exact %.2f, %+.3f %%), below %.0f m3 (exact %.2f, %+.3f %%)\n' \
        "gmt grdvolume, 1 m grid" "$gmt_s" "$6" "$2" "$(awk -v g="$6" -v e="$2" 'BEGIN { print (g - e) / e * 100 }')" \
        "$8" "$4" "$(awk -v g="$8" -v e="$4" 'BEGIN { print (g - e) / e * 100 }')"
    fi
    rm -rf "$dir"
  done
fi

# survey_channel: a channel of 10.2 km with six bends and three reaches over
# a condition survey of SURVEY_BENCH_CHANNEL points (default 1,000,000;
# empty: skipped) on lines across it 10 m apart (bench/make_channel_inputs.py),
# sections every 25 m, to all five outputs; then the same survey against the
# survey before the works (127,425 points on lines along the channel).
CHANNEL_POINTS=${SURVEY_BENCH_CHANNEL-1000000}
if [ -n "$CHANNEL_POINTS" ]; then
  cmake --build "$BUILD" -j2 --target survey_channel >/dev/null
  echo
  echo "== survey_channel: a channel of 10.2 km over $CHANNEL_POINTS points"
  dir=$WORK/channel
  python3 "$ROOT/bench/make_channel_inputs.py" "$dir" "$CHANNEL_POINTS"
  points=$(grep -c '' "$dir/PM/PointsCl.txt")
  read -r seconds kib < <(measure "$dir" "$BIN/survey_channel" --channel Temp/Channel.txt)
  row "survey_channel (condition)" "$points" "$seconds" "$kib"
  read -r seconds kib < <(measure "$dir" "$BIN/survey_channel" --channel Temp/Channel.txt --against before.txt)
  row "survey_channel (dredged)" "$points" "$seconds" "$kib"
  rm -rf "$dir"
fi
echo
echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== speed reference after: $(reference) s"
