#!/bin/sh
# Fails when a shipped program loses ASLR or DEP: its PE header must ask for a
# dynamic base and be NX-compatible, and it must carry the relocations that let
# the loader move it.
# usage: check-hardening.sh OBJDUMP PROGRAM.exe
objdump=$1
program=$2
header=$("$objdump" -p "$program") || exit 1
status=0
for flag in DYNAMIC_BASE NX_COMPAT; do
  echo "$header" | grep -qw "$flag" || { echo "$program: no $flag in its DllCharacteristics"; status=1; }
done
relocations=$(echo "$header" | sed -n 's/^Entry 5 [0-9a-f]* \([0-9a-f]*\) Base Relocation Directory.*/\1/p')
case "$relocations" in
  ""|00000000) echo "$program: no relocations"; status=1 ;;
esac
echo "$program: $(echo "$header" | sed -n 's/^DllCharacteristics[[:space:]]*//p'), relocations 0x$relocations bytes"
exit $status
