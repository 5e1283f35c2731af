# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the Slurm test: starts munged, slurmctld and slurmd of a one-node cluster on
# loopback, all under $work (no systemd, no system files), and stops exactly those daemons, by
# pid, whatever happens. Sets SLURM_CONF for sbatch and friends.
#
# Needs: $work (an empty folder of this test's own). Returns 77 from start_cluster (skip) when
# a daemon is missing or does not come up, with the reason on stderr.

cluster_pids=()

stop_cluster() {
  local pid
  for pid in "${cluster_pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${cluster_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  cluster_pids=()
}

# A TCP port nobody listens on.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

start_cluster() {
  local tool
  for tool in munged slurmctld slurmd sbatch scontrol sinfo; do
    if ! command -v "$tool" >/dev/null && [[ ! -x /usr/sbin/$tool ]]; then
      echo "SKIP: $tool is not installed (scripts/install-deps.sh installs slurmctld, slurmd," \
        "slurm-client and munge)" >&2
      return 77
    fi
  done
  export PATH=$PATH:/usr/sbin
  local c=$work/cluster
  mkdir -p "$c/munge" "$c/state" "$c/spool" "$c/log"
  chmod 700 "$c" "$c/munge"
  head -c 1024 /dev/urandom >"$c/munge/munge.key"
  chmod 400 "$c/munge/munge.key"
  munged --foreground --force --key-file="$c/munge/munge.key" --socket="$c/munge/munge.sock" \
    --pid-file="$c/munge/munged.pid" --seed-file="$c/munge/seed" --log-file="$c/log/munged.log" \
    --num-threads=2 >"$c/log/munged.out" 2>&1 &
  cluster_pids+=($!)
  for _ in $(seq 50); do [[ -S $c/munge/munge.sock ]] && break; sleep 0.1; done
  if [[ ! -S $c/munge/munge.sock ]]; then
    echo "SKIP: munged did not start: $(tail -n 3 "$c/log/munged.log" 2>/dev/null)" >&2
    return 77
  fi

  local user cpus mem
  user=$(id -un)
  cpus=$(nproc)
  mem=$(($(awk '/MemTotal/ {print $2}' /proc/meminfo) / 1024 / 2))
  export SLURM_CONF=$c/slurm.conf
  cat >"$SLURM_CONF" <<CONF
ClusterName=orvtest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
AuthInfo=socket=$c/munge/munge.sock
CredType=cred/munge
StateSaveLocation=$c/state
SlurmdSpoolDir=$c/spool/%n
SlurmctldPidFile=$c/slurmctld.pid
SlurmdPidFile=$c/slurmd.pid
SlurmctldLogFile=$c/log/slurmctld.log
SlurmdLogFile=$c/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=30
InactiveLimit=0
KillWait=5
MinJobAge=300
NodeName=orvnode NodeHostname=$(hostname) NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$mem State=UNKNOWN
PartitionName=orv Nodes=orvnode Default=YES MaxTime=INFINITE State=UP
CONF
  slurmctld -D -i -f "$SLURM_CONF" >"$c/log/slurmctld.out" 2>&1 &
  cluster_pids+=($!)
  slurmd -D -N orvnode -f "$SLURM_CONF" >"$c/log/slurmd.out" 2>&1 &
  cluster_pids+=($!)
  for _ in $(seq 150); do
    if sinfo -h -N -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then return 0; fi
    sleep 0.1
  done
  echo "SKIP: the Slurm daemons did not come up:" >&2
  tail -n 5 "$c/log/slurmctld.log" "$c/log/slurmd.log" "$c"/log/*.out >&2 2>/dev/null || true
  return 77
}
