#!/usr/bin/env bash
# Link safety through the real program: each link of the table is published as a "Download"
# notice, the notifier reads it, its notification is clicked on the desktop, and the
# recording xdg-open shows what reached the desktop's opener. No hostile link may reach it
# (one row per kind of attack); every good one reaches it exactly once, in the form given.
# Most rows are read through Status (a left click on the icon asks now and notifies the
# answer, whose click opens the stored link); the first two through a notice at start-up.
# Usage: tests/e2e/link-safety.sh BUILD_DIR
set -u
source "$(dirname "$(readlink -f "$0")")/lib.sh"
BUILD_DIR=$(readlink -f "${1:?usage: link-safety.sh BUILD_DIR}")
e2e_enter_sandbox "$BUILD_DIR"

# "refuse<TAB>link<TAB>what it tries" or "open<TAB>link<TAB>what the opener gets"; links in
# printf %b escapes. The feed service writes line ends inside a link as spaces.
read -r -d '' TABLE <<'ROWS'
refuse	file:///etc/passwd	the file scheme, in a notice shown at start-up
open	http://example.com/from-start-up	http://example.com/from-start-up
refuse	/etc/passwd	an absolute local path
refuse	httpd.conf	a relative path that begins with "http"
refuse	httpfoo:/run	a scheme that begins with "http"
refuse	http:/etc/passwd	http with one slash: a local path
refuse	http:///etc/passwd	http with three slashes: no host
refuse	http:\\\\evil.example\\share	a UNC path behind http
refuse	javascript:alert(1)	a script scheme
refuse	data:text/html,<script>alert(1)</script>	a data URL
refuse	smb://server/share/setup.exe	another network scheme
refuse	steam://run/10	a custom handler scheme
refuse	http://example.com@evil.example/	a user part that disguises the host
refuse	http://exa mple.com/	a space in the host
refuse	 http://example.com/	a leading space
refuse	http://example.com/\x00/etc/passwd	a NUL
refuse	http://example.com\nhttp://evil.example/	a second link after a line break
refuse	http://example.com/\x1b[31m	an escape sequence
refuse	http://example.com/\xc2\x85	a C1 control (NEL)
refuse	http://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.example/	a host label of 64 letters
refuse	http://-example.com/	a host label that begins with a hyphen
refuse	--help	an option for the opener
refuse	http://$(reboot)/	a shell command substitution
refuse	http://example.com;reboot	a shell command separator
refuse	http://0x7f.0.0.1/	a hexadecimal IPv4 address
refuse	http://2130706433/	an IPv4 address as one number
refuse	http://[::1/	an unclosed IPv6 literal
refuse	http://[::900:]:9/x	an IPv6 literal that ends in one colon
refuse	http://example.com:99999/	a port beyond 65535
refuse	http://\xd0\xb5x\xd0\xb0mple.com/	a host with Cyrillic look-alike letters
open	https://example.com/setup.zip	https://example.com/setup.zip
open	HtTpS://Example.com/Mixed	https://example.com/Mixed
open	example.com/no-scheme	http://example.com/no-scheme
open	http://127.0.0.1:9090/download?id=7&lang=en	http://127.0.0.1:9090/download?id=7&lang=en
open	http://[::1]:9090/x	http://[::1]:9090/x
open	http://example.com/a b	http://example.com/a%20b
open	http://example.com/caf\xc3\xa9	http://example.com/caf%C3%A9
open	http://example.com/100%	http://example.com/100%25
open	http://example.com/\u202etxt.exe	http://example.com/%E2%80%AEtxt.exe
ROWS

REAL_TIME=1  # the hourly poll stays out of the way; every notification answers its row's click
NUMBER=0803
desktop_up links xembed
app=$WORK/app
mkdir -p "$app" && printf '%s\r\n' "$NUMBER" >"$app/MyNumber.txt"

publish() {  # publish ROW ESCAPED_LINK: a "Download" notice whose link is the row's bytes
    printf '%b' "$2" >"$WORK/link.bin"
    feed_post /admin/notice "text=Download row $1" category=Download "link@$WORK/link.bin"
}
click_and_wait() {  # clicks the notification on screen; waits until the notifier had the click
    local signals
    signals=$(signal_mark)
    wait_for 5 notification_on_screen && click_notification &&
        wait_for 5 signaled_since "$signals" '^ActionInvoked [0-9]+ default$'
}
read_through_status() {
    local mark
    wait_for 6 eval '! notification_on_screen' && mark=$(notification_mark) && click_icon 1 &&
        wait_for 5 notified_since "$mark" "Number $NUMBER: data service active" && click_and_wait
}
read_at_start_up() {
    local mark status
    mark=$(notification_mark) && start_notifier "$app" &&
        wait_for 15 notified_since "$mark" "Download row $1" && click_and_wait
    status=$?
    kill -TERM "$NOTIFIER_PID" && wait_exit "$NOTIFIER_PID" 10 && wait_for 5 icon_gone
    return "$status"
}

row=0 hostile=0 launched=0 good=0 once=0 expected=()
while IFS=$'\t' read -r kind link what; do
    row=$((row + 1))
    publish "$row" "$link"
    before=$(opened_count)
    if [ "$row" -le 2 ]; then read_at_start_up "$row"; else read_through_status; fi ||
        { check "row $row ($what): shown and clicked" false && continue; }
    sleep 0.3  # time for a wrongly launched opener to show up
    if [ "$kind" = refuse ]; then
        hostile=$((hostile + 1))
        check "refused: $what" opened_count_is "$before" || launched=$((launched + 1))
    else
        good=$((good + 1)) expected+=("$what")
        check "opened once: $what" eval 'wait_for 5 opened_count_is $((before + 1)) && opened_exactly $((before + 1)) "$what"' &&
            once=$((once + 1))
    fi
    [ "$row" -eq 2 ] && { start_notifier "$app" && wait_for 15 icon_shown && sleep 1; }
done <<<"$TABLE"

check "the opener's whole record is the good links, each once, in order" \
    cmp -s "$TARVOLIN_OPENED_LOG" <(printf '%s\n' "${expected[@]}")
kill -TERM "$NOTIFIER_PID"
check "the notifier ran through and ends with status 0" exited_with "$NOTIFIER_PID" 0
echo "links: hostile $hostile, launched $launched; good $good, opened once $once"
e2e_finish
