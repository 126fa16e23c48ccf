#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo data folder if there is none, and starts the program on it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

"$top/tools/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" --target ktv

data="$top/demo-data"
[ -f "$data/ktv.db" ] || "$top/build/src/app/ktv" --create-data "$data" --demo

# The room pictures are read from the working folder.
cd "$top/assets"
exec "$top/build/src/app/ktv" --data-dir "$data" "$@"
