#!/usr/bin/env bash
# Checks that scripts/slurm-match refuses bad input, then, on a private single-node Slurm
# cluster (scripts/slurm-test-cluster), plays a four-shard match with it and checks that the
# summary job merged the four shards into the eight games (it refuses records of different seeds, which the script
# draws once for all, and counts a game read twice once); then that failing shards fail the
# summary job. Then two sequential matches in waves: one that stops after its first wave, one
# that needs a second. That shards and waves together play the games of the whole match is
# match_process_test's.
# Usage: slurm_match_test.sh SLURM_MATCH CURLING_MATCH TEST_ENGINE. Exit status 77: skipped.
set -uo pipefail
script=$1 match=$2 engine=$3

fail() { echo "FAIL: $*"; exit 1; }

if [ -z "${SLURM_TEST_CLUSTER:-}" ]; then
  # Bad input is refused before anything is submitted.
  while read -r args; do
    eval "set -- $args"
    "$script" --match "$match" "$@" >/dev/null 2>&1
    status=$?
    [ "$status" -eq 2 ] || fail "slurm-match $args: exit status $status, expected 2"
  done <<'CASES'
--games 2 engine engine
--shards 0 engine engine
--shards 2 engine
--shards 2 --record r.jsonl engine engine
--shards 2 --games 40 --sprt 0,400 --wave-games 9 engine engine
--shards 2 --games 40 --sprt 0,400,0.05 engine engine
--shards 2 --games 39 --sprt 0,400 engine engine
CASES
  # The rest runs again on a private cluster (skipped, 77, without root or the Slurm packages).
  exec "$(dirname "$script")/slurm-test-cluster" bash "$0" "$script" "$match" "$engine"
fi
B=$SLURM_TEST_CLUSTER
children=()
# Runs a command in the background and waits for it, so that a signal stops the test at once.
run() {
  "$@" &
  children=($!)
  wait "${children[0]}"
}
trap '[ ${#children[@]} -eq 0 ] || kill -TERM "${children[@]}" 2>/dev/null' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The quotes in ENGINE_B must reach /bin/sh -c unchanged on the node as here.
engine_b="$engine --mode 'draw'"
start=${EPOCHREALTIME/./}
run timeout 40 "$script" --shards 4 --out "$B/out" --match "$match" --wait --games 8 --ends 2 "$engine" "$engine_b" \
  || fail "the sharded match failed: $(cat "$B"/out/*.log)"
echo "four-shard match on the cluster: $(((${EPOCHREALTIME/./} - start) / 1000)) ms"

grep -q '^  "games": 8,$' "$B/out/summary.json" || fail "summary.json does not count the 8 games"
[ -s "$B/out/pictures/index.html" ] || fail "no pictures/index.html"

# Shards that fail (ends out of range) fail the summary job, and with it --wait.
run timeout 40 "$script" --shards 2 --out "$B/bad" --match "$match" --wait --ends 11 "$engine" "$engine" >/dev/null 2>&1 \
  && fail "slurm-match --wait succeeded although every shard failed"
grep -q "shard 1 failed" "$B/bad/summary.log" || fail "summary.log does not name the failed shard"
# In waves of 20 games on one shard, B forfeits every game (its process exits at GO), so A wins
# every pair and --sprt 0,400 accepts H1 at the 10th pair, after the first wave. In waves of 10 on
# two shards, B's draws to a corner never score, so A makes about 7.5 points an end and
# --sprt-points 0,5 accepts H1 at the 10th pair, after the second wave (the first said go on). The
# two matches run at once.
matches=("20 1 1 --sprt=0,400 exit" "10 2 2 --sprt-points=0,5 short")  # wave, shards, last wave
start=${EPOCHREALTIME/./}
children=()
for m in "${matches[@]}"; do
  read -r size shards _ test mode <<<"$m"
  timeout 40 "$script" --shards "$shards" --wave-games "$size" "$test" --out "$B/sprt-$size" \
    --match "$match" --wait --games 40 --ends 1 "$engine" "$engine --mode $mode" >/dev/null 2>&1 &
  children+=($!)
done
for c in "${children[@]}"; do wait "$c" || fail "a match in waves failed: $(cat "$B"/sprt-*/*.log)"; done
echo "two matches in waves on the cluster: $(((${EPOCHREALTIME/./} - start) / 1000)) ms"
for m in "${matches[@]}"; do
  read -r size shards last _ <<<"$m"
  dir=$B/sprt-$size
  grep -q '^  "games": 20,$' "$dir/summary.json" || fail "waves of $size: summary.json does not count 20 games"
  grep -q '"verdict": "accept H1"' "$dir/summary.json" || fail "waves of $size: no accept H1 in summary.json"
  [ -e "$dir/wave-$last-shard-$((shards - 1)).jsonl" ] && [ ! -e "$dir/wave-$((last + 1))-shard-0.jsonl" ] \
    || fail "waves of $size: not stopped after wave $last: $(ls "$dir")"
  [ "$(grep -c 'go on$' "$dir/summary.log")" -eq $((last - 1)) ] \
    || fail "waves of $size: summary.log: $(cat "$dir/summary.log")"
done
echo "PASS"
