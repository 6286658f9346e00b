#!/usr/bin/env bash
# Link safety through the real program: each link of the table becomes the link of the
# "Download" notice, the notifier reads it through Status (a left click on the icon asks now
# and notifies the answer, whose click opens the stored link), that notification is clicked
# on the desktop, and the recording xdg-open shows what reached the desktop's opener. No
# hostile link may reach it (a few kinds that would do harm at the opener; the approval's
# whole table is the unit tests'); every good one reaches it exactly once.
# Usage: tests/e2e/link-safety.sh BUILD_DIR
set -u
source "$(dirname "$(readlink -f "$0")")/lib.sh"
BUILD_DIR=$(readlink -f "${1:?usage: link-safety.sh BUILD_DIR}")
e2e_enter_sandbox "$BUILD_DIR"

# "refuse<TAB>link<TAB>what it tries" or "open<TAB>link<TAB>what the opener gets"; links in
# printf %b escapes.
read -r -d '' TABLE <<'ROWS'
refuse	file:///etc/passwd	a scheme other than http and https
refuse	http://example.com/\x1b[31m	a control character (escape sequence)
refuse	--help	an option for the opener
refuse	http://$(reboot)/	a shell command substitution
refuse	http://\xd0\xb5x\xd0\xb0mple.com/	a host with Cyrillic look-alike letters
open	example.com/no-scheme	http://example.com/no-scheme
open	http://example.com/caf\xc3\xa9 b	http://example.com/caf%C3%A9%20b
ROWS

# shellcheck disable=SC2034  # read by start_notifier
REAL_TIME=1  # the hourly poll stays out of the way; every notification answers its row's click
NUMBER=0803
desktop_up links xembed
app=$WORK/app
mkdir -p "$app" && printf '%s\r\n' "$NUMBER" >"$app/MyNumber.txt"
start_notifier "$app"
wait_for 15 notified_since 0 Connected

read_and_click() {  # read_and_click ESCAPED_LINK: the link through Status; its answer clicked
    local mark signals
    printf '%b' "$1" >"$WORK/link.bin"
    feed_post /admin/notice text=row category=Download "link@$WORK/link.bin" &&
        wait_for 6 eval '! notification_on_screen' && mark=$(notification_mark) && click_icon 1 &&
        wait_for 5 notified_since "$mark" "Number $NUMBER: data service active" &&
        signals=$(signal_mark) && wait_for 5 notification_on_screen && click_notification &&
        wait_for 5 signaled_since "$signals" '^ActionInvoked [0-9]+ default$'
}

expected=()
while IFS=$'\t' read -r kind link what; do
    before=$(opened_count)
    read_and_click "$link" || { check "$what: read and clicked" false && continue; }
    sleep 0.3  # time for a wrongly launched opener to show up
    if [ "$kind" = refuse ]; then check "refused: $what" opened_count_is "$before"; else
        expected+=("$what")
        check "opened once: $what" wait_for 5 opened_exactly $((before + 1)) "$what"
    fi
done <<<"$TABLE"

check "the opener's whole record is the good links, each once, in order" \
    cmp -s "$TARVOLIN_OPENED_LOG" <(printf '%s\n' "${expected[@]}")
kill -TERM "$NOTIFIER_PID"
check "the notifier ran through and ends with status 0" exited_with "$NOTIFIER_PID" 0
e2e_finish
