# Reads Google Benchmark's JSON output of scanner_bench and prints the scanner's figures:
# characters per second and time per character for each reply, time per character against
# the 64 KB reply (the target is constant within 15 % up to 64 MB), the memory floor, and
# how much slower the literal line-copying scanner is at the sizes where it still finishes.
# Takes the medians when the run had repetitions, the single runs otherwise.

def rows:
  [.benchmarks[]
   | select(.error_occurred | not)
   | select((.run_type == "aggregate" and .aggregate_name == "median") or .run_type == "iteration")
   | {name: (.run_name // .name | sub("_median$"; "")), kind: .run_type,
      cps: .chars_per_s, tpc: (.time_per_char * 1e9)}]
  | (if any(.[]; .kind == "aggregate") then map(select(.kind == "aggregate")) else . end)
  | map({key: .name, value: .}) | from_entries;

def fmt(x): (x * 100 | round / 100 | tostring);
def mcps(x): ((x / 1e6) | round | tostring) + " M chars/s";

rows as $r
| ["1K", "64K", "1M", "16M", "64M"] as $sizes
| ["one_huge_line", "only_lf", "every_line_a_tag", "near_miss_tags"] as $shapes
| [
    "scanner, realistic replies (target >= 500 M chars/s; time per char within 15 % of 64K up to 64M):",
    ($sizes[] as $s | $r["scan/realistic/" + $s] // empty | . as $x
      | "  scan/realistic/\($s): \(mcps($x.cps)), \(fmt($x.tpc)) ns/char"
        + (if $r["scan/realistic/64K"] then ", x\(fmt($x.tpc / $r["scan/realistic/64K"].tpc)) of 64K" else "" end)
        + (if $r["floor/read/" + $s] then ", \(fmt($x.tpc / $r["floor/read/" + $s].tpc)) x the read floor (\(fmt($r["floor/read/" + $s].tpc)) ns/char)" else "" end)),
    "scanner, pathological shapes:",
    ($shapes[] as $shape | $sizes[] as $s | "scan/\($shape)/\($s)" as $n | $r[$n] // empty | . as $x
      | "  \($n): \(mcps($x.cps)), \(fmt($x.tpc)) ns/char"
        + (if $r["scan/\($shape)/64K"] then ", x\(fmt($x.tpc / $r["scan/\($shape)/64K"].tpc)) of 64K" else "" end)),
    "literal line-copying scanner (the same item; its time grows with lines x size):",
    ((["realistic"] + $shapes)[] as $shape | $sizes[] as $s | "literal/\($shape)/\($s)" as $n
      | $r[$n] // empty | . as $x
      | "scan/\($shape)/\($s)" as $m
      | "  \($n): \(mcps($x.cps)), \(fmt($x.tpc)) ns/char"
        + (if $r[$m] then ", \(fmt($x.tpc / $r[$m].tpc)) x the one-pass scanner" else "" end))
  ]
| .[]
