#!/bin/bash
# Installs what is missing, builds the viewer and starts it with the files given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" packages.txt
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$top/build" --target zarovia
exec "$top/build/src/zarovia" "$@"
