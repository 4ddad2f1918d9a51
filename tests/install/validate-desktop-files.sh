#!/bin/bash
# The desktop entry and the AppStream description made by the build pass the validators a
# distribution runs on them, name the same file types, summarise the program in English and in
# Japanese, and describe the screenshot as it is.
#   validate-desktop-files.sh DESKTOP_ENTRY METAINFO SCREENSHOT
set -euo pipefail
entry=$1 metainfo=$2 screenshot=$3
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "missing input: $tool (scripts/test-packages.txt)"; exit 1; }
done
desktop-file-validate "$entry"
# Warnings fail as errors do; pedantic notes are left out. No network: URLs are not fetched.
appstreamcli validate --no-net "$metainfo"

entry_types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_types=$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo" | sort)
if [ "$entry_types" != "$metainfo_types" ] || [ -z "$entry_types" ]; then
    echo "the desktop entry and the AppStream description name different file types:"
    diff <(echo "$entry_types") <(echo "$metainfo_types") || true
    exit 1
fi

for summary in '<summary>' '<summary xml:lang="ja">'; do
    grep -q "$summary" "$metainfo" || { echo "the AppStream description has no $summary"; exit 1; }
done

# The screenshot's declared size is the picture's own (PNG header: width and height from byte 16).
[ "$(head -c 8 "$screenshot" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
    { echo "$screenshot is not a PNG picture"; exit 1; }
read -r width height < <(od -An -tu1 -j16 -N8 "$screenshot" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
image=$(grep -o '<image [^>]*>[^<]*</image>' "$metainfo") ||
    { echo "the AppStream description shows no screenshot"; exit 1; }
expected="<image type=\"source\" width=\"$width\" height=\"$height\">"
case "$image" in
"$expected"*/"$(basename "$screenshot")</image>") ;;
*) echo "screenshot: '$image' does not describe $(basename "$screenshot") of $width x $height"; exit 1 ;;
esac
echo "desktop entry and AppStream description valid, $(echo "$entry_types" | wc -l) file types each," \
    "screenshot $width x $height"
