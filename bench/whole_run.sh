#!/usr/bin/env bash
# SPDX-License-Identifier: LicenseRef-Quillmark
# Whole-run timing: the quillmark command on a picture file, read to written, for three
# styles, beside ImageMagick's Floyd-Steinberg dither of the same picture, in one run.
#
#   bench/whole_run.sh IN.png [BIN_DIR] [RUNS]
#
# IN is meant to be a 6000 x 4000 8-bit RGB picture (any size works). BIN_DIR holds the
# quillmark command and the plug-in beside it (default build/bin; make it a Release
# build). Each command runs RUNS times (default 3) and the median wall time is reported,
# as a Markdown table on standard output (progress on standard error). Outputs go to a temporary folder that is removed
# at the end. Nothing is downloaded.
set -euo pipefail
shopt -s inherit_errexit

usage() {
  echo "usage: $0 IN.png [BIN_DIR (default build/bin)] [RUNS (default 3)]" >&2
  exit 2
}

[[ $# -ge 1 && $# -le 3 ]] || usage
input=$1
bin_dir=${2:-build/bin}
runs=${3:-3}

[[ -r $input ]] || { echo "$0: cannot read $input" >&2; exit 1; }
[[ -x $bin_dir/quillmark ]] || { echo "$0: no quillmark command in $bin_dir" >&2; exit 1; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "$0: RUNS must be a positive whole number" >&2; exit 1; }
command -v convert >/dev/null || { echo "$0: ImageMagick's convert is not installed" >&2; exit 1; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-whole-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/run_timing.sh
source "$(dirname "${BASH_SOURCE[0]}")/run_timing.sh"

size=$(identify -ping -format '%w x %h, %z-bit %[channels]' "$input" 2>/dev/null || echo "unknown size")
styles=("1 diffusion" "20 Ostromoukhov" "4 arabesque")

# Round by round, each command once per round, so a change of load on the machine touches
# every command alike.
# The packaged policy caps ImageMagick at 128 megapixels and 256 MiB of pixel memory (more
# goes to memory-mapped files); a 24-megapixel picture fits. -limit can only lower those
# caps, and the system's policy file is not ours to edit, so none is given.
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs..." >&2
  time_once convert "$input" -colorspace gray -dither FloydSteinberg -monochrome \
    "$work/magick.png" >>"$work/times-magick"
  for style in "${styles[@]}"; do
    number=${style%% *}
    time_once "$bin_dir/quillmark" render "$input" "$work/ink-$number.png" --seed 1 \
      --no-progress --style "$number" >>"$work/times-$number"
  done
done

magick=$(printf '%.2f' "$(median_of "$work/times-magick")")
echo "| command | our time (s) | ImageMagick (s) | ratio ours / ImageMagick |"
echo "| --- | ---: | ---: | ---: |"
for style in "${styles[@]}"; do
  number=${style%% *}
  ours=$(printf '%.2f' "$(median_of "$work/times-$number")")
  ratio=$(awk -v a="$ours" -v b="$magick" 'BEGIN { printf "%.2f", a / b }')
  # shellcheck disable=SC2016 # the backquotes are Markdown
  printf '| `quillmark render --style %s` (%s) | %s | %s | %s |\n' \
    "$number" "${style#* }" "$ours" "$magick" "$ratio"
done
echo
echo "Input: $(basename "$input") ($size); median of $runs runs each; $(nproc) cores;" \
  "$(date -u '+%Y-%m-%d %H:%M UTC'); load average before: $load_before."
echo "ImageMagick: convert IN -colorspace gray -dither FloydSteinberg -monochrome OUT.png"
