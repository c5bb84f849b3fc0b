#!/bin/sh
# Fails when a Windows program imports a DLL that is not part of the system, or
# one beyond the five every program may use that it is not allowed by name, or
# one it must load only later, from the system folder (named with a leading !:
# a DLL imported is mapped before the program's first line runs, from the
# program's own folder when one lies there).
# usage: check-imports.sh OBJDUMP PROGRAM.exe [ALSO.DLL...] [!LATER.DLL...]
objdump=$1
program=$2
shift 2
also=$(echo "$*" | tr 'a-z' 'A-Z')
dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z')
[ -n "$dlls" ] || { echo "$program: no import table found"; exit 1; }
status=0
for dll in $dlls; do
  case " $also " in
    *" !$dll "*) echo "$program imports $dll, which it must load only later, from the system folder"; status=1; continue ;;
  esac
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|WINMM.DLL|MSVCRT.DLL) ;;
    *)
      case " $also " in
        *" $dll "*) ;;
        *) echo "$program imports $dll, which is not a system DLL it may use"; status=1 ;;
      esac ;;
  esac
done
echo "$program imports: $(echo $dlls)"
exit $status
