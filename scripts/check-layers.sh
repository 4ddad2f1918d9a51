#!/bin/bash
# The layer check: no file under src/ includes a header of a layer above its own.
#   scripts/check-layers.sh              checks src/ of this repository
#   scripts/check-layers.sh SRC_DIR      checks another tree laid out as src/ is
#   scripts/check-layers.sh --self-test  shows that each rule catches what it forbids
# Tests, fuzzers and benchmarks may include anything; they are not checked. Only includes in
# quotes that name a file of the tree count (generated headers such as Version.h do not).
set -euo pipefail

# The layers, lowest first. A module sees its own files and those of the layers below; modules
# on one line do not see each other.
layers=(
    "platform"
    "picture media"
    "document"  # its RTF reader draws the pictures inside with the picture decoders
    "shell"
    "window"
    "main.cpp"  # the program
)
# A module's outer parts: subfolders over its core that need more than the core (widgets, Qt's
# dialogs and the X server, GStreamer, the engine's module, test doubles). The core never sees
# them, they do not see each other, and the core of a module above sees none of them either:
# only the window and the program put the parts together.
outer_parts=" widgets controls qt gst engine testing "
composers=" window main.cpp "

rank_of() {
    local i
    for i in "${!layers[@]}"; do
        case " ${layers[$i]%%#*} " in *" $1 "*) echo "$i"; return ;; esac
    done
    echo -1
}

# "module part" of a path relative to src/: part is "core" unless the second folder is an
# outer part.
unit_of() {
    local path=$1 module=${1%%/*} rest part=core
    rest=${path#*/}
    if [ "$rest" != "$path" ] && [ "${rest#*/}" != "$rest" ]; then
        case "$outer_parts" in *" ${rest%%/*} "*) part=${rest%%/*} ;; esac
    fi
    echo "$module $part"
}

# Prints one line per forbidden include in the tree $1; the status is 1 when there is one.
check_tree() {
    local src=$1 found=0 file rel line header target from to
    while IFS= read -r file; do
        rel=${file#"$src"/}
        read -r from_module from_part <<<"$(unit_of "$rel")"
        from=$(rank_of "$from_module")
        if [ "$from" -lt 0 ]; then
            echo "$rel: $from_module is in no layer (scripts/check-layers.sh)"
            found=1
            continue
        fi
        while IFS= read -r line; do
            header=${line#*\"}
            header=${header%%\"*}
            # As the compiler looks: beside the file first, then from src/.
            if [ -f "$(dirname "$file")/$header" ]; then
                target=$(realpath -m --relative-to="$src" "$(dirname "$file")/$header")
            elif [ -f "$src/$header" ]; then
                target=$header
            else
                continue
            fi
            read -r to_module to_part <<<"$(unit_of "$target")"
            to=$(rank_of "$to_module")
            local why=""
            if [ "$to" -gt "$from" ]; then
                why="$from_module is below $to_module"
            elif [ "$to_module" != "$from_module" ] && [ "$to" -eq "$from" ]; then
                why="$from_module and $to_module do not see each other"
            elif [ "$to_module" = "$from_module" ]; then
                if [ "$to_part" != core ] && [ "$to_part" != "$from_part" ]; then
                    why="$from_module/$from_part does not see $to_module/$to_part"
                fi
            elif [ "$from_part" = core ] && [ "$to_part" != core ]; then
                case "$composers" in
                    *" $from_module "*) ;;
                    *) why="the core of $from_module does not see $to_module/$to_part" ;;
                esac
            fi
            if [ -n "$why" ]; then
                echo "src/$rel: includes $target: $why"
                found=1
            fi
        done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
    done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
    return $found
}

self_test() {
    local top=$1 work out status=0
    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN
    # A tree with one file per rule and the includes each rule lets through.
    local t=$work/rules
    mkdir -p "$t"/{platform/controls,platform/qt,picture/widgets,picture/bmp,media/gst,media/widgets,document/rtf,shell,window}
    for f in platform/Base.h platform/controls/Panel.h platform/qt/Dialogs.h picture/Picture.h \
        picture/bmp/Bmp.h picture/widgets/View.h media/Device.h media/gst/Gst.h \
        media/widgets/Bar.h document/Kind.h document/rtf/Rtf.h shell/Rules.h window/Form.h; do
        : >"$t/$f"
    done
    printf '#include "window/Form.h"\n' >"$t/platform/Up.cpp"
    printf '#include "media/Device.h"\n' >"$t/picture/Sibling.cpp"
    printf '#include "widgets/Bar.h"\n' >"$t/media/CoreSeesWidgets.cpp"
    printf '#include "media/widgets/Bar.h"\n' >"$t/media/gst/PartsSeeEachOther.cpp"
    printf '#include "platform/controls/Panel.h"\n' >"$t/document/CoreSeesLowerWidgets.cpp"
    printf '#include "shell/Rules.h"\n' >"$t/document/rtf/UpFromSubfolder.cpp"
    printf '#include "Base.h"\n#include "platform/Base.h"\n#include "Version.h"\n' >"$t/platform/Base.cpp"
    printf '#include "picture/Picture.h"\n#include "Bmp.h"\n' >"$t/picture/bmp/Bmp.cpp"
    printf '#include "picture/bmp/Bmp.h"\n#include "platform/Base.h"\n' >"$t/document/rtf/Rtf.cpp"
    printf '#include "View.h"\n#include "picture/Picture.h"\n#include "platform/controls/Panel.h"\n' \
        >"$t/picture/widgets/View.cpp"
    printf '#include "media/gst/Gst.h"\n#include "platform/qt/Dialogs.h"\n#include "shell/Rules.h"\n' \
        >"$t/window/Form.cpp"
    out=$(check_tree "$t") && status=1
    local expected=(
        "src/document/CoreSeesLowerWidgets.cpp: includes platform/controls/Panel.h: the core of document does not see platform/controls"
        "src/document/rtf/UpFromSubfolder.cpp: includes shell/Rules.h: document is below shell"
        "src/media/CoreSeesWidgets.cpp: includes media/widgets/Bar.h: media/core does not see media/widgets"
        "src/media/gst/PartsSeeEachOther.cpp: includes media/widgets/Bar.h: media/gst does not see media/widgets"
        "src/picture/Sibling.cpp: includes media/Device.h: picture and media do not see each other"
        "src/platform/Up.cpp: includes window/Form.h: platform is below window"
    )
    if [ "$out" != "$(printf '%s\n' "${expected[@]}")" ]; then
        printf 'the rules tree gave:\n%s\nexpected:\n' "$out"
        printf '%s\n' "${expected[@]}"
        status=1
    fi
    # The real tree passes, and an upward include planted in a copy of it is caught.
    if ! out=$(check_tree "$top/src"); then
        printf 'src/ breaks the layers:\n%s\n' "$out"
        status=1
    fi
    cp -r "$top/src" "$work/planted"
    printf '#include "window/Unit1.h"\n' >>"$work/planted/platform/Failure.h"
    out=$(check_tree "$work/planted") && status=1
    if [ "$out" != "src/platform/Failure.h: includes window/Unit1.h: platform is below window" ]; then
        printf 'the planted include gave:\n%s\n' "$out"
        status=1
    fi
    [ $status -eq 0 ] && echo "layer check self-test: passed"
    return $status
}

top=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
    --self-test) self_test "$top" ;;
    "") check_tree "$top/src" && echo "layers: no include runs upward" ;;
    *) check_tree "$(cd "$1" && pwd)" ;;
esac
