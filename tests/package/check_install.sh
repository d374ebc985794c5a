#!/usr/bin/env bash
# The installed program's first start, end to end: `cmake --install` into a temporary prefix,
# then the installed program is started as an unprivileged user (it cannot write its own
# folder) with a fresh HOME and no --db. It must create ~/.local/share/Balvix/basa.mdb with
# the demo business, show its main window, and on the next start open that file as it is.
# Exit 77 (skipped) when no unprivileged user can be had.
set -euo pipefail
BUILD=$(cd "$1" && pwd)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix
cmake --install "$BUILD" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; exit 1; }
program=$prefix/bin/balvix
home=$tmp/home
mkdir -p "$home"

if [ "$(id -u)" -eq 0 ]; then
  if command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  elif command -v runuser >/dev/null && id -nu 65534 >/dev/null 2>&1; then
    as_user=(runuser -u "$(id -nu 65534)" --)
  else
    echo "SKIP: neither setpriv nor runuser can start the program as an unprivileged user"
    exit 77
  fi
  chown 65534:65534 "$home"
else
  as_user=()
  if [ -w "$prefix/bin" ]; then
    echo "SKIP: not root, and the installed folder $prefix/bin is writable by this user"
    exit 77
  fi
fi

start() {
  # Only what the start needs, and the sanitizers' settings of a checked build.
  local keep=()
  for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    [ -z "${!name:-}" ] || keep+=("$name=${!name}")
  done
  env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "${keep[@]}" \
    "${as_user[@]}" "$program" --quit-when-shown >"$tmp/out.log" 2>"$tmp/err.log" || {
    echo "the installed program failed:"; cat "$tmp/out.log" "$tmp/err.log"; return 1; }
  cat "$tmp/out.log"
}

db=$home/.local/share/Balvix/basa.mdb
start
grep -qF "база данных $db" "$tmp/out.log" || { echo "main window not shown on $db"; exit 1; }
[ -f "$db" ] || { echo "missing $db"; exit 1; }
[ ! -e "$prefix/bin/basa.mdb" ] || { echo "a database was made beside the program"; exit 1; }
[ "$(stat -c %u "$db")" = "$(stat -c %u "$home")" ] || { echo "$db belongs to another user"; exit 1; }

count() {
  python3 - "$db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
kinds = [r[0] for r in db.execute("SELECT name FROM form_items WHERE type='Документ' ORDER BY name")]
documents = sum(db.execute('SELECT COUNT(*) FROM "items_Документ_%s"' % k).fetchone()[0] for k in kinds)
goods = db.execute('SELECT COUNT(*) FROM "items_Справочник_Товары"').fetchone()[0]
marks = db.execute("SELECT COUNT(*) FROM plan WHERE Код='проверка'").fetchone()[0]
print(",".join(kinds), documents, goods > 0, marks)
PY
}
first=$(count)
echo "first start: $first"
[ "$first" = "ЗакрытиеМесяца,ПоступлениеНаСчет,ПриходнаяНакладная,ПриходныйКассовыйОрдер,РасходнаяНакладная,РасходныйКассовыйОрдер,СписаниеСоСчета 1126 True 0" ] || { echo "not the demo: $first"; exit 1; }

# The second start opens the same file as it is: a row added meanwhile is still there.
python3 -c "import sqlite3,sys; c=sqlite3.connect(sys.argv[1]); c.execute(\"INSERT INTO plan (Код) VALUES ('проверка')\"); c.commit()" "$db"
start
second=$(count)
echo "second start: $second"
[ "$second" = "ЗакрытиеМесяца,ПоступлениеНаСчет,ПриходнаяНакладная,ПриходныйКассовыйОрдер,РасходнаяНакладная,РасходныйКассовыйОрдер,СписаниеСоСчета 1126 True 1" ] || { echo "the database was made anew: $second"; exit 1; }
echo "ok"
