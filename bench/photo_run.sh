#!/usr/bin/env bash
# SPDX-License-Identifier: LicenseRef-Quillmark
# Whole-run timing and peak memory of the quillmark command on a real 20-megapixel
# photograph, beside netpbm's Floyd-Steinberg dither of the same picture, in one run.
#
#   bench/photo_run.sh [BIN_DIR] [RUNS] [BEFORE_BIN_DIR]
#
# BIN_DIR holds the quillmark command and the plug-in beside it (default build/bin; make
# it a Release build). Each command runs RUNS times (default 5), round by round, and the
# median wall time and median peak resident memory are reported as a Markdown table on
# standard output (progress on standard error). Given a BEFORE_BIN_DIR, its commands run
# in the same rounds, each figure is reported beside its figure from before, and the two
# sides' pictures must match pixel for pixel (else the script says so and exits 1).
#
# The photograph comes from Debian's lomiri-wallpapers-16.04 package, fetched with
# apt-get download (never installed) into the cache folder below, where the 8-bit,
# 16-bit and float versions made from it are kept for later runs. Outputs go to a
# temporary folder that is removed at the end.
set -euo pipefail
shopt -s inherit_errexit nullglob

usage() {
  echo "usage: $0 [BIN_DIR (default build/bin)] [RUNS (default 5)] [BEFORE_BIN_DIR]" >&2
  exit 2
}

[[ $# -le 3 ]] || usage
[[ ${1:-} != -* ]] || usage
after_dir=${1:-build/bin}
runs=${2:-5}
before_dir=${3:-}

readonly width=5472 height=3648
readonly package=lomiri-wallpapers-16.04
readonly member=usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg
readonly netpbm_stages=(pngtopam ppmtopgm pamditherbw pnmtopng)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillmark-bench

die() {
  echo "$0: $*" >&2
  exit 1
}

check_tools() {
  local missing=() tool
  for tool in "${netpbm_stages[@]}"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  [[ ${#missing[@]} -eq 0 ]] ||
    die "netpbm's ${missing[*]} missing: install them with 'apt-get install netpbm'"
  [[ -x /usr/bin/time ]] ||
    die "/usr/bin/time (for peak memory) is missing: install it with 'apt-get install time'"
  if ! command -v convert >/dev/null || ! command -v identify >/dev/null; then
    die "ImageMagick's convert and identify are needed: 'apt-get install imagemagick'"
  fi
}

[[ -x $after_dir/quillmark ]] || die "no quillmark command in $after_dir"
[[ -z $before_dir || -x $before_dir/quillmark ]] || die "no quillmark command in $before_dir"
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive whole number"
check_tools

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-photo-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- The photograph ------------------------------------------------------------------

# apt's log names the archive it fetched from; keep addresses out of what we show.
show_log() {
  sed -E 's#[a-z]+://[^ ]*#(archive)#g' "$1" >&2
}

fetch_package() {
  local debs=("$cache"/"$package"_*.deb)
  if [[ ${#debs[@]} -eq 0 ]]; then
    echo "Fetching Debian's $package (not installing it)..." >&2
    if ! (cd "$cache" && apt-get download -q "$package") >"$work/apt.log" 2>&1; then
      show_log "$work/apt.log"
      die "apt-get download $package failed (if apt knows no such package, run 'apt-get update' first)"
    fi
    debs=("$cache"/"$package"_*.deb)
    [[ ${#debs[@]} -gt 0 ]] || die "apt-get download left no $package archive in $cache"
  fi
  echo "${debs[-1]}"
}

# Fills the frame and crops the overflow, so the photograph keeps its proportions.
# The colour type is pinned so the encoder cannot pick a palette or grey for us.
make_version() { # SOURCE TARGET [convert options for the depth]
  local source=$1 target=$2 partial
  shift 2
  partial=$(dirname "$target")/partial-$(basename "$target")
  if ! convert "$source" -resize "${width}x${height}^" -gravity center \
    -extent "${width}x${height}" "$@" "$partial"; then
    rm -f "$partial"
    die "could not make $target"
  fi
  mv -f "$partial" "$target"
}

# Right size and depth, read from the file's header (a file is moved in only once whole).
check_version() { # FILE DEPTH
  local found
  found=$(identify -ping -format '%w %h %z' "$1" 2>/dev/null) || return 1
  [[ $found == "$width $height $2" ]]
}

all_versions_ready() {
  check_version "$photo8" 8 && check_version "$photo16" 16 && check_version "$photo_float" 32
}

prepare_photo() {
  mkdir -p "$cache"
  if all_versions_ready; then return; fi
  local deb jpeg
  deb=$(fetch_package)
  command -v dpkg-deb >/dev/null || die "dpkg-deb is needed to unpack $deb"
  dpkg-deb -x "$deb" "$work/unpacked"
  jpeg=$work/unpacked/$member
  [[ -r $jpeg ]] || die "$deb holds no $member"
  echo "Making the ${width} x ${height} pictures (once; kept in $cache)..." >&2
  check_version "$photo8" 8 || make_version "$jpeg" "$photo8" -depth 8 -define png:color-type=2
  check_version "$photo16" 16 ||
    make_version "$jpeg" "$photo16" -depth 16 -define png:bit-depth=16 -define png:color-type=2
  # Uncompressed, so reading it costs what a float picture costs and not a decompressor.
  # Predictor 0 keeps ImageMagick from setting the float predictor, which libtiff
  # refuses on an uncompressed file (convert then fails, though it wrote the file).
  check_version "$photo_float" 32 ||
    make_version "$jpeg" "$photo_float" -define quantum:format=floating-point -depth 32 \
      -compress none -define tiff:predictor=0
  all_versions_ready ||
    die "the pictures made in $cache are not ${width} x ${height} at 8, 16 and 32 bits"
}

photo8=$cache/photo20.png
photo16=$cache/photo20-16.png
photo_float=$cache/photo20-float.tif
prepare_photo
# The version is the archive's, named apt's way: PACKAGE_VERSION_ARCH.deb.
cached_debs=("$cache"/"$package"_*.deb)
package_version=unknown
if [[ ${#cached_debs[@]} -gt 0 ]]; then
  package_version=$(basename "${cached_debs[-1]}" .deb)
  package_version=${package_version#"${package}"_}
  package_version=${package_version%_*}
fi

# --- Timing --------------------------------------------------------------------------

# shellcheck source=bench/run_timing.sh
source "$(dirname "${BASH_SOURCE[0]}")/run_timing.sh"

# /usr/bin/time's %M is in KiB; the table shows megabytes of 10^6 bytes.
kib_to_mb() {
  awk -v k="$1" 'BEGIN { printf "%.0f", k * 1024 / 1e6 }'
}

# Each stage under its own /usr/bin/time: the pipeline runs its stages at once, and
# wrapping the whole would give only its largest process's peak without saying which.
netpbm_pipeline() {
  /usr/bin/time -f %M -o "$work/rss-pngtopam" pngtopam "$photo8" |
    /usr/bin/time -f %M -o "$work/rss-ppmtopgm" ppmtopgm |
    /usr/bin/time -f %M -o "$work/rss-pamditherbw" pamditherbw -fs |
    /usr/bin/time -f %M -o "$work/rss-pnmtopng" pnmtopng >"$work/netpbm.png"
}

run_netpbm() {
  local seconds stage largest=0 kib
  seconds=$(time_once netpbm_pipeline)
  for stage in "${netpbm_stages[@]}"; do
    kib=$(tail -n1 "$work/rss-$stage")
    echo "$kib" >>"$work/stage-$stage"
    if ((kib > largest)); then largest=$kib; fi
  done
  echo "$seconds" >>"$work/times-netpbm"
  echo "$largest" >>"$work/rss-max-netpbm"
  printf '  netpbm: %s s, largest stage %s MB\n' "$seconds" "$(kib_to_mb "$largest")" >&2
}

# One case: the picture a command reads, the extension it writes, the bytes a pixel
# of that picture takes, and what the table calls it.
cases=(
  "s1|$photo8|png|3|--style 1|diffusion"
  "s20|$photo8|png|3|--style 20|Ostromoukhov"
  "s4|$photo8|png|3|--style 4|arabesque"
  "s19|$photo8|png|3|--style 19|Bayer"
  "s13|$photo8|png|3|--style 13|flow"
  "s1-16|$photo16|png|6|--style 1|diffusion, 16-bit"
  "s1-float|$photo_float|tif|12|--style 1|diffusion, 32-bit float"
)

declare -A bin_of=([after]=$after_dir)
sides=(after)
if [[ -n $before_dir ]]; then
  bin_of[before]=$before_dir
  sides=(before after)
fi

run_case() { # CASE SIDE
  local id input ext bytes style name out seconds kib
  IFS='|' read -r id input ext bytes style name <<<"$1"
  out=$work/out-$id-$2.$ext
  rm -f "$out"
  # shellcheck disable=SC2086 # $style is an option and its value
  seconds=$(time_once /usr/bin/time -f %M -o "$work/rss" \
    "${bin_of[$2]}/quillmark" render "$input" "$out" --seed 1 --no-progress $style)
  kib=$(tail -n1 "$work/rss")
  echo "$seconds" >>"$work/times-$id-$2"
  echo "$kib" >>"$work/rss-$id-$2"
  printf '  %s (%s) %s: %s s, %s MB\n' "$style" "$name" "$2" "$seconds" "$(kib_to_mb "$kib")" >&2
}

# Round by round, each command once per round, so a change of load on the machine touches
# every command alike; before and after take turns at going first, so neither always
# finds the other's pictures in the page cache.
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs..." >&2
  run_netpbm
  order=("${sides[@]}")
  if ((round % 2 == 0 && ${#sides[@]} == 2)); then order=(after before); fi
  for entry in "${cases[@]}"; do
    for side in "${order[@]}"; do
      run_case "$entry" "$side"
    done
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- Report --------------------------------------------------------------------------

pixels=$((width * height))
netpbm_time=$(median_of "$work/times-netpbm")
netpbm_kib=$(median_of "$work/rss-max-netpbm")

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}
seconds2() {
  awk -v a="$1" 'BEGIN { printf "%.2f", a }'
}
per_byte() { # KIB BYTES_PER_PIXEL
  awk -v k="$1" -v b="$2" -v p="$pixels" 'BEGIN { printf "%.2f", k * 1024 / (p * b) }'
}

# The cells one side gives for one case: time, time against netpbm, RSS, RSS per byte.
side_cells() { # CASE_ID SIDE BYTES
  local t kib
  t=$(median_of "$work/times-$1-$2")
  kib=$(median_of "$work/rss-$1-$2")
  echo "$(seconds2 "$t") $(ratio "$t" "$netpbm_time") $(kib_to_mb "$kib") $(per_byte "$kib" "$3")"
}

print_table() {
  local entry id input ext bytes style name a b label
  if [[ ${#sides[@]} -eq 1 ]]; then
    echo "| command | wall time (s) | ours / netpbm | peak RSS (MB) | RSS / pixel bytes |"
    echo "| --- | ---: | ---: | ---: | ---: |"
  else
    echo "| command | before (s) | after (s) | after / before | before / netpbm |" \
      "after / netpbm | RSS before (MB) | RSS after (MB) | RSS / pixel bytes before |" \
      "RSS / pixel bytes after |"
    echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
  fi
  for entry in "${cases[@]}"; do
    IFS='|' read -r id input ext bytes style name <<<"$entry"
    # shellcheck disable=SC2016 # the backquotes are Markdown
    label=$(printf '`quillmark render %s %s` (%s)' "$(basename "$input")" "$style" "$name")
    read -r -a a <<<"$(side_cells "$id" after "$bytes")"
    if [[ ${#sides[@]} -eq 1 ]]; then
      echo "| $label | ${a[0]} | ${a[1]} | ${a[2]} | ${a[3]} |"
    else
      read -r -a b <<<"$(side_cells "$id" before "$bytes")"
      echo "| $label | ${b[0]} | ${a[0]} | $(ratio "${a[0]}" "${b[0]}") | ${b[1]} | ${a[1]} |" \
        "${b[2]} | ${a[2]} | ${b[3]} | ${a[3]} |"
    fi
  done
  local t mb pb
  t=$(seconds2 "$netpbm_time")
  mb=$(kib_to_mb "$netpbm_kib")
  pb=$(per_byte "$netpbm_kib" 3)
  # netpbm runs once a round, for both sides; its figures stand in both columns.
  if [[ ${#sides[@]} -eq 1 ]]; then
    echo "| netpbm \`pngtopam \| ppmtopgm \| pamditherbw -fs \| pnmtopng\` | $t | 1.00 | $mb | $pb |"
  else
    echo "| netpbm \`pngtopam \| ppmtopgm \| pamditherbw -fs \| pnmtopng\` | $t | $t | – |" \
      "1.00 | 1.00 | $mb | $mb | $pb | $pb |"
  fi
}

print_notes() {
  local stage parts=""
  for stage in "${netpbm_stages[@]}"; do
    parts+="${parts:+, }$stage $(kib_to_mb "$(median_of "$work/stage-$stage")")"
  done
  echo
  echo "Photograph: sunset_by_Aitzol_Berasategi.jpg from Debian's $package" \
    "$package_version, filled and cropped to $width x $height ($pixels pixels):" \
    "photo20.png 8-bit RGB, photo20-16.png 16-bit RGB, photo20-float.tif 32-bit float RGB" \
    "(pixel bytes 3, 6 and 12 a pixel). Every quillmark run has --seed 1 --no-progress."
  echo "Median of $runs rounds, each running every command once; wall time by bash's time," \
    "peak RSS by /usr/bin/time %M (median of the rounds)."
  echo "netpbm's peak RSS is its largest stage's (the stages run at once, so together" \
    "they hold up to the sum); medians by stage, MB: $parts."
  echo "Machine: $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC'); load average before:" \
    "$load_before; after: $load_after."
  echo "After: $after_dir${before_dir:+; before: $before_dir (before and after take turns at going first)}."
}

# Byte-equal outputs settle it; otherwise the decoded pixels' signatures decide, since
# a file can differ in its metadata alone.
# The decoded pixels' hash; a file that cannot be read gets a text no other file gets,
# so it never passes for equal.
signature() {
  identify -format '%#' "$1" 2>/dev/null || echo "unreadable: $1"
}

compare_sides() {
  local entry id input ext bytes style name b a precision differ=0
  for entry in "${cases[@]}"; do
    IFS='|' read -r id input ext bytes style name <<<"$entry"
    b=$work/out-$id-before.$ext
    a=$work/out-$id-after.$ext
    cmp -s "$b" "$a" && continue
    if [[ $(signature "$b") == "$(signature "$a")" ]]; then
      # ImageMagick here holds 16 bits a sample, so float pictures match only that far.
      precision=""
      if ((bytes == 12)); then precision=" (to 16 bits a sample)"; fi
      echo "Note: $style ($name): the files differ in bytes, the pixels are identical$precision."
    else
      echo "**PIXELS DIFFER** between before and after for $style ($name)."
      echo "$0: before and after pictures differ for $style ($name)" >&2
      differ=1
    fi
  done
  if ((differ == 0)); then
    echo "Before and after pictures: identical in pixels for every command."
  fi
  return "$differ"
}

print_table
print_notes
if [[ -n $before_dir ]]; then
  echo
  compare_sides || {
    echo "$0: PICTURES DIFFER between $before_dir and $after_dir (see above)" >&2
    exit 1
  }
fi
