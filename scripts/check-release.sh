#!/bin/sh
# Fails when a shipped program is over its size budget (bytes) or lacks its
# version resource or its asInvoker manifest.
# usage: check-release.sh WINDRES PROGRAM.exe BUDGET
windres=$1
program=$2
budget=$3
size=$(stat -c %s "$program")
status=0
if [ "$size" -gt "$budget" ]; then
  echo "$program: $size bytes, over its budget of $budget"
  status=1
fi
resources=$("$windres" -i "$program" -O rc 2>/dev/null)
echo "$resources" | grep -q 'VERSIONINFO' || { echo "$program: no version resource"; status=1; }
echo "$resources" | grep -q 'asInvoker' || { echo "$program: no asInvoker manifest"; status=1; }
echo "$program: $size bytes (budget $budget)"
exit $status
