#!/usr/bin/env bash
# Removes what install.sh added for the current user (the menu entry, the autostart entry,
# the icons, the folders it had to create, and its list of those) and nothing else: it
# works only from that list, and a folder is removed only when it is empty again.
# The program folder and MyNumber.txt stay; delete the folder yourself if you wish.
set -euo pipefail

name=tarvolin-notifier
dataHome=${XDG_DATA_HOME:-}
[[ $dataHome == /* ]] || dataHome=$HOME/.local/share
manifestDir=$dataHome/$name
manifest=$manifestDir/installed-files

if [[ ! -f $manifest ]]; then
    echo "Tarvolin Internet Notifier is not registered for $(id -un) (no $manifest); nothing to remove."
    exit 0
fi

# Only the names install.sh writes are ever removed, whatever else the list may say.
ownFile() {
    case $1 in
        */applications/$name.desktop | */autostart/$name.desktop) return 0 ;;
        */icons/hicolor/16x16/apps/$name.png | */icons/hicolor/22x22/apps/$name.png) return 0 ;;
        */icons/hicolor/24x24/apps/$name.png | */icons/hicolor/32x32/apps/$name.png) return 0 ;;
        */icons/hicolor/48x48/apps/$name.png | */icons/hicolor/64x64/apps/$name.png) return 0 ;;
    esac
    return 1
}

files=()
dirs=()
while IFS=$'\t' read -r kind path; do
    [[ $path == /* ]] || continue
    case $kind in
        file) ownFile "$path" && files+=("$path") ;;
        dir) dirs+=("$path") ;;
    esac
done <"$manifest"

for file in "${files[@]}"; do
    if [[ -f $file || -L $file ]]; then
        rm -f -- "$file"
        echo "removed $file"
    fi
done
rm -f -- "$manifest"

# Folders last, newest first: only those install.sh made on the way to its files, and only
# when they are empty again, so anything the user keeps there keeps its folder.
onTheWay() {
    local target
    for target in "${files[@]}" "$manifest"; do
        [[ $target == "$1"/* ]] && return 0
    done
    return 1
}
for ((i = ${#dirs[@]} - 1; i >= 0; i--)); do
    dir=${dirs[i]}
    if [[ -d $dir ]] && onTheWay "$dir" && rmdir -- "$dir" 2>/dev/null; then
        echo "removed $dir/"
    fi
done

echo "Tarvolin Internet Notifier is no longer registered for $(id -un)."
echo "It no longer starts at login; a copy that is running now goes on until you choose Exit."
