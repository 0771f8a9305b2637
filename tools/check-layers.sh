#!/usr/bin/env bash
# The layers of src/, ground floor first: an include goes to its own folder or a lower layer. An
# include that must go up says why on its line, in a comment that starts "// up: ".
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(platform core "spooler discovery" dialogs install app cli)
rank() {
    local i
    for i in "${!layers[@]}"; do
        [[ " ${layers[$i]} " == *" $1 "* ]] && { echo "$i"; return; }
    done
    echo "${#layers[@]}"  # a folder the list forgot: the check fails loudly below
}
status=0
while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    if (($(rank "$target") > $(rank "${file%%/*}"))) && [[ $line != *"// up: "* ]]; then
        echo "upward include: $line"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "[a-z_]*/' . | sed 's|^\./||')
exit $status
