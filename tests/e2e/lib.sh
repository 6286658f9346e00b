# Shared by the end-to-end groups (sourced, not run): a private desktop (Xvfb, a private
# D-Bus session, dunst, the feed service on 127.0.0.1:9090 in a private network namespace),
# the notifier under compressed time, ways to drive it as a user would, and the checks.
# shellcheck shell=bash

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
FEED_URL=http://127.0.0.1:9090
POLL_SECONDS=0.02
TIME_FACTOR="x60"  # one minute of the notifier's time per wall second

# --- the sandbox -------------------------------------------------------------------------

# Runs the calling script again inside a private network namespace (loopback only, so the
# fixed port 9090 never meets another service) and a private session bus on which nothing
# is started on demand (session-bus.conf). Call it first, with the script's own arguments.
# The session bus daemon's notes about resource limits and monitors are left out.
e2e_enter_sandbox() {
    [ -n "${TARVOLIN_E2E_INSIDE:-}" ] && return 0
    local script
    script=$(readlink -f "$0")
    local unshare=(unshare -n)
    [ "$(id -u)" -eq 0 ] || unshare=(unshare -rn)
    export TARVOLIN_E2E_INSIDE=1
    {
        "${unshare[@]}" -- bash -c \
            'ip link set lo up && exec dbus-run-session --config-file="$0" -- "$@"' \
            "$E2E_DIR/session-bus.conf" "$script" "$@" 2>&1 1>&3 3>&- |
            grep --line-buffered -v -E 'Failed to set fd limit|became a monitor|Monitoring connection' >&2
    } 3>&1
    exit "${PIPESTATUS[0]}"
}

# --- results -----------------------------------------------------------------------------

PASSED=0
FAILED=0

# check DESCRIPTION COMMAND...: one check, passed when the command succeeds.
check() {
    local description=$1
    shift
    if "$@"; then
        PASSED=$((PASSED + 1))
        echo "ok - $description"
    else
        FAILED=$((FAILED + 1))
        echo "FAILED - $description"
    fi
}

# Prints the group's result line and exits non-zero on any failure.
e2e_finish() {
    if [ "$FAILED" -ne 0 ]; then
        echo "--- notifications sent (summary | body):"
        notifications | sed 's/\t/ | /' | tail -n 20
        local log
        for log in "$WORK"/notifier-*.log; do
            [ -s "$log" ] || continue
            echo "--- tail of $(basename "$log"):"
            tail -n 15 "$log"
        done
        import -window root "$WORK/failure.png" 2>/dev/null &&
            cp "$WORK/failure.png" "${TARVOLIN_E2E_KEEP:-/tmp}/e2e-$GROUP-failure.png" 2>/dev/null
    fi
    echo "$GROUP: $PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}

# --- waiting -----------------------------------------------------------------------------

now_ms() {
    local micros=${EPOCHREALTIME/./}
    echo $((10#$micros / 1000))
}

# wait_for SECONDS COMMAND...: polls the command until it succeeds or the time is up.
wait_for() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep "$POLL_SECONDS"
    done
}

# --- processes ---------------------------------------------------------------------------

STARTED_PIDS=()

remember() { STARTED_PIDS+=("$1"); }

# Stops everything this group started, newest first; what ignores SIGTERM for five seconds
# is killed.
e2e_cleanup() {
    local i pid
    for ((i = ${#STARTED_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${STARTED_PIDS[i]}" 2>/dev/null || true
    done
    for pid in "${STARTED_PIDS[@]}"; do
        wait_for 5 gone "$pid" || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "${WORK:-}" ] && [ -z "${TARVOLIN_E2E_KEEP:-}" ]; then rm -rf "$WORK"; fi
}

# e2e_start_desktop GROUP_NAME: a work folder, Xvfb, the recording opener and the
# notification log on PATH. The tray host and dunst are started by the caller.
e2e_start_desktop() {
    GROUP=$1
    WORK=$(mktemp -d "/tmp/tarvolin-e2e-$GROUP.XXXXXX")
    trap e2e_cleanup EXIT
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    export NO_AT_BRIDGE=1 QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    export PATH="$E2E_DIR/opener:$E2E_DIR/bin:$PATH"
    export TARVOLIN_OPENED_LOG="$WORK/opened.log" TARVOLIN_NOTIFY_LOG="$WORK/shown.log"
    : >"$TARVOLIN_OPENED_LOG"

    local displayFd display
    exec {displayFd}<> <(:)
    Xvfb -displayfd "$displayFd" -screen 0 800x600x24 -nolisten tcp 2>"$WORK/xvfb.log" &
    remember $!
    read -r -t 10 -u "$displayFd" display || { echo "Xvfb did not start"; exit 1; }
    exec {displayFd}<&-
    export DISPLAY=":$display"
    # A service the bus starts on demand (a notification daemon) must find the display.
    dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR 2>/dev/null
}

bus_name_owned() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}

bus_name_free() { ! bus_name_owned "$1"; }

# dunst with the project's test configuration, and a monitor that records every call and
# signal of the notification interface.
e2e_start_notifications() {
    dbus-monitor --session "interface='org.freedesktop.Notifications'" >"$WORK/monitor.log" 2>&1 &
    remember $!
    wait_for 5 grep -q 'member=NameLost' "$WORK/monitor.log" || { echo "dbus-monitor did not start"; exit 1; }
    start_dunst
}

start_dunst() {
    dunst -config "$E2E_DIR/dunstrc" >"$WORK/dunst.log" 2>&1 &
    DUNST_PID=$!
    remember "$DUNST_PID"
    wait_for 10 bus_name_owned org.freedesktop.Notifications || { echo "dunst did not start"; exit 1; }
}

stop_dunst() {
    kill "$DUNST_PID" 2>/dev/null
    wait "$DUNST_PID" 2>/dev/null
    wait_for 5 bus_name_free org.freedesktop.Notifications
}

# The feed service, listening on 127.0.0.1:9090 inside the sandbox.
e2e_start_feed() {
    "$BUILD_DIR/feed-service" --port 9090 --bind 127.0.0.1 >"$WORK/feed.log" 2>&1 &
    remember $!
    wait_for 10 curl -sf -o /dev/null "$FEED_URL/admin/state" || { echo "feed-service did not start"; exit 1; }
}

# feed POST_PATH [NAME=VALUE...]: an admin call of the feed service; values are URL-encoded.
feed_post() {
    local path=$1
    shift
    local args=() pair
    for pair in "$@"; do args+=(--data-urlencode "$pair"); done
    curl -sf -m 5 -o /dev/null -X POST "${args[@]}" "$FEED_URL$path"
}
feed_requests() { curl -sf -m 5 "$FEED_URL/admin/requests"; }
feed_clear_requests() { curl -sf -m 5 -o /dev/null -d '' "$FEED_URL/admin/requests/clear"; }
feed_request_seen() { feed_requests | grep -qxF "$1"; }

# --- the notifier ------------------------------------------------------------------------

# libfaketime runs the notifier's clock TIME_FACTOR times as fast: its one-minute timer
# fires every wall second, and the transfer's time limits shrink the same way, which loopback
# requests stay far inside. It is preloaded directly rather than through the faketime
# wrapper, which would stand between the checks and the notifier's own PID and exit status.
faketime_library() {
    local library
    library=$(find /usr/lib -path '*/faketime/libfaketime.so.1' 2>/dev/null | head -n 1)
    [ -n "$library" ] || { echo "libfaketime not found (package faketime)" >&2; exit 1; }
    echo "$library"
}

NOTIFIER_RUNS=0

# start_notifier FOLDER: copies the program into FOLDER (so that MyNumber.txt lands there)
# and starts it under compressed time (REAL_TIME=1 in the environment: at the wall clock's
# pace); sets NOTIFIER_PID and NOTIFIER_LOG.
start_notifier() {
    local folder=$1 preload=""
    mkdir -p "$folder"
    [ -x "$folder/tarvolin-notifier" ] || cp "$BUILD_DIR/tarvolin-notifier" "$folder/"
    [ -n "${REAL_TIME:-}" ] || preload=$(faketime_library)
    NOTIFIER_RUNS=$((NOTIFIER_RUNS + 1))
    NOTIFIER_LOG="$WORK/notifier-$NOTIFIER_RUNS.log"
    # A sanitizer build loads its runtime after libfaketime, which ASan accepts once told
    # (preloading the runtime as well would hang the shell scripts the notifier starts,
    # such as the opener). Leak checking stays on: Qt's own allocations that live as long
    # as the process are suppressed by name, which needs full stacks (slow unwinding), so
    # a leak in the notifier's code still fails the run.
    LD_PRELOAD=$preload FAKETIME="+0 $TIME_FACTOR" \
        ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:fast_unwind_on_malloc=0" \
        LSAN_OPTIONS="suppressions=$E2E_DIR/lsan.supp:print_suppressions=0" \
        "$folder/tarvolin-notifier" >"$NOTIFIER_LOG" 2>&1 &
    NOTIFIER_PID=$!
    remember "$NOTIFIER_PID"
}

alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

# wait_exit PID SECONDS: waits for the process to end; sets EXIT_STATUS (or 255 on time-out).
# shellcheck disable=SC2034  # EXIT_STATUS is read by the callers
wait_exit() {
    EXIT_STATUS=255
    wait_for "$2" gone "$1" || return 1
    wait "$1"
    EXIT_STATUS=$?
}

# --- what the desktop shows --------------------------------------------------------------

# Every notification the notifiers sent, in order, as "summary<TAB>body" lines (read from
# the Notify calls on the session bus).
notifications() {
    awk '
        / member=Notify$/ { inCall = 1; strings = 0; next }
        inCall && /^   string "/ {
            text = $0; sub(/^   string "/, "", text); sub(/"$/, "", text)
            strings++
            if (strings == 3) summary = text
            if (strings == 4) { print summary "\t" text; inCall = 0 }
            next
        }
        /^(method|signal|error)/ { inCall = 0 }
    ' "$WORK/monitor.log"
}

# A mark in the notification record: notifications_since MARK lists what came after it.
notification_mark() { notifications | wc -l; }
notifications_since() { notifications | tail -n "+$(($1 + 1))"; }
# notified_since MARK BODY: a notification with this body, titled with the product's name.
notified_since() {
    notifications_since "$1" | grep -qxF "Tarvolin Internet Notifier	$2"
}
# notified_in_order MARK BODY...: these bodies appear in this order after the mark.
notified_in_order() {
    local mark=$1
    shift
    notifications_since "$mark" | cut -f2 | awk -v want="$(printf '%s\n' "$@")" '
        BEGIN { n = split(want, bodies, "\n"); i = 1 }
        i <= n && $0 == bodies[i] { i++ }
        END { exit !(i > n) }'
}

# Signals from the notification server, as "NotificationClosed <id> <reason>" or
# "ActionInvoked <id> <key>" lines.
notification_signals() {
    awk '
        / member=(NotificationClosed|ActionInvoked)$/ { name = $NF; sub(/member=/, "", name); n = 0; line = name; next }
        name != "" && /^   (uint32|string) / {
            value = $2; if ($1 == "string") { value = $0; sub(/^   string "/, "", value); sub(/"$/, "", value) }
            line = line " " value; n++
            if (n == 2) { print line; name = "" }
            next
        }
        /^(method|signal|error)/ { name = "" }
    ' "$WORK/monitor.log"
}
signal_mark() { notification_signals | wc -l; }
signaled_since() { notification_signals | tail -n "+$(($1 + 1))" | grep -qE "$2"; }

opened_count() { wc -l <"$TARVOLIN_OPENED_LOG"; }
opened_exactly() {  # opened_exactly N URL: the opener was called N times, the last with URL
    [ "$(opened_count)" -eq "$1" ] && [ "$(tail -n 1 "$TARVOLIN_OPENED_LOG")" = "$2" ]
}

file_bytes_are() {  # file_bytes_are FILE PRINTF_FORMAT: the file holds exactly these bytes
    # shellcheck disable=SC2059  # the format is the expected content, escapes included
    [ -f "$1" ] && cmp -s "$1" <(printf "$2")
}

# A dunst notification on screen, clicked with the left button (do_action, close_current).
dunst_window() { xdotool search --onlyvisible --class '^Dunst$' 2>/dev/null | head -n 1; }
notification_on_screen() { [ -n "$(dunst_window)" ]; }
click_notification() {
    local window
    window=$(dunst_window)
    [ -n "$window" ] || return 1
    click_window_center "$window" 1
}

# click_window_center WINDOW BUTTON: a real pointer click (XTEST) in the window's middle.
click_window_center() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$2"
}

# --- the notifier's own windows ----------------------------------------------------------

# Visible top-level windows of the notifier titled like its dialogs.
dialog_window() {
    xdotool search --onlyvisible --name '^Tarvolin Internet Notifier$' 2>/dev/null | head -n 1
}
dialog_open() { [ -n "$(dialog_window)" ]; }
dialog_closed() { [ -z "$(dialog_window)" ]; }

# The pop-up menu: an override-redirect window of the notifier that is neither the tray
# icon nor a dialog.
menu_window() {
    local window
    for window in $(xdotool search --onlyvisible --classname '^tarvolin-notifier$' 2>/dev/null); do
        xwininfo -id "$window" 2>/dev/null | grep -q 'Override Redirect State: yes' && {
            echo "$window"
            return 0
        }
    done
    return 1
}
menu_open() { menu_window >/dev/null; }

# choose_menu_item N: with the context menu open, picks its N-th item by keyboard.
choose_menu_item() {
    wait_for 5 menu_open || return 1
    local keys=() i
    for ((i = 0; i < $1; i++)); do keys+=(Down); done
    xdotool key --delay 40 "${keys[@]}" Return
}

# answer_dialog KEY...: sends keys to the open dialog once it has appeared.
answer_dialog() {
    wait_for 5 dialog_open || return 1
    local window
    window=$(dialog_window)
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --delay 40 "$@"
}

# type_into_dialog TEXT: types into the open dialog's field and presses Return.
type_into_dialog() {
    wait_for 5 dialog_open || return 1
    local window
    window=$(dialog_window)
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool type --delay 30 "$1"
    xdotool key Return
}
