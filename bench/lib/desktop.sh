# shellcheck shell=bash disable=SC2154  # out comes from the sourcing script
# The private headless desktop of the footprint scripts: Xvfb on a free display, the trayer
# XEmbed tray host, and the feed service on 127.0.0.1:9090 with each log line stamped with
# the wall clock on arrival. Sourced inside a private network namespace; the caller keeps
# the started PIDs in the array `pids`, and `out` names the folder for the logs.

# Enters a private network namespace with its loopback up by running the calling script
# again inside one (root, or an unprivileged user namespace otherwise). Returns in the copy
# that runs inside; the marker variable tells the two apart.
enter_network_namespace() {
    local script=$1
    shift
    if [[ ${TARVOLIN_BENCH_NETNS:-} != 1 ]]; then
        # A mount namespace too: start_tls_front changes the trust store in here alone.
        local isolate=(unshare -nm)
        ((EUID == 0)) || isolate=(unshare -rnm)
        TARVOLIN_BENCH_NETNS=1 exec "${isolate[@]}" -- "$script" "$@"
    fi
    ip link set lo up
}

# Starts Xvfb and trayer and waits until the tray host owns the tray selection.
start_display_and_tray() {
    local probe=$1 displayFd displayNumber
    exec {displayFd}<> <(:)
    Xvfb -displayfd "$displayFd" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
    pids+=($!)
    read -r -u "$displayFd" displayNumber
    exec {displayFd}>&-
    export DISPLAY=":$displayNumber"
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        >"$out/trayer.log" 2>&1 &
    pids+=($!)
    "$probe" wait-tray --timeout 10
}

# Starts the feed service; its log, each line prefixed with the wall-clock time it arrived,
# goes to $serviceLog (perl reads the pipe in blocks; a shell loop reads it byte by byte
# and lags by milliseconds).
start_feed_service() {
    local service=$1 port=${2:-9090}
    serviceLog="$out/feed-service.log"
    "$service" --port "$port" > >(perl -MTime::HiRes=time -ne 'BEGIN { $| = 1 } printf "%.6f %s", time, $_' >"$serviceLog") 2>&1 &
    pids+=($!)
    wait_until 10 grep -qs 'listening' "$serviceLog"
}

# A TLS front on 127.0.0.1:PORT for the service on BACKEND (stunnel4), with a certificate for
# localhost signed by a CA made here; the system's trust store holds that CA alone, in this
# mount namespace only.
start_tls_front() {
    local tls=$out/tls
    mkdir -p "$tls/trust"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$tls/ca.key" -out "$tls/ca.pem" -days 2 \
        -subj "/CN=footprint CA" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -keyout "$tls/front.key" -out "$tls/front.csr" \
        -subj /CN=localhost 2>/dev/null
    openssl x509 -req -in "$tls/front.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -days 2 \
        -out "$tls/front.pem" -extfile <(echo subjectAltName=DNS:localhost) 2>/dev/null
    cp "$tls/ca.pem" "$tls/trust/" && openssl rehash "$tls/trust" && mount --bind "$tls/trust" /etc/ssl/certs
    printf 'foreground = yes\npid =\n[front]\naccept = 127.0.0.1:%s\nconnect = 127.0.0.1:%s\ncert = %s\nkey = %s\n' \
        "$1" "$2" "$tls/front.pem" "$tls/front.key" >"$tls/stunnel.conf"
    stunnel4 "$tls/stunnel.conf" >"$out/stunnel.log" 2>&1 &
    pids+=($!)
    wait_until 10 bash -c "ss -Hltn 'sport = :$1' | grep -q ."
}

# Whether a process has ended (gone, or a zombie waiting for its parent).
gone() { [[ ! -e /proc/$1 ]] || [[ $(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) == Z ]]; }
# Asks a process to end and waits up to 5 s before killing it.
stop() {
    kill -TERM "$1" 2>/dev/null || true
    wait_until 5 gone "$1" || kill -KILL "$1" 2>/dev/null || true
}

# One line describing the machine: processors, CPU model, memory.
machine() {
    echo "$(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
}
