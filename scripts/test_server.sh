#!/usr/bin/env bash
# Runs the database-facing suites a second time, against a throwaway PostgreSQL cluster in a
# temporary folder: started as an unprivileged user, reachable only by its Unix socket there (no
# TCP), and stopped and removed whatever happens. Each test makes a database of its own on it.
# Usage: scripts/test_server.sh [BUILD_DIR] [SUITE...]   (suites: test executables in tests/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
suites=("$@")
[ ${#suites[@]} -eq 0 ] && suites=(storage_tests)
bin=/usr/lib/postgresql/15/bin
dir=$(mktemp -d /tmp/balvix-pg.XXXXXX)
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
cleanup() {
  as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
[ "$(id -u)" -eq 0 ] && chown postgres "$dir"
as_owner "$bin/initdb" --no-sync -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
  --auth=trust >/dev/null
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o \
  "-c listen_addresses='' -c unix_socket_directories=$dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
  start >/dev/null
export BALVIX_TEST_DATABASE="postgresql:///postgres?host=$dir&user=postgres"
export QT_QPA_PLATFORM=offscreen
status=0
for suite in "${suites[@]}"; do
  echo "== $suite on the server"
  "$build/tests/$suite" --gtest_brief=1 || status=1
done
exit $status
