#!/usr/bin/env bash
# Checks a Windows executable of ours: a 32-bit (PE32) GUI program that Windows 98 and NT 4.0
# will load, importing only the functions of the reviewed allow-list (e2e/allowed_imports.txt),
# each one exported by the system DLLs of both.
#   check_imports.sh <program.exe> [allow-list]
set -euo pipefail

program=${1:?usage: check_imports.sh <program.exe> [allow-list]}
allow_list=${2:-$(dirname "$0")/allowed_imports.txt}

[ -f "$program" ] || { echo "FAIL: $program is missing"; exit 1; }
[ -r "$allow_list" ] || { echo "FAIL: $allow_list is missing"; exit 1; }
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
headers=$("$objdump" -p "$program")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "not a PE32 (32-bit) executable"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$headers" || fail "not a Windows GUI program"
# Windows 98 and NT 4.0 refuse to load a program that asks for a newer system or subsystem.
for field in MajorOSystemVersion MajorSubsystemVersion; do
  version=$(awk -v f="$field" '$1 == f { print $2 }' <<<"$headers")
  [ -n "$version" ] && [ "$version" -le 4 ] || fail "$field is ${version:-missing}, above 4"
done

# "dll function" pairs, DLL names in lower case: what the program imports, what is allowed.
imports=$(awk '/DLL Name:/ { dll = tolower($3) }
               /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }' <<<"$headers" | sort -u)
allowed=$(sed -e 's/#.*//' "$allow_list" | awk 'NF >= 2 { print tolower($1), $2 }' | sort -u)
[ -n "$imports" ] || fail "no import table found"
# Imports by ordinal only would escape the list.
if grep -Eq '^\t[0-9a-f]+\t +[0-9]+ *$' <<<"$headers"; then fail "imports by ordinal"; fi

# Only from libraries Windows always takes from the system folder (and the C runtime): a
# DLL outside them is looked for beside the program first, where anyone may plant one.
while read -r dll; do
  case "$dll" in
    kernel32.dll|user32.dll|advapi32.dll|shell32.dll|msvcrt.dll) ;;
    *) fail "imports from $dll, which Windows may load from the program's folder" ;;
  esac
done < <(echo "$imports" | awk 'NF { print $1 }' | sort -u)

while read -r dll function; do
  [ -n "$dll" ] || continue
  fail "imports $function from $dll, which is not on the allow-list"
done < <(comm -23 <(echo "$imports") <(echo "$allowed"))

echo "$program imports $(echo "$imports" | grep -c .) functions from:" \
  $(echo "$imports" | awk '{ print $1 }' | sort -u)
unused=$(comm -13 <(echo "$imports") <(echo "$allowed") | awk '{ print $2 }')
[ -z "$unused" ] || echo "allowed but not imported:" $unused
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "1 passed, 0 failed"
