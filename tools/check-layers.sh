#!/usr/bin/env bash
# Every include of src/ goes to the file's own folder or to one that src/layers.txt lets it use;
# Windows' own headers (<windows.h>, any <....h>) appear only in the folders it marks win32. The
# build refuses other includes too (src/CMakeLists.txt); this says which line is wrong.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A uses=()
win32_folders=" "
while IFS=: read -r head rest; do
    [[ -z $head || $head == \#* ]] && continue
    read -r folder mark <<<"$head"
    [[ $mark == win32 ]] && win32_folders+="$folder "
    uses[$folder]=" $rest "
done <layers.txt
folder_of() {
    [[ $1 == platform/win32/* ]] && { echo platform/win32; return; }
    echo "${1%%/*}"
}
status=0
for folder in $(find . -mindepth 1 -type d | sed 's|^\./||'); do
    [[ -n ${uses[$folder]+set} ]] || { echo "src/$folder has no line in src/layers.txt"; status=1; }
done
while IFS= read -r line; do
    file=${line%%:*}
    from=$(folder_of "$file")
    target=$(sed -E 's/.*#include "([a-z_0-9]+(\/win32)?)\/.*/\1/' <<<"$line")
    if [[ $target != "$from" && ${uses[$from]:-} != *" $target "* ]]; then
        echo "src/$from may not include $target (src/layers.txt): $line"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "[a-z_0-9]*/' . | sed 's|^\./||')
while IFS= read -r line; do
    if [[ $win32_folders != *" $(folder_of "${line%%:*}") "* ]]; then
        echo "a system header outside the Win32 folders: $line"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '#include <[^>]+\.h>' . | sed 's|^\./||')
exit $status
