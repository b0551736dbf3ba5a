#!/usr/bin/env bash
# Runs the core's fuzz target for SECONDS (default 60) and exits non-zero on a finding.
# The corpus grows under the build tree (build/fuzz/corpus), seeded from a few hand-made inputs;
# a crashing input is kept under build/fuzz/findings. VARNEL_FUZZ_DIR names another build dir.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-60}
dir=${VARNEL_FUZZ_DIR:-build/fuzz}
target="$dir/removal_fuzz"
[ -x "$target" ] || { echo "fuzz.sh: $target is not built (cmake --build --preset fuzz)" >&2; exit 1; }

corpus="$dir/corpus"
seeds="$dir/seeds"
findings="$dir/findings"
mkdir -p "$corpus" "$seeds" "$findings"

# Seeds: two length bytes (the size of the source text), the source text, the removal text.
seed() { printf "$2" >"$seeds/$1"; }
seed lines '\x0b\x00a\r\nb\r\nc\r\nxb\r\n\r\nc'
seed empty_lines '\x06\x00\r\n\r\na\r\n\r\n\r\n'
seed lone_cr_lf '\x0a\x00a\rb\nc\n\r\r\r\na\rb\nc\r'
seed utf8 '\x1d\x00\xe7\x94\xa8\xe6\x88\xb7\xf0\x9f\x98\x80\r\n\xe4\xb8\xad\r\nx\r\n\xe7\x94\xa8\xe6\x88\xb7\xf0\x9f\x8e\x89\r\n\xe4\xb8\xad\r\n'
seed high_bytes '\x08\x00\x80\r\nx\xff\r\n\xd6\xd0\x80\r\n\xd6\xd0'
seed nul '\x07\x00ab\x00c\r\nab\r\nc\x00'

exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds"
