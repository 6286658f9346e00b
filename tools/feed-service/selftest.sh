#!/usr/bin/env bash
# Scripted check of feed-service over real HTTP on loopback: reply form, publishing, faults,
# the request log, the admin paths and start/stop behaviour.
# Usage: selftest.sh PATH/TO/feed-service
set -u

BIN=${1:?usage: selftest.sh PATH/TO/feed-service}
WORK=$(mktemp -d)
PIDS=()
passed=0
failed=0

cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*"
}
# check NAME COMMAND...: one check, passed when the command succeeds.
check() {
    local name=$1
    shift
    if "$@"; then pass; else fail "$name"; fi
}
matches() { [[ "$1" =~ $2 ]]; }
differs() { [[ "$1" != "$2" ]]; }
spaces_only() { [[ -s "$1" && -z "$(tr -d ' ' <"$1")" ]]; }
same() {
    [[ "$1" == "$2" ]] && return 0
    printf '  expected: %q\n  got:      %q\n' "$2" "$1"
    return 1
}

# start NAME ARGS...: starts the service on a free port; sets PORT and BASE.
start() {
    local name=$1 line=""
    shift
    "$BIN" --port 0 "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" &
    PIDS+=($!)
    LAST_PID=$!
    for _ in $(seq 100); do
        line=$(head -n1 "$WORK/$name.out" 2>/dev/null)
        [[ -n "$line" ]] && break
        sleep 0.05
    done
    if [[ ! "$line" =~ ^feed-service:\ listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]]; then
        echo "FAIL: $name did not start: '$line' $(cat "$WORK/$name.err")"
        echo "$passed passed, $((failed + 1)) failed"
        exit 1
    fi
    PORT=${BASH_REMATCH[1]}
    BASE="http://127.0.0.1:$PORT"
}

# fetch PATH: GETs a path; sets CODE, TYPE and RC, leaves the body in $WORK/body.
fetch() {
    local meta
    meta=$(curl -sS -m 5 -o "$WORK/body" -w '%{http_code} %{content_type}' "$BASE$1" 2>/dev/null)
    RC=$?
    CODE=${meta%% *}
    TYPE=${meta#* }
}
body() { cat "$WORK/body"; }
line() { sed -n "${1}p" "$WORK/body"; }
admin() { curl -sS -m 5 "$@"; }

NOTIFY="/dataservices/notify?ver=1.0&msisdn=0803"
STATUS="/dataservices/status?ver=1.0&msisdn=0803"
DATE_LINE='^<lastBuildDate>(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9] GMT</lastBuildDate>$'
HEAD=$'<?xml version="1.0" encoding="utf-8"?>\n<rss version="2.0">\n<channel>\n<title>Tarvolin data services</title>'
TAIL=$'</channel>\n</rss>'
LINK='http://localhost:9090/downloads/tarvolin-setup.html?from=notice&v=2'

start main

# --- Reply form before and after a publish -----------------------------------------------
fetch "$NOTIFY"
first_date=$(line 5)
check "notify answers 200 as RSS" same "$CODE $TYPE" "200 application/rss+xml; charset=utf-8"
check "blank notice: build-date line form" matches "$first_date" "$DATE_LINE"
check "blank notice: whole body, LF line ends" same "$(body; echo x)" \
    "$HEAD"$'\n'"$first_date"$'\n<category></category>\n<link></link>\n<description><![CDATA[]]></description>\n'"$TAIL"$'\nx'

published=$(admin -d text='A new version is ready. Click to download.' -d category=Download \
    --data-urlencode "link=$LINK" "$BASE/admin/notice")
fetch "$NOTIFY"
check "publish answers with the new build-date line" same "$published" "$(line 5)"
check "publish changes the build-date line" differs "$(line 5)" "$first_date"
check "published build-date line form" matches "$(line 5)" "$DATE_LINE"
check "published notice: the four lines byte-exact" same "$(sed -n 5,8p "$WORK/body" | tail -n3)" \
    "<category>Download</category>"$'\n'"<link>$LINK</link>"$'\n'"<description><![CDATA[A new version is ready. Click to download.]]></description>"
check "published notice: whole body" same "$(body; echo x)" \
    "$HEAD"$'\n'"$published"$'\n<category>Download</category>\n'"<link>$LINK</link>"$'\n<description><![CDATA[A new version is ready. Click to download.]]></description>\n'"$TAIL"$'\nx'
fetch "$NOTIFY"
check "an unchanged notice keeps its build-date line" same "$(line 5)" "$published"

# Publishes within one second still get build-date lines of their own.
dates=$(for n in 1 2 3; do admin -d "text=burst $n" -d category=Info "$BASE/admin/notice"; done)
check "three quick publishes: three different build-date lines" \
    same "$(printf '%s\n%s\n' "$published" "$dates" | sort -u | wc -l)" "4"

# Text that could end the CDATA section early, or break the line, is made safe.
admin --data-urlencode $'text=a]]>b\nc\r\nd' "$BASE/admin/notice" >/dev/null
fetch "$NOTIFY"
check "']]>' split and line ends replaced" same "$(line 8)" \
    '<description><![CDATA[a]]]]><![CDATA[>b c  d]]></description>'

# A notice for one number only.
admin -d text=personal -d msisdn=0803 -d category=Download -d link=http://x/p "$BASE/admin/notice" >/dev/null
fetch "$NOTIFY"
check "notice for 0803 reaches 0803" same "$(line 8)" '<description><![CDATA[personal]]></description>'
fetch "/dataservices/notify?ver=1.0&msisdn=0804"
check "notice for 0803 does not reach 0804" same "$(line 8)" '<description><![CDATA[a]]]]><![CDATA[>b c  d]]></description>'
admin -d text=everyone "$BASE/admin/notice" >/dev/null
fetch "$NOTIFY"
check "a later notice for every number replaces it" same "$(line 8)" '<description><![CDATA[everyone]]></description>'

# --- Status reply ----------------------------------------------------------------------
admin -d text=status-notice -d category=Download -d link=http://x/s "$BASE/admin/notice" >/dev/null
fetch "$STATUS"
check "status: default text names the number, no build date" same "$(body; echo x)" \
    "$HEAD"$'\n<category>Download</category>\n<link>http://x/s</link>\n<description><![CDATA[Number 0803: data service active]]></description>\n'"$TAIL"$'\nx'
admin -X POST "$BASE/admin/status?text=Line%20%7Bmsisdn%7D%20suspended" >/dev/null
fetch "$STATUS"
check "status: text set by bare POST with query" same "$(line 7)" \
    '<description><![CDATA[Line 0803 suspended]]></description>'

# --- Faults on the /dataservices/ paths; the admin paths keep working --------------------
set_fault() { admin -X POST "$BASE/admin/fault?mode=$1" >/dev/null; }
set_fault empty
fetch "$NOTIFY"
check "fault empty: 200 with an empty body" same "$CODE $(stat -c %s "$WORK/body")" "200 0"
set_fault spaces
fetch "$STATUS"
check "fault spaces: 200" same "$CODE" "200"
check "fault spaces: a body of spaces only" spaces_only "$WORK/body"
set_fault 500
fetch "$NOTIFY"
check "fault 500: status 500" same "$CODE" "500"
check "fault 500: a feed all the same" matches "$(line 5)" "$DATE_LINE"
set_fault 404
fetch "$NOTIFY"
check "fault 404: status 404" same "$CODE" "404"
set_fault drop
fetch "$NOTIFY"
check "fault drop: closed without an answer" same "$RC" "52"
check "fault drop: admin still answers" same "$(admin "$BASE/admin/state" | jq -r .fault)" "drop"
set_fault stall
curl -s -m 1 -o /dev/null "$BASE$NOTIFY"
check "fault stall: no answer" same "$?" "28"
sleep 0.5
check "fault stall: a client that gave up frees its handler" grep -qxF \
    "feed-service: 127.0.0.1 GET $NOTIFY stalled, then closed" "$WORK/main.out"
curl -s -m 10 -o "$WORK/released" "$BASE$STATUS" &
released_pid=$!
sleep 0.3
check "fault stall: admin still answers" same "$(admin -m 2 "$BASE/admin/state" | jq -r .fault)" "stall"
set_fault none
wait "$released_pid"
check "fault change releases a stalled request" \
    same "$?:$(sed -n 7p "$WORK/released")" "0:<description><![CDATA[Line 0803 suspended]]></description>"
check "the released request had stalled" grep -qxF \
    "feed-service: 127.0.0.1 GET $STATUS stalled, then 200 fault=none" "$WORK/main.out"
fetch "$NOTIFY"
check "fault none: normal reply again" same "$CODE" "200"
check "unknown fault mode refused" \
    same "$(curl -s -o /dev/null -w '%{http_code}' -X POST "$BASE/admin/fault?mode=slow")" "400"

# --- Fault paths: one reply each, whatever the fault mode --------------------------------
set_fault 404
fetch "/faults/bytes/300"
check "faults/bytes: 300 bytes of the pattern" same "$CODE $(stat -c %s "$WORK/body") $(od -An -tu1 -j254 -N4 "$WORK/body" | xargs)" "200 300 254 255 0 1"
fetch "/faults/chunked/70000"
check "faults/chunked: all of it" same "$CODE $(stat -c %s "$WORK/body")" "200 70000"
check "faults/redirect: three hops" same "$(curl -s -m 5 -L -o /dev/null -w '%{http_code} %{num_redirects}' "$BASE/faults/redirect/3/faults/empty")" "200 3"
fetch "/faults/cut/10"
check "faults/cut: cut short of its length" same "$RC $(stat -c %s "$WORK/body")" "18 5"
curl -s -m 1 -o /dev/null "$BASE/faults/declared/100"
check "faults/declared: headers, then silence" same "$?" "28"
fetch "/faults/raw/garbage-status"
check "faults/raw/garbage-status: no HTTP reply" differs "$RC" "0"
check "faults/ taken as a proxy's absolute target" same "$(curl -s -m 5 -x "$BASE" -o /dev/null -w '%{size_download}' http://notices.invalid/faults/bytes/4)" "4"
check "faults/tiny-chunks: the pattern, in 1-byte chunks" same \
    "$(curl -s -m 5 --raw "$BASE/faults/tiny-chunks/3" | od -An -tx1 | xargs)" \
    "31 0d 0a 00 0d 0a 31 0d 0a 01 0d 0a 31 0d 0a 02 0d 0a 30 0d 0a 0d 0a"
check "faults/header-bytes: a header section of exactly that size" \
    same "$(curl -s -m 5 -D - -o /dev/null "$BASE/faults/header-bytes/5000" | wc -c)" "5000"
check "faults/interim: the interim reply, then the answer" same \
    "$(curl -s -m 5 -D - -o "$WORK/body" "$BASE/faults/interim/103/7" | grep -c '^HTTP/1.1') $(stat -c %s "$WORK/body")" "2 7"
check "faults/endless/chunks: goes on until the client gives up" \
    same "$(curl -s -m 1 -o /dev/null -w '%{http_code}' "$BASE/faults/endless/chunks"; echo " $?")" "200 28"
curl -s -m 3 -o /dev/null "$BASE/faults/stall" &
waiting_pid=$!
for _ in $(seq 100); do [ "$(admin "$BASE/admin/connections")" = 1 ] && break; sleep 0.02; done
check "admin/connections: counts a client that waits" same "$(admin "$BASE/admin/connections")" "1"
wait "$waiting_pid"
check "admin/connections: not a client that went" same "$(admin "$BASE/admin/connections")" "0"
fetch "/faults/bytes/nine"
check "an unknown fault path is 404" same "$CODE" "404"
set_fault none

# --- Request log ---------------------------------------------------------------------------
admin -X POST "$BASE/admin/requests/clear" >/dev/null
fetch "$NOTIFY"
fetch "/dataservices/status?ver=1.0&msisdn=%2B44+1%20"
fetch "/dataservices/notify?ver=1.0"
check "requests listed, msisdn percent-decoded" same "$(admin "$BASE/admin/requests"; echo x)" \
    $'notify msisdn=0803\nstatus msisdn=+44+1 \nnotify\nx'
admin -X POST "$BASE/admin/requests/clear" >/dev/null
check "requests cleared" same "$(admin "$BASE/admin/requests")" ""
check "one log line per request" grep -qxF \
    "feed-service: 127.0.0.1 GET $NOTIFY 200 fault=none" "$WORK/main.out"

# --- Start and stop --------------------------------------------------------------------------
timeout 5 "$BIN" --port "$PORT" --quiet >/dev/null 2>"$WORK/second.err"
check "second instance on the same port exits 2" same "$?" "2"
check "second instance says why" same "$(cat "$WORK/second.err")" \
    "feed-service: cannot listen on 127.0.0.1:$PORT: address in use"
timeout 5 "$BIN" --port nine >/dev/null 2>&1
check "bad option exits 2" same "$?" "2"

set_fault stall
curl -s -m 10 -o /dev/null "$BASE$NOTIFY" &
sleep 0.3
main_pid=$LAST_PID
kill -TERM "$main_pid"
wait "$main_pid"
check "SIGTERM stops cleanly even while a request stalls" same "$?" "0"

start preset --quiet --notice 'Preset notice' --category Download --link http://x/preset
fetch "$NOTIFY"
check "initial notice from the command line" same "$(sed -n 6,8p "$WORK/body")" \
    $'<category>Download</category>\n<link>http://x/preset</link>\n<description><![CDATA[Preset notice]]></description>'
kill -INT "$LAST_PID"
wait "$LAST_PID"
check "SIGINT stops cleanly" same "$?" "0"
check "--quiet prints only the listening line" same "$(wc -l <"$WORK/preset.out")" "1"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
