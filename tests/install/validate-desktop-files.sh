#!/bin/bash
# The desktop entry and the AppStream description made by the build pass the validators a
# distribution runs on them, and name the same file types.
#   validate-desktop-files.sh DESKTOP_ENTRY METAINFO
set -euo pipefail
entry=$1 metainfo=$2
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
echo "desktop entry and AppStream description valid, $(echo "$entry_types" | wc -l) file types each"
