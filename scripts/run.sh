#!/usr/bin/env bash
# Sets up, creates the default database (with the demo business) next to the program when
# it is absent, starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -f build/basa.mdb ] || build/balvix --new-database build/basa.mdb --demo
exec build/balvix "$@"
