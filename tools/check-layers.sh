#!/usr/bin/env bash
# The layers of src/, ground floor first: an include goes to its own folder or a lower layer, with
# no exception. platform/win32 (the seam's Win32 implementations) includes only platform/ and is
# included only by the Win32 layers; Windows' own headers (<windows.h>, any <....h>) appear only
# in the Win32 folders: platform/win32, views and main. The build refuses upward includes too
# (src/CMakeLists.txt); this says which line is wrong.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(platform core "spooler discovery" dialogs install app cli views main)
win32_folders="platform/win32 views main"
rank() {
    local i
    for i in "${!layers[@]}"; do
        [[ " ${layers[$i]} " == *" $1 "* ]] && { echo "$i"; return; }
    done
    echo "${#layers[@]}"  # a folder the list forgot: the check fails loudly below
}
in_win32() {
    local folder
    for folder in $win32_folders; do [[ $1 == "$folder"/* ]] && return 0; done
    return 1
}
status=0
while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([a-z_0-9]+(\/win32)?)\/.*/\1/' <<<"$line")
    if (($(rank "${target%%/*}") > $(rank "${file%%/*}"))); then
        echo "upward include: $line"
        status=1
    elif [[ $target == platform/win32 ]] && ! in_win32 "$file"; then
        echo "a portable folder includes the Win32 implementations: $line"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "[a-z_0-9]*/' . | sed 's|^\./||')
while IFS= read -r line; do
    file=${line%%:*}
    if ! in_win32 "$file"; then
        echo "a system header outside the Win32 folders: $line"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '#include <[^>]+\.h>' . | sed 's|^\./||')
exit $status
