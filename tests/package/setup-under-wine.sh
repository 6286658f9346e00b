# The setup program under Wine, sourced by tests/package/run after the zip's checks (exe is
# the zip's program), on its desktop and against its feed service: a silent install of an
# earlier version over a portable copy running in its folder, and the notifier it starts;
# this version's setup over that one (the number kept, one notifier left, a new one); the
# next login; a silent uninstall.
# shellcheck shell=bash disable=SC2016,SC2034,SC2154  # eval'd checks; the variables of tests/package/run

# The earlier version's setup: the same build packed again as that version.
earlierSetup=$WORK/earlier/tarvolin-notifier-$earlier-windows-x86_64-setup.exe
check "an earlier setup, $earlier, from the same build" eval 'cpack --config "$WIN_BUILD/CPackConfig.cmake" -G NSIS64 -B "$WORK/earlier" \
    -D CPACK_PACKAGE_VERSION="$earlier" >>"$WORK/cpack.log" 2>&1 && [[ -f $earlierSetup ]]'

# A Wine prefix made once and copied for each run, in which Wine awaits no window manager
# (Xvfb has none); Wine's menu entries stay out of the user's desktop.
export WINEPREFIX=$WIN_BUILD/wine-setup/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
[[ -f $WIN_BUILD/wine-setup/pristine/ready ]] || WINEPREFIX=$WIN_BUILD/wine-setup/pristine DISPLAY='' bash -c 'mkdir -p "$WINEPREFIX" && wineboot -i &&
    wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f && wineserver -w && touch "$WINEPREFIX/ready"' >/dev/null 2>&1
rm -rf "$WINEPREFIX" && cp -a "$WIN_BUILD/wine-setup/pristine" "$WINEPREFIX"
win() { wine "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
detached() { wine "$@" >>"$WORK/wine.log" 2>&1; }  # what starts the notifier, which must not inherit a pipe
instW="$(win cmd /c echo %LOCALAPPDATA%)\\Programs\\$TITLE" && inst=$(winepath -u "$instW" 2>/dev/null)
shortcut="$(winepath -u "$(win cmd /c echo %APPDATA%)" 2>/dev/null)/Microsoft/Windows/Start Menu/Programs/$TITLE.lnk"
uninstallKey='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarvolinInternetNotifier'
runKey='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

listing() { (cd "$inst" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }
wanted=$( (cd "$WORK/windows/$folder" && find . -mindepth 1 ! -name '*.vbs' && echo MyNumber.txt && echo Uninstall.exe) | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
registry() { { win reg query "$uninstallKey" && win reg query "$runKey" /v "$TITLE"; } | sed -E 's/^ +//; s/ {4}/|/g'; }
installed() {  # installed VERSION: the files, the shortcut, the Uninstall entry of that version, the Run entry
    [[ $(listing) == "$wanted" ]] && strings -a -el "$shortcut" | grep -qF "$instW\\tarvolin-notifier.exe" &&
        ! printf '%s\n' "DisplayName|REG_SZ|$TITLE" "DisplayVersion|REG_SZ|$1" "Publisher|REG_SZ|Tarvolin" "DisplayIcon|REG_SZ|$instW\\tarvolin-notifier.exe,0" \
            "UninstallString|REG_SZ|\"$instW\\Uninstall.exe\"" "$TITLE|REG_SZ|\"$instW\\tarvolin-notifier.exe\"" | grep -vxF -f <(registry)
}
pids() { for w in $(xdotool search --name '^RSS$' 2>/dev/null); do xdotool getwindowpid "$w"; done; }  # of the notifiers' hidden windows
icons() { win "$WIN_BUILD/probe.exe" texts | grep -c '^tip: '; }
one_polling() { [[ $(pids | wc -w) -eq 1 && $(icons) -eq 1 ]] && feed_request_seen "notify msisdn=0803444"; }
only_the_number() { [[ $(listing) == "MyNumber.txt " ]] && cmp -s "$inst/MyNumber.txt" "$WORK/number"; }

# A portable copy unzipped into the setup's folder runs there, started by the user (its
# exit status seen here), its number set.
mkdir -p "$inst" && cp "$exe" "$inst/" && printf '0803444\r\n' >"$inst/MyNumber.txt" && cp "$inst/MyNumber.txt" "$WORK/number"
(cd / && wine "$instW\\tarvolin-notifier.exe" >>"$WORK/wine.log" 2>&1; echo $? >"$WORK/portable-exit") &
remember $! && wait_for 30 one_polling && feed_clear_requests
check "a silent install of $earlier ends the copy running there through its window (status 0); it leaves the files, the Start menu shortcut, the Uninstall entry (icon, version, publisher) and the Run entry" \
    eval 'detached "$earlierSetup" /S && wait_for 10 test -s "$WORK/portable-exit" && [[ $(cat "$WORK/portable-exit") == 0 ]] && installed "$earlier"'
check "the setup starts the installed notifier: one icon, and the service sees its poll" wait_for 30 one_polling
feed_clear_requests && earlierPid=$(pids)
check "the $version setup over the running $earlier keeps MyNumber.txt byte for byte" \
    eval 'detached "$WORK/packages/$folder-setup.exe" /S && cmp -s "$inst/MyNumber.txt" "$WORK/number"'
check "then $version is installed, and one notifier runs, a new one, polling" \
    eval 'installed "$version" && cmp -s "$inst/tarvolin-notifier.exe" "$exe" && wait_for 30 one_polling && [[ $(pids) != "$earlierPid" ]]'
feed_clear_requests && detached wineboot --end-session
check "at the next login (Wine's session end and start) the Run entry starts it again: one notifier, polling" wait_for 30 one_polling
check "a silent uninstall ends it and leaves nothing but MyNumber.txt, unchanged: no other file, shortcut or registry entry" \
    eval 'detached "$inst/Uninstall.exe" /S && wait_for 20 only_the_number && [[ ! -e $shortcut && -z $(pids) && $(icons) -eq 0 ]] &&
        ! win reg query "$uninstallKey" >/dev/null && ! win reg query "$runKey" /v "$TITLE" >/dev/null'
wineserver -k
