#!/bin/sh
# Fails when a shipped program is over its size budget (bytes) or lacks its
# version resource or its manifest: asInvoker, per-monitor DPI awareness, and
# the themed common controls exactly when THEMED is "themed".
# usage: check-release.sh WINDRES PROGRAM.exe BUDGET [themed|plain]
windres=$1
program=$2
budget=$3
themed=${4:-plain}
size=$(stat -c %s "$program")
status=0
if [ "$size" -gt "$budget" ]; then
  echo "$program: $size bytes, over its budget of $budget"
  status=1
fi
resources=$("$windres" -i "$program" -O rc 2>/dev/null)
echo "$resources" | grep -q 'VERSIONINFO' || { echo "$program: no version resource"; status=1; }
echo "$resources" | grep -q 'asInvoker' || { echo "$program: no asInvoker manifest"; status=1; }
echo "$resources" | grep -q 'PerMonitorV2' || { echo "$program: its manifest declares no per-monitor DPI awareness"; status=1; }
if echo "$resources" | grep -q 'Microsoft.Windows.Common-Controls'; then controls=themed; else controls=plain; fi
[ "$controls" = "$themed" ] || { echo "$program: its manifest asks for $controls controls, not $themed"; status=1; }
echo "$program: $size bytes (budget $budget)"
exit $status
