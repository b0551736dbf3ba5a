#!/usr/bin/env bash
# The whole test: installs what is missing, builds every preset and runs every test, native (under
# AddressSanitizer and UndefinedBehaviorSanitizer), the fuzz target for a bounded time, the shipped
# program's release build, and the Windows programs under Wine on a private X display. Exits
# non-zero when anything fails.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

failed=()
passed=0
step() {
  local name=$1
  shift
  echo "== $name"
  if ! "$@"; then
    echo "== $name: FAILED"
    failed+=("$name")
    return 1
  fi
  passed=$((passed + 1))
}

step install bash scripts/install-deps.sh || exit 1

if step "native build" bash -c 'cmake --preset native >/dev/null && cmake --build --preset native'; then
  step "native tests" ctest --preset native
fi

if step "fuzz build" bash -c 'cmake --preset fuzz >/dev/null && cmake --build --preset fuzz'; then
  step "fuzz run" bash scripts/fuzz.sh "${VARNEL_FUZZ_SECONDS:-60}"
fi

step "release build" bash -c 'cmake --preset release >/dev/null && cmake --build --preset release'

if step "windows build" bash -c 'cmake --preset windows >/dev/null && cmake --build --preset windows'; then
  step "windows tests" scripts/wine-session.sh ctest --preset windows
fi

[ ${#failed[@]} -eq 0 ] || echo "failed steps: ${failed[*]}"
echo "steps: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
