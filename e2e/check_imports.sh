#!/usr/bin/env bash
# Checks a Windows executable of ours: a 32-bit (PE32) GUI program that Windows 98 and NT 4.0
# will load, importing from the system's own DLLs only and none of the functions they lack.
#   check_imports.sh <program.exe>
set -euo pipefail

program=${1:?usage: check_imports.sh <program.exe>}
allowed_dlls="kernel32.dll user32.dll advapi32.dll shell32.dll lz32.dll msvcrt.dll"
missing_on_old_windows="GetTickCount64 AddVectoredExceptionHandler"

[ -f "$program" ] || { echo "FAIL: $program is missing"; exit 1; }
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

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || fail "no import table found"
for dll in $dlls; do
  case " $allowed_dlls " in
    *" $dll "*) ;;
    *) fail "imports from $dll, which is not a system DLL" ;;
  esac
done

for function in $missing_on_old_windows; do
  if grep -Eq "^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+$function\$" <<<"$headers"; then
    fail "imports $function"
  fi
done

echo "$program imports from: $(echo $dlls)"
if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "1 passed, 0 failed"
