#!/bin/sh
# The program may import only Windows' core DLLs. Anything else is loaded at first use with
# LoadLibraryExW(..., LOAD_LIBRARY_SEARCH_SYSTEM32): imported by name, a DLL of that name beside
# the program on the installation medium could be loaded in its place.
#   imports_test.sh OBJDUMP PROGRAM.exe
set -eu
objdump=$1
program=$2
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll
ws2_32.dll comdlg32.dll shlwapi.dll comctl32.dll"
imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r' | tr 'A-Z' 'a-z')
if [ -z "$imports" ]; then
  echo "no import table found in $program"
  exit 1
fi
status=0
for dll in $imports; do
  case " $(echo $allowed) " in
    *" $dll "*) echo "imports $dll" ;;
    *) echo "imports $dll, which is not in the list of DLLs the program may import"; status=1 ;;
  esac
done
exit $status
