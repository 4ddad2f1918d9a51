#!/bin/bash
# Installs the Debian packages listed in the files given (one name per line, # comments),
# with sudo when not root. Nothing is done when every package is already installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wanted=()
for list in "$@"; do
    while read -r name _; do
        [[ -z "$name" || "$name" == \#* ]] && continue
        wanted+=("$name")
    done < "$here/$list"
done
missing=()
for name in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" || missing+=("$name")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "Cannot install ${missing[*]}: run this as root, or install sudo" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
