#!/bin/sh
# Usage: smoke.sh (with TOLVANE_TEST_PG set to a server's maintenance URI)
#
# Checks that the server named by TOLVANE_TEST_PG answers a query in UTF8
# and that its user may create a database, work in it and drop it again.
# Exits 77 (skipped) when the variable is empty, as on a plain `ctest`
# without a server.
set -eu
uri=${TOLVANE_TEST_PG:-}
if [ -z "$uri" ]; then
    echo "Skipped: TOLVANE_TEST_PG is not set (scripts/test sets it)."
    exit 77
fi
export PGCLIENTENCODING=UTF8
sql() { psql -X -q -v ON_ERROR_STOP=1 -tA "$@"; }
expect() {
    if [ "$2" != "$3" ]; then
        echo "FAILED: $1: got '$2', expected '$3'"
        exit 1
    fi
}
expect "select 1 in UTF8" "$(sql "$uri" -c "select 1, current_setting('server_encoding')")" "1|UTF8"

name=tolvane_smoke_$$
sql "$uri" -c "create database $name"
# \c moves to the new database on the same server as the same user. The
# register's filters ignore letter case beyond ASCII, which needs a UTF-8
# character type in the new database too.
expect "a table in the new database, matched case-blind" \
    "$(sql "$uri" -c "\\c $name" -c "create table t (x text)" \
        -c "insert into t values ('Émile')" -c "select count(*) from t where x ilike 'éMILE'")" "1"
sql "$uri" -c "drop database $name"
expect "the database is gone" \
    "$(sql "$uri" -c "select count(*) from pg_database where datname = '$name'")" "0"
echo "The server at $uri answers, and made and dropped $name."
