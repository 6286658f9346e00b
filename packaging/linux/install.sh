#!/usr/bin/env bash
# Registers the notifier in this folder for the current user: a menu entry, an autostart
# entry (so it starts at every login) and its icon. Nothing outside the user's home changes
# and nothing needs root. Every file and folder added is written to a list that
# uninstall.sh reads, so uninstalling removes exactly these and nothing else.
# After moving the folder, run this script again from its new place.
set -euo pipefail

name=tarvolin-notifier
appDir=$(cd "$(dirname "$(readlink -f "$0")")" && pwd -P)
program=$appDir/$name
template=$appDir/$name.desktop

fail() {
    echo "install.sh: $*" >&2
    exit 1
}

# Base folders as the freedesktop base-directory rules define them.
configHome=${XDG_CONFIG_HOME:-}
[[ $configHome == /* ]] || configHome=$HOME/.config
dataHome=${XDG_DATA_HOME:-}
[[ $dataHome == /* ]] || dataHome=$HOME/.local/share

manifestDir=$dataHome/$name
manifest=$manifestDir/installed-files
menuEntry=$dataHome/applications/$name.desktop
autostartEntry=$configHome/autostart/$name.desktop
# The icon at every size the package carries, each in the hicolor theme's folder of its size.
iconSizes=(16 22 24 32 48 64)
icons=()
for size in "${iconSizes[@]}"; do icons+=("$dataHome/icons/hicolor/${size}x$size/apps/$name.png"); done

[[ -x $program ]] || fail "$program is missing or not executable"
[[ -f $template ]] || fail "$template is missing"
for size in "${iconSizes[@]}"; do
    [[ -f $appDir/icons/tarvolin-$size.png ]] || fail "$appDir/icons/tarvolin-$size.png is missing"
done
# Control characters cannot be written into a desktop entry or the list of added files.
for path in "$appDir" "$configHome" "$dataHome"; do
    [[ $path != *[[:cntrl:]]* ]] || fail "a folder name holds a control character: $path"
done

# What an earlier run added: those files may be replaced, anything else is the user's.
declare -A ours=()
oldDirs=()
if [[ -f $manifest ]]; then
    while IFS=$'\t' read -r kind path; do
        case $kind in
            file) ours[$path]=1 ;;
            dir) oldDirs+=("$path") ;;
        esac
    done <"$manifest"
fi
for target in "$menuEntry" "$autostartEntry" "${icons[@]}"; do
    if [[ -e $target || -L $target ]] && [[ -z ${ours[$target]:-} ]]; then
        fail "$target exists and was not made by this script; move it away and run again"
    fi
done

# Everything added so far, kept in the list even when a later step fails: folders in the
# order they were made (earlier runs first), then the files.
newDirs=()
declare -A placed=()
writeManifest() {
    [[ -d $manifestDir ]] || return 0
    {
        local entry
        local -A listed=()
        for entry in "${oldDirs[@]}" "${newDirs[@]}"; do
            [[ -n ${listed[$entry]:-} ]] || printf 'dir\t%s\n' "$entry"
            listed[$entry]=1
        done
        for entry in "$menuEntry" "$autostartEntry" "${icons[@]}"; do
            [[ -z ${ours[$entry]:-}${placed[$entry]:-} ]] || printf 'file\t%s\n' "$entry"
        done
    } >"$manifest.new" && mv -f "$manifest.new" "$manifest"
}
work=$(mktemp -d)
trap 'writeManifest; rm -rf "$work"' EXIT

# Creates a folder and its missing parents, noting each one created.
makeDir() {
    local dir=$1 missing=()
    while [[ ! -d $dir ]]; do
        missing=("$dir" "${missing[@]}")
        dir=$(dirname "$dir")
    done
    for dir in "${missing[@]}"; do
        mkdir "$dir"
        newDirs+=("$dir")
    done
}

# Writes a file through a temporary one beside it, so a reader never sees half of it.
place() {  # place SOURCE TARGET
    makeDir "$(dirname "$2")"
    placed[$2]=1
    cp "$1" "$2.new"
    chmod 0644 "$2.new"
    mv -f "$2.new" "$2"
}

# The Exec key takes a quoted argument: inside the quotes ", `, $ and \ are escaped with a
# backslash, and the file format doubles every backslash once more; % starts a field code.
execArgument=$(printf '%s' "$program" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g')
# TryExec is a plain string: only the backslash is escaped. A desktop that finds the program
# gone (the folder deleted) then hides the entries instead of failing to start them.
tryExec=$(printf '%s' "$program" | sed -e 's/\\/\\\\/g')
EXEC_LINE="Exec=\"$execArgument\"" TRY_EXEC_LINE="TryExec=$tryExec" APP_DIR=$appDir awk '
    NR == 1 { print "# Written by install.sh of " ENVIRON["APP_DIR"] "; uninstall.sh removes it." }
    /^#/ || /^Exec=/ || /^TryExec=/ { next }
    { print }
    /^\[Desktop Entry\]$/ { print ENVIRON["TRY_EXEC_LINE"]; print ENVIRON["EXEC_LINE"] }
' "$template" >"$work/entry.desktop"
grep -q '^Exec="' "$work/entry.desktop" || fail "$template has no [Desktop Entry] group"

# An upgrade: the autostart entry this script wrote names the program of an earlier install.
# When that is another folder and this one holds no number yet (no MyNumber.txt, or an empty
# one, which sets none), the earlier number is copied here, so the new copy starts with it.
# The earlier folder is left as it is.
numberFile=$appDir/MyNumber.txt carried=""
if [[ -n ${ours[$autostartEntry]:-} && -f $autostartEntry && ! -s $numberFile && ! -L $numberFile ]]; then
    earlierProgram=$(sed -n 's/^TryExec=//p' "$autostartEntry" | head -n 1 | sed 's/\\\\/\\/g')
    earlierNumber=$(dirname "$earlierProgram")/MyNumber.txt
    if [[ $earlierProgram == /* && $(dirname "$earlierProgram") != "$appDir" && -f $earlierNumber && -s $earlierNumber ]]; then
        { cp -- "$earlierNumber" "$numberFile.new" && mv -f -- "$numberFile.new" "$numberFile"; } ||
            fail "cannot copy $earlierNumber into $appDir; nothing was changed"
        carried=$earlierNumber
    fi
fi

makeDir "$manifestDir"
place "$work/entry.desktop" "$menuEntry"
place "$work/entry.desktop" "$autostartEntry"
for i in "${!iconSizes[@]}"; do
    place "$appDir/icons/tarvolin-${iconSizes[i]}.png" "${icons[i]}"
done

echo "Tarvolin Internet Notifier is registered for $(id -un):"
echo "  menu entry  $menuEntry"
echo "  autostart   $autostartEntry"
echo "  icons       $(dirname "$(dirname "$(dirname "${icons[0]}")")")/*/apps/$name.png"
[[ -z $carried ]] || echo "  number      copied from $carried"
echo "It starts at every login. Start it now from the menu, or run:"
printf '  %q &\n' "$program"
printf 'To undo: %q\n' "$appDir/uninstall.sh"
