#!/bin/sh
# install_check.sh BUILD_DIR: installs the build into a fresh folder, as
# `cmake --install` does for a user, checks the layout and that the program
# resolves every library of the project from the installation, then starts
# the installed program headless in an empty folder, where it must make a
# new register. The component registry is a private file, so the user's own
# registration is not touched. Cost: a few seconds.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export TOLVANE_COM_REGISTRY=$work/com-registry XDG_CONFIG_HOME=$work/config
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

for f in bin/tolvane lib/tolvane/libstore.so lib/tolvane/libBrellox.so \
    lib/tolvane/libBlankTest.so lib/tolvane/libplatform_com.so lib/tolvane/libmain_window.so \
    lib/tolvane/libtypes.so lib/tolvane/libplatform_grid.so lib/tolvane/libplatform_settings.so \
    share/tolvane/VeldDef.MDB share/tolvane/Veld.Hlp \
    share/applications/arkelby.desktop share/icons/hicolor/64x64/apps/arkelby.png; do
    [ -f "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -qx 'Exec=tolvane' "$prefix/share/applications/arkelby.desktop"
grep -qx 'Icon=arkelby' "$prefix/share/applications/arkelby.desktop"
# Brellox is registered at its installed place.
grep -q "=$prefix/lib/tolvane/libBrellox.so" "$TOLVANE_COM_REGISTRY" || { echo "Brellox not registered"; exit 1; }

# Every library of the project comes from the installation, none is missing.
libs=$(ldd "$prefix/bin/tolvane")
if echo "$libs" | grep -q 'not found'; then echo "$libs"; exit 1; fi
for lib in libstore libmain_window libtypes libplatform_com libplatform_grid libplatform_settings; do
    echo "$libs" | grep -q "$lib.so => $prefix/\(bin/\.\./\)\?lib/tolvane/$lib.so" ||
        { echo "$lib not from the installation"; exit 1; }
done
# The libraries find each other too (each is also loaded on its own, as the
# component servers are).
for lib in "$prefix"/lib/tolvane/*.so; do
    if ldd "$lib" | grep -q 'not found'; then ldd "$lib"; exit 1; fi
done

# A first start in an empty folder makes the register from the installed template.
mkdir "$work/data"
cd "$work/data"
QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/tolvane" >/dev/null 2>&1 || [ $? -eq 124 ]
[ -s Veld.MDB ] || { echo "the installed program made no register"; exit 1; }
# Given a folder, it keeps the register there, making the folder if needed.
QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/tolvane" "$work/shared/office" >/dev/null 2>&1 || [ $? -eq 124 ]
[ -s "$work/shared/office/Veld.MDB" ] || { echo "no register in the folder named"; exit 1; }
"$prefix/bin/tolvane" --help | grep -q '^Usage: tolvane \[FOLDER | URI\]'
echo "install layout and first start: ok"
