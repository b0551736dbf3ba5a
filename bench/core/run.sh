#!/usr/bin/env bash
# The core's benchmark (bench/run core). Two data sets (bench/core/bench_data.h): digits, a source
# and a removal list of n random 11-digit numbers, and mixed, lines of 11 to 53 bytes (Chinese
# names with account numbers, e-mail addresses, account numbers); in both, half of the removal lines
# are taken from the source. For n = 10^4, 10^5, 10^6, each in fresh processes:
#
#   core_s     in one process: cutting both texts into lines (each list takes its text over) and
#              the removal run into a sink that gathers the output (core_bench run), the first run
#              of the process, on memory it has not touched before;
#   warm_s     the same run repeated in that process, on memory its first run touched;
#   process_s  the whole program core_filter: read both files, run, write the output file;
#   peak_mib   core_filter's peak resident set (GNU time), against the bytes of both texts;
#   hash_s     hashing every line of both lists once, as a run does, with the keyed SipHash-1-3,
#              beside unkeyed_s, the former unkeyed mix reading its bytes the same way: the
#              difference is what the key costs (core_bench hash);
#   scan_s     the plain linear scan in one process, while it stays under a minute;
#   grep_s, awk_s  grep -vxFf and the awk hash idiom as whole programs on the same files, whose
#              output must equal core_filter's and core_bench's.
#
# The ratios divide a peer's whole-process time by core_filter's whole-process time. Times are the
# best of three runs (the scan, and a peer run over 10 s: one run). A peer still running after
# VARNEL_BENCH_PEER_LIMIT seconds (default 120) is stopped; its time and ratio are then lower
# bounds, and the output says so. The output ends with one "core n=... data=..." line per n and
# data set.
#
# VARNEL_BENCH_DIR names the build dir (default build/native-release, configured with the
# native-release preset: optimised, no sanitizers); VARNEL_BENCH_SIZES and VARNEL_BENCH_DATA
# choose the sizes and data sets.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
dir=${VARNEL_BENCH_DIR:-build/native-release}
sizes=${VARNEL_BENCH_SIZES:-"10000 100000 1000000"}
data_sets=${VARNEL_BENCH_DATA:-"digits mixed"}
scan_limit=60
peer_limit=${VARNEL_BENCH_PEER_LIMIT:-120}

cmake --preset native-release -B "$dir" >/dev/null
cmake --build "$dir" -j2 --target core_bench core_filter >/dev/null
bench="$dir/core_bench"
filter="$dir/core_filter"
data="$dir/bench-core"
mkdir -p "$data"

field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }
min() { printf '%s\n' "$@" | sort -g | head -n 1; }
max() { printf '%s\n' "$@" | sort -g | tail -n 1; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# Our whole program, started as the peers are.
run_ours() {
  timeout "$peer_limit" "$filter" "$data/source.txt" "$data/removal.txt" "$data/ours.txt"
}
# The peers read the removal list first, then filter the source list. C locale: bytes, as ours.
# Each exits with 124 when stopped at the limit.
run_grep() {
  local status=0
  LC_ALL=C timeout "$peer_limit" grep -vxFf "$data/removal.txt" "$data/source.txt" \
    >"$data/grep.txt" || status=$?
  # grep's 1 means only that no line was selected.
  return $((status == 1 ? 0 : status))
}
run_awk() {
  LC_ALL=C timeout "$peer_limit" awk 'NR==FNR{r[$0];next} !($0 in r)' "$data/removal.txt" \
    "$data/source.txt" >"$data/awk.txt"
}
# Prints the best time of up to three runs of a program, with ">" before it when it was stopped.
time_peer() {
  local times=() start end elapsed status
  for _ in 1 2 3; do
    # Microseconds from the shell's own clock: no process is started between the two readings
    # but the one measured.
    start=${EPOCHREALTIME/[.,]/}
    status=0
    "$1" || status=$?
    end=${EPOCHREALTIME/[.,]/}
    elapsed=$(calc %.4f "($end - $start) / 1e6")
    if [ "$status" -eq 124 ]; then
      echo ">$peer_limit"
      return
    fi
    [ "$status" -eq 0 ] || { echo "$1 failed with status $status" >&2; exit 1; }
    times+=("$elapsed")
    awk -v t="$elapsed" 'BEGIN { exit !(t > 10) }' && break
  done
  min "${times[@]}"
}

# Our output leaves off the CR LF of the source list's last line; the peers end every line with it.
same_lines() {
  local ours="$data/ours.txt" normal="$data/ours-normal.txt"
  cp "$ours" "$normal"
  if [ -s "$normal" ] && [ "$(tail -c 2 "$normal" | od -An -tx1 | tr -d ' \n')" != 0d0a ]; then
    printf '\r\n' >>"$normal"
  fi
  cmp -s "$normal" "$1"
}

echo "line-removal core: in one process, as a whole program, and peers on the same data in files"
columns='%-8s %-7s %8s %9s %9s %10s %9s %9s %9s %9s %10s %12s %9s %9s %s\n'
printf "$columns" n data text_mib core_s warm_s process_s peak_mib peak/text hash_s unkeyed_s \
  scan_s scan_peak grep_s awk_s agree
summary=()
stopped=()
for set in $data_sets; do
  scan_n=0
  scan_s=0
  for n in $sizes; do
    "$bench" write "$set" "$n" "$data"
    runs=()
    for _ in 1 2 3; do
      runs+=("$("$bench" run "$set" "$n" "$data/core.txt")")
    done
    core_s=$(min $(for r in "${runs[@]}"; do field seconds "$r"; done))
    warm_s=$(min $(for r in "${runs[@]}"; do field warm_seconds "$r"; done))
    text_bytes=$(field text_bytes "${runs[0]}")

    process_s=$(time_peer run_ours) && [ -n "$process_s" ] || exit 1
    # The peak in a run of its own, under GNU time, outside the timed runs.
    peak_kib=$(/usr/bin/time -f %M "$filter" "$data/source.txt" "$data/removal.txt" \
      "$data/ours.txt" 2>&1 >/dev/null | tail -n 1)
    hash=$("$bench" hash "$set" "$n" 2>/dev/null)
    hash_s=$(field hash_seconds "$hash")
    unkeyed_s=$(field unkeyed_hash_seconds "$hash")

    # The scan costs n^2: run it only when the last one measured predicts less than the limit.
    predicted=0
    [ "$scan_n" -gt 0 ] && predicted=$(calc %.1f "$scan_s * ($n / $scan_n) ^ 2")
    if awk -v p="$predicted" -v l="$scan_limit" 'BEGIN { exit !(p < l) }'; then
      scan=$("$bench" scan "$set" "$n" "$data/scan.txt")
      scan_s=$(field seconds "$scan")
      scan_n=$n
      scan_col=$scan_s
      scan_peak=$(calc %.1f "$(field peak_kib "$scan") / 1024")
      cmp -s "$data/scan.txt" "$data/ours.txt" || scan_peak="$scan_peak(DIFFERS)"
    else
      scan_col="skipped"
      scan_peak="(est.${predicted}s)"
    fi

    grep_s=$(time_peer run_grep) && [ -n "$grep_s" ] || exit 1
    awk_s=$(time_peer run_awk) && [ -n "$awk_s" ] || exit 1
    notes=()
    cmp -s "$data/core.txt" "$data/ours.txt" || notes+=("core_bench:DIFFERS")
    for peer in grep awk; do
      peer_s=${peer}_s
      if [[ ${!peer_s} == ">"* ]]; then
        notes+=("$peer:stopped")
        stopped+=("$peer at n=$n data=$set stopped after $peer_limit s: its time and ratio are lower bounds")
      elif ! same_lines "$data/$peer.txt"; then
        notes+=("$peer:DIFFERS")
      fi
    done
    agree=yes
    ((${#notes[@]} == 0)) || agree=$(IFS=, && echo "${notes[*]}")

    peak_mib=$(calc %.1f "$peak_kib / 1024")
    peak_ratio=$(calc %.2f "$peak_kib * 1024 / $text_bytes")
    printf "$columns" "$n" "$set" "$(calc %.1f "$text_bytes / 1048576")" "$core_s" "$warm_s" \
      "$process_s" "$peak_mib" "$peak_ratio" "$hash_s" "$unkeyed_s" "$scan_col" "$scan_peak" \
      "$grep_s" "$awk_s" "$agree"
    summary+=("core n=$n data=$set core_seconds=$core_s warm_seconds=$warm_s process_seconds=$process_s peak_mib=$peak_mib peak_ratio=$peak_ratio awk_ratio=$(calc %.1f "${awk_s#>} / $process_s") grep_ratio=$(calc %.1f "${grep_s#>} / $process_s") hash_seconds=$hash_s unkeyed_hash_seconds=$unkeyed_s")
  done
done
((${#stopped[@]} == 0)) || printf '%s\n' "${stopped[@]}"
echo "targets at n=10^6: core_seconds at most 0.15; awk_ratio at least 8 (whole program against"
echo "whole program); peak resident set at most 2 times the bytes of both texts"
printf '%s\n' "${summary[@]}"
