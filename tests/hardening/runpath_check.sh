#!/bin/sh
# runpath_check.sh FOLDER...: every ELF program and shared library under the
# folders has a RUNPATH and RPATH without empty entries (a doubled, leading
# or trailing ':'), which the dynamic loader would take for the current
# folder, so that a library planted there would be loaded. Prints each
# offending file with its entry. Cost: well under a second for a build.
set -eu
IFS='
'
bad=0
checked=0
for folder in "$@"; do
    files=$(find "$folder" -type f \( -name '*.so' -o -name '*.so.*' -o -perm -u+x \) \
        ! -path '*/CMakeFiles/*' ! -name '*.sh' | sort)
    for f in $files; do
        [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
        checked=$((checked + 1))
        paths=$(readelf -d "$f" 2>/dev/null |
            sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\1=\2/p')
        for entry in $paths; do
            value=${entry#*=}
            case ":$value:" in
            *::*)
                echo "empty entry in the ${entry%%=*} of $f: [$value]"
                bad=1
                ;;
            esac
        done
    done
done
[ "$checked" -gt 0 ] || { echo "no ELF files under $*"; exit 1; }
[ "$bad" -eq 0 ] || exit 1
echo "runpath: $checked ELF files, no empty entries"
