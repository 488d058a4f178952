#!/bin/sh
# Runs a test program with TMPDIR on a file system of its own, a tmpfs of
# a few megabytes mounted in a private mount namespace, so that tests can
# fill it up without touching the machine's disks. Needs no privileges
# where user namespaces are allowed; elsewhere the test is reported as
# skipped (exit 77).
# Usage: on_small_disk.sh SIZE PROGRAM [ARGUMENTS...]
size=$1
shift
unshare -rm true 2>/dev/null || { echo "no user namespaces here: skipped"; exit 77; }
dir=$(mktemp -d) || exit 1
unshare -rm sh -c 'mount -t tmpfs -o "size=$1" tmpfs "$2" && shift 2 && TMPDIR="$0" exec "$@"' \
    "$dir" "$size" "$dir" "$@"
status=$?
rmdir "$dir"
exit $status
