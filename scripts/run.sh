#!/usr/bin/env bash
# Builds everything and runs the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
echo
echo "Built into $root/build/win/bin. There is nothing to play yet: the player cannot show an animation so far."
