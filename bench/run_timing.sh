# shellcheck shell=bash
# SPDX-License-Identifier: LicenseRef-Quillmark
# Timing helpers shared by the whole-run benchmark scripts, sourced after they have made
# their temporary folder $work.

# Wall time of one run in seconds (bash's own timer), on standard output; the command's
# own output goes to a log that is shown only if it fails.
time_once() {
  # shellcheck disable=SC2154 # $work is the sourcing script's
  local log=$work/log TIMEFORMAT=%R
  if ! { time "$@" >"$log" 2>&1; } 2>"$work/time"; then
    echo "$0: failed: $*" >&2
    cat "$log" >&2
    return 1
  fi
  cat "$work/time"
}

# Median of the numbers in a file, one a line.
median_of() {
  sort -g "$1" | awk '{ t[NR] = $1 }
    END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; print m }'
}
