# The desktop harness of the end-to-end groups and the package check (sourced, not run):
# a private sandbox, Xvfb, a tray host (XEmbed or StatusNotifierItem), dunst, the feed
# service on 127.0.0.1:9090, the recording opener, the notifier under compressed time, ways
# to drive it as a user would, and the checks.
# shellcheck shell=bash

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
FEED_URL=http://127.0.0.1:9090
TIME_FACTOR="x60"  # one minute of the notifier's time per wall second
TITLE="Tarvolin Internet Notifier"

# Runs the calling script again inside a private network namespace (loopback only, so the
# fixed port 9090 never meets another service) and a private session bus on which nothing
# is started on demand (session-bus.conf). Call it first, with the script's own arguments.
e2e_enter_sandbox() {
    [ -n "${TARVOLIN_E2E_INSIDE:-}" ] && return 0
    local unshare=(unshare -n)
    [ "$(id -u)" -eq 0 ] || unshare=(unshare -rn)
    export TARVOLIN_E2E_INSIDE=1
    exec "${unshare[@]}" -- bash -c 'ip link set lo up && exec dbus-run-session --config-file="$0" -- "$@"' \
        "$E2E_DIR/session-bus.conf" "$(readlink -f "$0")" "$@" \
        2> >(grep --line-buffered -v -E 'Failed to set fd limit|became a monitor|Monitoring connection' >&2)
}

# --- results, waiting, processes ---------------------------------------------------------

PASSED=0 FAILED=0
check() {  # check DESCRIPTION COMMAND...: passed when the command succeeds; its status
    if "${@:2}"; then PASSED=$((PASSED + 1)) && echo "ok - $1"; else
        FAILED=$((FAILED + 1)) && echo "FAILED - $1" && return 1
    fi
}
e2e_finish() {  # the group's result line; non-zero status on any failure
    if [ "$FAILED" -ne 0 ]; then
        notifications | tail -n 10 | sed 's/^/notified: /'
        tail -n 15 "$WORK"/notifier-*.log 2>/dev/null
        import -window root "${TARVOLIN_E2E_KEEP:-/tmp}/e2e-$GROUP-failure.png" 2>/dev/null
    fi
    echo "$GROUP: $PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}

now_ms() { local micros=${EPOCHREALTIME/./} && echo $((10#$micros / 1000)); }
wait_for() {  # wait_for SECONDS COMMAND...: polls the command until it succeeds or time is up
    local deadline=$(($(now_ms) + $1 * 1000))
    until "${@:2}"; do [ "$(now_ms)" -lt "$deadline" ] || return 1; sleep 0.02; done
}

STARTED_PIDS=()
remember() { STARTED_PIDS+=("$1"); }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }
e2e_cleanup() {  # stops everything the group started, newest first
    local pid
    for pid in $(printf '%s\n' "${STARTED_PIDS[@]}" | tac); do
        kill "$pid" 2>/dev/null && { wait_for 5 gone "$pid" || kill -KILL "$pid"; } 2>/dev/null
    done
    wait "${STARTED_PIDS[@]}" 2>/dev/null
    [ -n "${TARVOLIN_E2E_KEEP:-}" ] || rm -rf "$WORK"
}
wait_exit() {  # wait_exit PID SECONDS: sets EXIT_STATUS (255 when it did not end in time)
    EXIT_STATUS=255
    wait_for "$2" gone "$1" || return 1
    wait "$1"
    EXIT_STATUS=$?
}
exited_with() { wait_exit "$1" 10 && [ "$EXIT_STATUS" -eq "$2" ]; }

# --- the desktop -------------------------------------------------------------------------

# e2e_start_desktop GROUP: a work folder, Xvfb, the recording opener first on PATH.
e2e_start_desktop() {
    GROUP=$1
    WORK=$(mktemp -d "/tmp/tarvolin-e2e-$GROUP.XXXXXX")
    trap e2e_cleanup EXIT
    export XDG_RUNTIME_DIR="$WORK/runtime" NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY
    export PATH="$E2E_DIR/opener:$PATH" TARVOLIN_OPENED_LOG="$WORK/opened.log"
    : >"$TARVOLIN_OPENED_LOG"
    local fd display
    exec {fd}<> <(:)
    # -noreset: a short-lived client (xwininfo, xdotool) that leaves before the tray host has
    # connected would otherwise reset the server under the host's feet.
    Xvfb -displayfd "$fd" -screen 0 800x600x24 -nolisten tcp -noreset 2>"$WORK/xvfb.log" &
    remember $!
    read -r -t 10 -u "$fd" display || { echo "Xvfb did not start"; exit 1; }
    exec {fd}<&-
    export DISPLAY=":$display"
}

# desktop_up GROUP TRAY [later]: Xvfb, the tray (start_tray; later: left to the group), dunst
# and the feed service.
desktop_up() {
    e2e_start_desktop "$1"
    TRAY=$2
    [ -n "${3:-}" ] || start_tray || { echo "the $TRAY tray did not start"; exit 1; }
    e2e_start_notifications
    e2e_start_feed
}
e2e_start_feed() {
    "$BUILD_DIR/feed-service" --port 9090 --bind 127.0.0.1 >"$WORK/feed.log" 2>&1 &
    remember $!
    wait_for 10 curl -sf -o /dev/null "$FEED_URL/admin/state" || { echo "no feed-service"; exit 1; }
}

# TRAY xembed: trayer, a plain XEmbed tray (the desktop shells have their own group, shells).
start_tray() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true >>"$WORK/tray.log" 2>&1 &
    remember $!
    wait_for 10 bash -c "xwininfo -root -tree | grep -q '(\"panel\" \"trayer\")'"
}

bus() { gdbus call --session -d "$1" -o "$2" -m "${@:3}" 2>/dev/null; }
bus_name_owned() { bus org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "$1" | grep -q true; }
watcher_property() { bus org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"; }
watcher_says() { watcher_property "$1" | grep -q "$2"; }

# dunst with the test configuration, and a record of the notification interface's traffic.
e2e_start_notifications() {
    e2e_record_notifications
    dunst -config "$E2E_DIR/dunstrc" >>"$WORK/dunst.log" 2>&1 &
    remember $!
    wait_for 10 bus_name_owned org.freedesktop.Notifications || { echo "dunst did not start"; exit 1; }
}

e2e_record_notifications() {
    dbus-monitor --session "interface='org.freedesktop.Notifications'" >"$WORK/monitor.log" 2>&1 &
    remember $!
    wait_for 5 grep -qs 'member=NameLost' "$WORK/monitor.log" || { echo "no dbus-monitor"; exit 1; }
}

feed_post() {  # feed_post PATH [NAME=VALUE | NAME@FILE...]: an admin call; values are URL-encoded
    local args=() pair
    for pair in "${@:2}"; do args+=(--data-urlencode "$pair"); done
    curl -sf -m 5 -o /dev/null -X POST "${args[@]}" "$FEED_URL$1"
}
feed_requests() { curl -sf -m 5 "$FEED_URL/admin/requests"; }
feed_clear_requests() { curl -sf -m 5 -o /dev/null -d '' "$FEED_URL/admin/requests/clear"; }
feed_request_seen() { feed_requests | grep -qxF "$1"; }
no_requests() { [ -z "$(feed_requests)" ]; }

# --- the notifier ------------------------------------------------------------------------

# start_notifier FOLDER: the program copied into FOLDER unless it is there (MyNumber.txt lands
# beside it), started from the work folder with libfaketime at TIME_FACTOR (REAL_TIME=1: the
# wall clock's pace); sets NOTIFIER_PID and NOTIFIER_LOG. Leak checking stays on unless
# LEAKS=0; Qt's allocations that live as long as the process are suppressed (lsan.supp).
start_notifier() {
    local preload=""
    mkdir -p "$1"
    [ -x "$1/tarvolin-notifier" ] || cp "$BUILD_DIR/tarvolin-notifier" "$1/"
    [ -n "${REAL_TIME:-}" ] || preload=$(find /usr/lib -path '*/faketime/libfaketime.so.1' | head -n 1)
    NOTIFIER_LOG=$(mktemp "$WORK/notifier-XXXX.log")
    (cd "$WORK" && LD_PRELOAD=$preload FAKETIME="+0 $TIME_FACTOR" \
        ASAN_OPTIONS="detect_leaks=${LEAKS:-1}:verify_asan_link_order=0:fast_unwind_on_malloc=0" \
        LSAN_OPTIONS="suppressions=$E2E_DIR/lsan.supp:print_suppressions=0" \
        exec "$1/tarvolin-notifier") >"$NOTIFIER_LOG" 2>&1 &
    NOTIFIER_PID=$!
    remember "$NOTIFIER_PID"
}

# The icon: a window of the program docked in the tray (not a child of the root), one per
# running notifier.
parent_of() { xwininfo -id "$1" -tree 2>/dev/null | grep -o 'Parent window id: .*'; }  # nothing once it is gone
icon_windows() {
    local window
    for window in $(xdotool search --onlyvisible --classname '^tarvolin-notifier$' 2>/dev/null); do
        parent_of "$window" | grep -qv '(the root window)' && echo "$window"
    done
}
icon_window() { icon_windows | head -n 1 | grep .; }
icon_shown() { icon_window >/dev/null; }
icon_gone() { ! icon_shown; }
point_at_icon() { geometry "$(icon_window)" && xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)); }
# click_icon BUTTON: a real click (xdotool gives up when a window vanishes while it searches)
click_icon() { wait_for 5 point_at_icon && xdotool click "$1"; }

# --- what the desktop shows --------------------------------------------------------------

# The bus record: a call or signal is a header line ending in member=NAME, then one line per
# argument ("   string "TEXT"", "   uint32 N"); text() is an argument's value.
ON_THE_BUS='function text(line) { sub(/^ *[a-z0-9]+ "?/, "", line); sub(/"$/, "", line); return line }'
# Every notification sent, in order, as "summary<TAB>body": the 4th and 5th arguments of Notify.
notifications() {
    awk "$ON_THE_BUS"'/ member=Notify$/ { getline; getline; getline; getline s; getline b; print text(s) "\t" text(b) }' \
        "$WORK/monitor.log" 2>/dev/null
}
notification_mark() { notifications | wc -l; }
notified_since() { notifications | tail -n "+$(($1 + 1))" | grep -qxF "$TITLE	$2"; }
# The server's signals, as "NotificationClosed ID REASON" or "ActionInvoked ID KEY" lines.
notification_signals() {
    awk "$ON_THE_BUS"'/ member=(NotificationClosed|ActionInvoked)$/ { sub(/.*member=/, ""); getline id; getline v; print $0, text(id), text(v) }' \
        "$WORK/monitor.log"
}
signal_mark() { notification_signals | wc -l; }
signaled_since() { notification_signals | tail -n "+$(($1 + 1))" | grep -qE "$2"; }

opened_count() { wc -l <"$TARVOLIN_OPENED_LOG"; }
opened_count_is() { [ "$(opened_count)" -eq "$1" ]; }
opened_exactly() {  # opened_exactly N URL: the opener ran N times, the last with URL
    opened_count_is "$1" && [ "$(tail -n 1 "$TARVOLIN_OPENED_LOG")" = "$2" ]
}
# shellcheck disable=SC2059  # the format is the expected content, escapes included
file_bytes_are() { [ -f "$1" ] && cmp -s "$1" <(printf "$2"); }

dunst_window() { xdotool search --onlyvisible --class '^Dunst$' 2>/dev/null | head -n 1; }
notification_on_screen() { [ -n "$(dunst_window)" ]; }
click_notification() { local w && w=$(dunst_window) && [ -n "$w" ] && click_window_center "$w" 1; }
geometry() {  # geometry WINDOW: sets X Y WIDTH HEIGHT
    local shell && shell=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) && eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=' <<<"$shell")"
}
click_window_center() { geometry "$1" && xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$2"; }  # WINDOW BUTTON

# --- dialogs and menus -------------------------------------------------------------------

dialog_window() { xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | head -n 1; }
dialog_open() { [ -n "$(dialog_window)" ]; }
dialog_closed() { ! dialog_open; }
answer_dialog() {  # answer_dialog KEY...: keys to the dialog once it is open
    wait_for 5 dialog_open || return 1
    xdotool windowfocus --sync "$(dialog_window)" 2>/dev/null
    xdotool key --delay 40 "$@"
}
type_into_dialog() { answer_dialog ctrl+a && xdotool type --delay 30 "$1" && xdotool key Return; }

# Menus on screen: override-redirect top-level windows that are not tooltips, the notifier's
# own and those the tray host draws.
popups_of() {
    local window
    for window in $(xdotool search --onlyvisible --classname "^$1\$" 2>/dev/null); do
        parent_of "$window" | grep -q '(the root window)' && xwininfo -id "$window" | grep -q 'Override Redirect State: yes' &&
            ! xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q TOOLTIP && echo "$window"
    done
}
menu_open() { [ -n "$(popups_of tarvolin-notifier)" ]; }
menus_are() {  # menus_are N: how many menus the notifier shows, after a moment to settle
    wait_for 5 menu_open && sleep 0.5 && [ "$(popups_of tarvolin-notifier | wc -l)" = "$1" ]
}
choose_menu_item() {  # choose_menu_item N: with a menu open, its N-th item by keyboard
    # shellcheck disable=SC2046  # N words "Down"
    wait_for 5 menu_open && xdotool key --delay 40 $(printf 'Down %.0s' $(seq "$1")) Return
}
