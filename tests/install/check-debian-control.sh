#!/bin/bash
# The Debian package asks for what the install list (scripts/packages.txt) says the program
# needs: every development package and build tool in Build-Depends, every font, plug-in, profile
# and translation package in Depends or Recommends. Shared libraries are left to dh_shlibdeps,
# and g++ comes with build-essential.
#   check-debian-control.sh SOURCE_DIR
set -euo pipefail
top=$1
control="$top/debian/control"
list="$top/scripts/packages.txt"

# field NAME: the package names of one field of debian/control, one a line (versions, alternatives
# and substitution variables left out).
field() {
    awk -v name="$1" '
        $0 ~ "^" name ":" { on = 1; sub("^" name ":", ""); print; next }
        on && /^[ \t]/ { print; next }
        { on = 0 }' "$control" |
        tr ',|' '\n\n' | sed -e 's/([^)]*)//g' -e 's/\[[^]]*\]//g' -e 's/[[:space:]]//g' |
        grep -v -e '^$' -e '^\$' | sort -u
}

build=$(field Build-Depends)
run=$( (field Depends; field Recommends) | sort -u)
missing=0
while read -r name _; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    case "$name" in
    g++) ;;
    *-dev | *-dev-tools | cmake | ninja-build | pkg-config)
        grep -qx -- "$name" <<<"$build" ||
            { echo "debian/control: Build-Depends lacks $name"; missing=1; } ;;
    lib*[0-9]) ;; # a shared library: dh_shlibdeps names it from the binaries
    *)
        grep -qx -- "$name" <<<"$run" ||
            { echo "debian/control: neither Depends nor Recommends names $name"; missing=1; } ;;
    esac
done <"$list"
[ "$missing" -eq 0 ] || exit 1
echo "debian/control asks for every package of scripts/packages.txt:" \
    "$(wc -l <<<"$build") build dependencies, $(wc -l <<<"$run") run-time ones"
