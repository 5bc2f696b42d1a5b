#!/usr/bin/env bash
# Builds Setup.exe a second time, from a copy of the sources in another folder, and compares its
# bytes with those of the Windows build: the same sources must give the same file in any folder
# and at any time (no time stamp, no build path in the file). The Windows build is not touched.
#   check_reproducible.sh <source folder> <Windows build folder> <work folder>
set -euo pipefail

usage="usage: check_reproducible.sh <source folder> <Windows build folder> <work folder>"
source=$(cd "${1:?$usage}" && pwd)
first=$(cd "${2:?$usage}" && pwd)/Setup.exe
work=${3:?$usage}
copy=$work/elsewhere/kest-sources
build=$work/elsewhere/kest-build

[ -f "$first" ] || { echo "FAIL: $first is missing"; exit 1; }
rm -rf "$work"
mkdir -p "$copy"

# The files of the working tree that git knows or would add (none of its ignored build folders);
# without git, everything but the build folder.
if git -C "$source" rev-parse --show-toplevel >/dev/null 2>&1; then
  (cd "$source" && git ls-files -z --cached --others --exclude-standard) |
    while IFS= read -r -d '' file; do
      [ -e "$source/$file" ] && printf '%s\0' "$file"
    done |
    tar -C "$source" --null -T - -cf - | tar -C "$copy" -xf -
else
  tar -C "$source" --exclude=./build -cf - . | tar -C "$copy" -xf -
fi

# The same configuration as `make win`, the Setup target only.
cmake --no-warn-unused-cli -S "$copy" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target Setup -j 2 >"$work/build.log" 2>&1 ||
  { tail -30 "$work/build.log"; echo "FAIL: the second build failed"; exit 1; }
second=$build/Setup.exe

echo "first:  $(sha256sum <"$first" | cut -d' ' -f1)  $first"
echo "second: $(sha256sum <"$second" | cut -d' ' -f1)  $second"
if ! cmp -s "$first" "$second"; then
  echo "differing bytes (offset, first, second in octal):"
  cmp -l "$first" "$second" | head -20 || true
  echo "FAIL: the two builds of Setup.exe differ"
  exit 1
fi
echo "1 passed, 0 failed: the same $(stat -c %s "$first") bytes"
