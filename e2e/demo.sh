#!/usr/bin/env bash
# The demo (make demo): the life of one installation under Wine, with every box shown and
# checked; see demo.py and story.py.
#   demo.sh <Windows build folder> [<output folder>, default: build/demo beside it]
set -euo pipefail

win_build=$(realpath "${1:?usage: demo.sh <Windows build folder> [<output folder>]}")
out=$(realpath -m "${2:-$(dirname "$win_build")/demo}")
here=$(dirname "$(realpath "$0")")
for program in Setup.exe kest.exe boxdriver.exe probe.exe; do
  if [ ! -f "$win_build/$program" ]; then
    echo "demo: $win_build/$program is missing; build the Windows side first (make win)" >&2
    exit 1
  fi
done
command -v mscompress >/dev/null || { echo "demo: mscompress is missing (make deps)" >&2; exit 1; }

export KEST_E2E_WORK=${KEST_E2E_WORK:-$(dirname "$win_build")/e2e-work}
export PYTHONDONTWRITEBYTECODE=1
cd "$here"
exec python3 demo.py "$win_build" "$out"
