#!/usr/bin/env bash
# The core's benchmark (bench/run core). For n = 10^4, 10^5, 10^6: a source and a removal list of n
# random 11-digit numbers each with CR LF line ends, half of the removal lines taken from the
# source. Measures, each n in a fresh process, the time of cutting both texts into lines plus the
# removal run into a gathering sink, and the process's peak resident set; the same for the plain
# linear scan while it stays under a minute; and the whole-process time of grep -vxFf and of the
# awk hash idiom on the same data in files, whose output must equal ours. Times are the best of
# three runs (the scan, and a peer run over 10 s: one run). A peer still running after
# VARNEL_BENCH_PEER_LIMIT seconds (default 120) is stopped; its time and ratio are then lower
# bounds, and the output says so. The output ends with one "core n=..." line per n.
#
# VARNEL_BENCH_DIR names the build dir (default build/native-release, configured with the
# native-release preset: optimised, no sanitizers).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
dir=${VARNEL_BENCH_DIR:-build/native-release}
sizes=${VARNEL_BENCH_SIZES:-"10000 100000 1000000"}
scan_limit=60
peer_limit=${VARNEL_BENCH_PEER_LIMIT:-120}

cmake --preset native-release -B "$dir" >/dev/null
cmake --build "$dir" -j2 --target core_bench >/dev/null
bench="$dir/core_bench"
data="$dir/bench-core"
mkdir -p "$data"

now() { date +%s%N; }
seconds_since() { awk -v s="$1" -v e="$(now)" 'BEGIN { printf "%.4f", (e - s) / 1e9 }'; }
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }
min() { printf '%s\n' "$@" | sort -g | head -n 1; }
max() { printf '%s\n' "$@" | sort -g | tail -n 1; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

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
# Prints the best time of up to three runs, with ">" before it when the peer was stopped.
time_peer() {
  local times=() start elapsed status
  for _ in 1 2 3; do
    start=$(now)
    status=0
    "$1" || status=$?
    elapsed=$(seconds_since "$start")
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

echo "line-removal core: split both texts + removal run; peers on the same data in files"
printf '%-8s %9s %10s %10s %9s %12s %12s %9s %9s %s\n' n text_mib seconds peak_mib peak/text \
  scan_s scan_peak grep_s awk_s agree
summary=()
stopped=()
scan_n=0
scan_s=0
for n in $sizes; do
  "$bench" write "$n" "$data"
  runs=()
  for _ in 1 2 3; do
    runs+=("$("$bench" run "$n" "$data/ours.txt")")
  done
  seconds=$(min $(for r in "${runs[@]}"; do field seconds "$r"; done))
  peak_kib=$(max $(for r in "${runs[@]}"; do field peak_kib "$r"; done))
  text_bytes=$(field text_bytes "${runs[0]}")

  # The scan costs n^2: run it only when the last one measured predicts less than the limit.
  predicted=0
  [ "$scan_n" -gt 0 ] && predicted=$(calc %.1f "$scan_s * ($n / $scan_n) ^ 2")
  if awk -v p="$predicted" -v l="$scan_limit" 'BEGIN { exit !(p < l) }'; then
    scan=$("$bench" scan "$n" "$data/scan.txt")
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
  for peer in grep awk; do
    peer_s=${peer}_s
    if [[ ${!peer_s} == ">"* ]]; then
      notes+=("$peer:stopped")
      stopped+=("$peer at n=$n stopped after $peer_limit s: its time and ratio are lower bounds")
    elif ! same_lines "$data/$peer.txt"; then
      notes+=("$peer:DIFFERS")
    fi
  done
  agree=yes
  ((${#notes[@]} == 0)) || agree=$(IFS=, && echo "${notes[*]}")

  peak_mib=$(calc %.1f "$peak_kib / 1024")
  printf '%-8s %9s %10s %10s %9s %12s %12s %9s %9s %s\n' "$n" \
    "$(calc %.1f "$text_bytes / 1048576")" "$seconds" "$peak_mib" \
    "$(calc %.2f "$peak_kib * 1024 / $text_bytes")" "$scan_col" "$scan_peak" "$grep_s" "$awk_s" \
    "$agree"
  summary+=("core n=$n seconds=$seconds peak_mib=$peak_mib awk_ratio=$(calc %.1f "${awk_s#>} / $seconds") grep_ratio=$(calc %.1f "${grep_s#>} / $seconds")")
done
((${#stopped[@]} == 0)) || printf '%s\n' "${stopped[@]}"
echo "targets at n=10^6: under 0.3 s, peak resident set under 4 times the bytes of both texts"
printf '%s\n' "${summary[@]}"
