#!/bin/bash
# Installs what is missing, builds the viewer and starts it with the files given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" packages.txt
cmake -S "$top" -B "$top/build-app" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON -DBUILD_TESTING=OFF -DZAROVIA_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-app" --target zarovia
exec "$top/build-app/src/zarovia" "$@"
