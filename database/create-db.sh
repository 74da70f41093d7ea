#!/usr/bin/env bash
# Creates the trade database and builds its objects as PLUMO.
#   create-db.sh PATH|CONNECTION [--no-demo]
# PATH is a local file (opened with the embedded engine, owned by the caller);
# CONNECTION is host:/path on a server (PLUMO needs the CREATE DATABASE right
# there, see scripts/setup). --no-demo leaves out the demo rows.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
ISQL=${ISQL:-isql-fb}
PLUMO_PASSWORD=${PLUMO_PASSWORD:-plumo}

usage() { echo "usage: $0 PATH|CONNECTION [--no-demo]" >&2; exit 2; }

target=""
demo=1
for arg in "$@"; do
  case "$arg" in
    --no-demo) demo=0 ;;
    -*) usage ;;
    *) [ -z "$target" ] || usage; target=$arg ;;
  esac
done
[ -n "$target" ] || usage
case "$target" in *"'"*) echo "$0: a quote in the database name" >&2; exit 2 ;; esac

{
  echo "SET NAMES UTF8;"
  echo "SET SQL DIALECT 1;"
  echo "CREATE DATABASE '$target' USER 'PLUMO' PASSWORD '$PLUMO_PASSWORD' DEFAULT CHARACTER SET WIN1251;"
  echo "INPUT '$here/schema.sql';"
  if [ "$demo" = 1 ]; then echo "INPUT '$here/demo.sql';"; fi
} | "$ISQL" -q -bail -sql_dialect 1 -ch UTF8 >/dev/null
