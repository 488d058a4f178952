#!/bin/sh
# Usage: run_unprivileged.sh TEST_PROGRAM GTEST_FILTER
#
# Permissions do not bind root, so the cases about read-only files and
# folders skip when the suite runs as root (as CI does). This runs them
# once more as the unprivileged user nobody. The checkout may lie under a
# folder nobody may enter (a private home, a `mktemp -d` folder), so the
# test program and the project's own shared libraries are first copied to
# a fresh folder under /tmp that everybody may read, and run from there.
# Exits 77 (skipped, with the reason) when not run as root or when
# setpriv is missing; otherwise with the test program's status.
set -eu
program=$1
filter=$2
if [ "$(id -u)" != 0 ]; then
    echo "Skipped: not root; these cases ran as $(id -un) in the suite itself."
    exit 77
fi
if ! command -v setpriv >/dev/null 2>&1; then
    echo "Skipped: setpriv (util-linux) is missing, so the cases cannot run as nobody."
    exit 77
fi
stage=$(mktemp -d /tmp/tolvane-unprivileged.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/lib"
cp "$program" "$stage/"
# The project's libraries: everything the program loads from outside the
# system's folders.
ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | while read -r lib; do
    case "$lib" in
    /usr/* | /lib/* | /lib64/*) ;;
    *) cp "$lib" "$stage/lib/" ;;
    esac
done
chmod -R a+rX "$stage"
cd "$stage"
status=0
setpriv --reuid=65534 --regid=65534 --clear-groups \
    env LD_LIBRARY_PATH="$stage/lib" TMPDIR=/tmp HOME=/tmp \
    "$stage/$(basename "$program")" --gtest_filter="$filter" || status=$?
exit "$status"
