#!/usr/bin/env bash
# A full checker run (open, list, purge, save, lock) on vaults of N entries,
# timed against one bare Argon2id derivation with the same parameters
# (64 MiB, 3 passes, 4 lanes) by the Debian argon2 tool, in the same run.
#   bench/vault_open.sh [N ...]        (default: 1000 10000 100000)
# Each checker run works on a fresh copy of the vault, since it rewrites it;
# the copy is part of the timed command.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build/normal}
scripts/build normal vault-fixture compatprobe >/dev/null
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(1000 10000 100000)
derivation="sh -c 'echo -n password | argon2 0123456789abcdef0123456789abcdef -id -t 3 -m 16 -p 4 -l 32 -r'"
for n in "${counts[@]}"; do
  dir=$(mktemp -d)
  "$build/tools/vault-fixture" large "$dir/original.qolty" "$n" password
  echo "== $n entries ($(stat -c %s "$dir/original.qolty") bytes)"
  farm-bench -n 3 --timeout 900 --vs "$derivation" -- \
    sh -c "cp '$dir/original.qolty' '$dir/v.qolty' && TMPDIR='$dir' exec '$PWD/$build/src/bin/compatprobe' '$dir/v.qolty' password >/dev/null"
  rm -rf "$dir"
done
