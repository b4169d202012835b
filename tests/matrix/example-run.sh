#!/usr/bin/env bash
# The C example on the simulated card (a card of its own, every relay open at
# the start), its record then judged by relaylog:
#   example-run.sh EXAMPLE RELAYLOG RECORD
set -euo pipefail
example=$1 relaylog=$2 record=$3
rm -f "$record" "$record.card"
export RELAYSIM="state=$record.card"
"$example" "$record"
"$relaylog" "$record"
