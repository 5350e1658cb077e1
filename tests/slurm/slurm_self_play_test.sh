#!/usr/bin/env bash
# Checks scripts/slurm-self-play without a cluster: bad input is refused before anything is
# submitted, and with an sbatch stand-in on PATH the job array it submits has K tasks, each of
# which runs self_play_data on its own shard with the options given, quoting and all.
# Usage: slurm_self_play_test.sh SLURM_SELF_PLAY
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# A stand-in for self_play_data that writes its arguments, one a line, to the shard's file.
program=$work/self_play_data
cat >"$program" <<'EOF_PROGRAM'
#!/bin/bash
for ((i = 1; i <= $#; i++)); do [ "${!i}" = --out ] && j=$((i + 1)) && out=${!j}; done
printf '%s\n' "$@" >"$out"
EOF_PROGRAM
chmod +x "$program"

while read -r status args; do
  eval "set -- $args"
  "$script" --program "$program" "$@" >/dev/null 2>&1
  got=$?
  [ "$got" -eq "$status" ] || fail "slurm-self-play $args: exit status $got, expected $status"
done <<CASES
0 --help
2 --out $work/a --playouts 8
2 --tasks 0 --out $work/a --playouts 8
2 --tasks x --out $work/a --playouts 8
2 --tasks 2 --playouts 8
2 --tasks 2 --out $work/a
2 --tasks 2 --out $work/a --playouts 8 --shard 0/2
2 --tasks 2 --out $work/a --playouts
CASES

# sbatch stand-in: records its arguments and answers a job id, as --parsable does.
mkdir "$work/bin"
cat >"$work/bin/sbatch" <<EOF_SBATCH
#!/bin/bash
printf '%s\n' "\$@" >"$work/sbatch.args"
echo '42;cluster'
EOF_SBATCH
chmod +x "$work/bin/sbatch"
PATH=$work/bin:$PATH "$script" --program "$program" --tasks 3 --out "$work/run" --partition p \
  --sbatch-arg=--time=1:00:00 --playouts 8 --search=strong,uct --seed 'a b' >"$work/said" ||
  fail "slurm-self-play did not submit: $(cat "$work/said")"
grep -q '^job array 42: 3 tasks' "$work/said" || fail "no job id in: $(cat "$work/said")"
for word in --array=0-2 --partition=p --time=1:00:00 "--output=$work/run/shard-%a.log" \
  "$work/run/task.sh"; do
  grep -qxF -- "$word" "$work/sbatch.args" || fail "sbatch was not given $word"
done
for i in 0 1 2; do
  SLURM_ARRAY_TASK_ID=$i bash "$work/run/task.sh" || fail "task $i failed"
  expected=$(printf '%s\n' --shard "$i/3" --out "$work/run/shard-$i.npy" --playouts 8 --search \
    strong,uct --seed 'a b')
  [ "$(cat "$work/run/shard-$i.npy")" = "$expected" ] || fail "task $i ran: $(cat "$work/run/shard-$i.npy")"
  [ "$(cat "$work/run/shard-$i.status")" = 0 ] || fail "task $i left no status 0"
done
# The folder now holds a run: a second one into it is refused.
PATH=$work/bin:$PATH "$script" --program "$program" --tasks 1 --out "$work/run" --playouts 8 \
  >/dev/null 2>&1
[ $? -eq 2 ] || fail "a second run into a full folder was not refused"
echo "slurm-self-play: all checks passed"
