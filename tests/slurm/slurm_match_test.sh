#!/usr/bin/env bash
# Starts a private single-node Slurm cluster (its own munge key and socket, ports and folders),
# plays a four-shard match on it with scripts/slurm-match and checks that the summary job merged
# the four shards into the eight games (it refuses records of different seeds, which the script
# draws once for all, and counts a game read twice once); then that failing shards fail the
# summary job. Then two sequential matches in waves: one that stops after its first wave, one
# that needs a second. That shards and waves together play the games of the whole match is
# match_process_test's.
# Usage: slurm_match_test.sh SLURM_MATCH CURLING_MATCH TEST_ENGINE. Exit status 77: skipped.
set -uo pipefail
script=$1 match=$2 engine=$3

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
for tool in mungekey munged slurmctld slurmd sbatch sinfo squeue scancel; do
  command -v "$tool" >/dev/null || skip "$tool not found; scripts/install-deps installs slurm-wlm and munge"
done
[ "$(id -u)" -eq 0 ] || skip "the private slurmd needs root"

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

B=$(mktemp -d /tmp/slurm-match-test.XXXXXX)
chmod 755 "$B"
mkdir -p "$B/munge" "$B/state" "$B/spool" "$B/log"
export SLURM_CONF=$B/slurm.conf
pid_files=() children=()

# Runs a command in the background and waits for it, so that a signal stops the test at once.
run() {
  "$@" &
  children=($!)
  wait "${children[0]}"
}

# Cancels what is still queued, stops the three daemons by the ids in their pid files and waits
# for them to exit, then removes the folder.
stop_cluster() {
  trap - EXIT INT TERM
  [ ${#children[@]} -eq 0 ] || kill -TERM "${children[@]}" 2>/dev/null
  if [ -s "$B/slurmctld.pid" ]; then
    mapfile -t jobs < <(squeue -h -o %A 2>/dev/null)
    [ ${#jobs[@]} -eq 0 ] || scancel "${jobs[@]}"
    for _ in $(seq 20); do [ -z "$(squeue -h 2>/dev/null)" ] && break; sleep 0.5; done
  fi
  pids=()
  for f in "${pid_files[@]}"; do
    for _ in $(seq 20); do [ -s "$f" ] && break; sleep 0.1; done
    [ -s "$f" ] && pids+=("$(cat "$f")")
  done
  [ ${#pids[@]} -eq 0 ] || kill -TERM "${pids[@]}" 2>/dev/null
  for p in "${pids[@]}"; do
    for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || continue 2; sleep 0.1; done
    kill -KILL "$p"
  done
  rm -rf "$B"
}
trap stop_cluster EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Two neighbouring ports on which nothing listens.
for _ in $(seq 50); do
  port=$((20000 + RANDOM % 40000))
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || (exec 3<>"/dev/tcp/127.0.0.1/$((port + 1))") 2>/dev/null || break
done
node=$(hostname -s)
cat >"$SLURM_CONF" <<CONF
ClusterName=test
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$B/munge/munge.sock
StateSaveLocation=$B/state
SlurmdSpoolDir=$B/spool
SlurmctldPidFile=$B/slurmctld.pid
SlurmdPidFile=$B/slurmd.pid
SlurmctldLogFile=$B/log/slurmctld.log
SlurmdLogFile=$B/log/slurmd.log
PlugStackConfig=$B/plugstack.conf
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
InactiveLimit=0
MinJobAge=4
SchedulerParameters=batch_sched_delay=0,sched_interval=1
KillWait=5
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
: >"$B/plugstack.conf"

start=${EPOCHREALTIME/./}
mungekey --create --keyfile="$B/munge/munge.key" || fail "mungekey"
pid_files+=("$B/munge/munged.pid")
munged --force --socket="$B/munge/munge.sock" --key-file="$B/munge/munge.key" \
  --pid-file="$B/munge/munged.pid" --log-file="$B/munge/munged.log" --seed-file="$B/munge/seed" \
  </dev/null >>"$B/log/daemons.out" 2>&1 || fail "munged did not start: $(cat "$B/munge/munged.log")"
pid_files+=("$B/slurmctld.pid")
slurmctld -c </dev/null >>"$B/log/daemons.out" 2>&1 || fail "slurmctld did not start"
pid_files+=("$B/slurmd.pid")
slurmd </dev/null >>"$B/log/daemons.out" 2>&1 || fail "slurmd did not start"
for _ in $(seq 300); do [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && break; sleep 0.1; done
[ "$(sinfo -h -o %t 2>/dev/null)" = idle ] || fail "the node is not idle: $(sinfo 2>&1; tail -5 "$B"/log/*.log)"
echo "cluster idle after $(((${EPOCHREALTIME/./} - start) / 1000)) ms"

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
