# shellcheck shell=bash disable=SC2154  # results comes from the sourcing script
# Helpers shared by the footprint scripts: reporting, waiting, medians and ratios, and what
# /proc tells about a process. Sourced, never run; `results` names the results file.

# Prints "name value" to the screen and appends it to $results.
report() {
    printf '%-58s %s\n' "$1" "$2" | tee -a "$results"
}

# Polls a command every 10 ms until it succeeds, for at most $1 seconds.
wait_until() {
    local seconds=$1
    shift
    local tries=$((seconds * 100))
    until "$@"; do
        ((tries-- > 0)) || return 1
        sleep 0.01
    done
}

# The median of the numbers on standard input, one per line.
median() {
    sort -g | awk '{ v[NR] = $1 }
        END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2];
              else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# The numbers of a file, sorted, on one line.
spread() { sort -g "$1" | tr '\n' ' ' | sed 's/ $//'; }
# A / B with two decimals, or "n/a" when B is zero.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f\n", a / b }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.2f\n", a - b }'; }
# Milliseconds from wall-clock stamp A to stamp B.
ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", (b - a) * 1000 }'; }

# Resident memory of a process in kB: total, anonymous, file-backed.
rss() {
    awk '/^VmRSS:/ { t = $2 } /^RssAnon:/ { a = $2 } /^RssFile:/ { f = $2 } END { print t, a, f }' \
        "/proc/$1/status"
}
# Proportional set size in kB: shared pages split among the processes that map them.
pss() { awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup"; }

# CPU and scheduling of a process, one line per thread: "tid run-ns voluntary involuntary"
# (run time and context switches), and a first line "ticks N" with the clock ticks of all
# its threads, ended ones included.
cpu_snapshot() {
    local task
    awk '{ print "ticks", $14 + $15 }' "/proc/$1/stat"
    for task in /proc/"$1"/task/*; do
        awk -v tid="${task##*/}" '
            FNR == NR { run = $1; next }
            /^voluntary_ctxt_switches/ { vol = $2 }
            /^nonvoluntary_ctxt_switches/ { invol = $2 }
            END { print tid, run, vol, invol }' "$task/schedstat" "$task/status" 2>/dev/null || true
    done
}
# What changed between two snapshots: "ticks run-ms voluntary involuntary threads ended",
# from threads alive at both (their differences) and threads started in between (all they
# did). Threads that ended in between take their counts with them; they are only counted.
cpu_delta() {
    awk 'FNR == NR { if ($1 == "ticks") t0 = $2; else { r[$1] = $2; v[$1] = $3; i[$1] = $4 } next }
         $1 == "ticks" { t1 = $2; next }
         { seen[$1] = 1; threads++; run += $2 - r[$1]; vol += $3 - v[$1]; invol += $4 - i[$1] }
         END { for (tid in r) if (!(tid in seen)) ended++
               printf "%d %.2f %d %d %d %d\n", t1 - t0, run / 1e6, vol, invol, threads, ended }' "$1" "$2"
}

# Resident kB per mapped file of a process, "kB name" per line, sorted by name.
rss_by_file() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]" }
         /^Rss:/ { sum[name] += $2 }
         END { for (n in sum) print sum[n], n }' "/proc/$1/smaps" | sort -k2
}
# The mappings where process B has at least 64 kB more (or less) resident than process A,
# largest first, from two rss_by_file listings. Files are compared by base name, so that
# copies of a program in different folders meet.
rss_difference() {
    join -1 2 -2 2 -a 1 -a 2 -e 0 -o 0,1.1,2.1 \
        <(awk '{ n = $2; sub(/.*\//, "", n); print $1, n }' "$1" | sort -k2) \
        <(awk '{ n = $2; sub(/.*\//, "", n); print $1, n }' "$2" | sort -k2) |
        awk '{ d = $3 - $2; if (d >= 64 || d <= -64) printf "%8d kB  %s\n", d, $1 }' |
        sort -rn | head -"${3:-15}"
}

# Measures both processes over an idle window of $3 seconds and reports CPU time and
# wake-ups (voluntary context switches), each with the ratio first / second.
idle_window() {
    local first=$1 second=$2 seconds=$3 firstName=$4 secondName=$5 snapshots
    local aTicks aCpu aVol aInvol aThreads aEnded bTicks bCpu bVol bInvol bThreads bEnded
    snapshots=$(mktemp -d)
    cpu_snapshot "$first" >"$snapshots/a0"
    cpu_snapshot "$second" >"$snapshots/b0"
    sleep "$seconds"
    cpu_snapshot "$first" >"$snapshots/a1"
    cpu_snapshot "$second" >"$snapshots/b1"
    read -r aTicks aCpu aVol aInvol aThreads aEnded <<<"$(cpu_delta "$snapshots/a0" "$snapshots/a1")"
    read -r bTicks bCpu bVol bInvol bThreads bEnded <<<"$(cpu_delta "$snapshots/b0" "$snapshots/b1")"
    rm -r "$snapshots"
    report "idle window (s)" "$seconds"
    report "  CPU time, $secondName (ms; clock ticks)" "$bCpu; $bTicks"
    report "  CPU time, $firstName (ms; clock ticks)" "$aCpu; $aTicks"
    report "  $firstName / $secondName CPU time" "$(ratio "$aCpu" "$bCpu")"
    report "  wake-ups, $secondName ($bThreads threads, $bEnded ended)" "$bVol voluntary (+$bInvol involuntary)"
    report "  wake-ups, $firstName ($aThreads threads, $aEnded ended)" "$aVol voluntary (+$aInvol involuntary)"
    report "  $firstName / $secondName wake-ups" "$(ratio "$aVol" "$bVol")"
}
