#!/bin/sh
# deb_check.sh BUILD_DIR VERSION: makes the Debian package of the build with
# cpack into a fresh folder and checks it as apt would see it: the control
# fields, a Depends line computed from the binaries, the files a user needs
# under /usr and nothing else (no tests, benchmarks or headers), and install
# scripts that register the component servers machine-wide with the
# packaged regsvr, the reading helper with its OCR data, binaries without
# empty RUNPATH entries, a manual page that renders, a valid desktop entry,
# and lintian (Debian's own checker, when installed) without an error or a
# warning and with the hardening it looks for. Packing must not register
# anything for the user who packs.
# Cost: about half a minute, and as much again for lintian.
set -eu
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TOLVANE_COM_REGISTRY=$work/com-registry TOLVANE_COM_MACHINE_REGISTRY=$work/machine-registry
fail() { echo "deb package: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/tolvane_"$version"_*.deb 2>/dev/null) || fail "no tolvane_${version}_*.deb made"
[ ! -e "$TOLVANE_COM_REGISTRY" ] || fail "packing registered a library for the user"
[ ! -e "$TOLVANE_COM_MACHINE_REGISTRY" ] || fail "packing registered a library machine-wide"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tolvane ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
for f in Maintainer Description Section Architecture; do
    [ -n "$(field $f)" ] || fail "no $f"
done
# Depends names the packages of the libraries the binaries link, with
# versions, as dpkg-shlibdeps computes them.
depends=$(field Depends)
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
    libsqlite3-0 libpq5 libxlsxwriter4 libpoppler-qt6-3; do
    case ", $depends," in
    *", $p (>= "*) ;;
    *) fail "Depends lacks $p: $depends" ;;
    esac
done
# OCR reads with English data no library brings.
if ldd "$build/lib/tolvane/tolvane-reader" | grep -q libtesseract; then
    case ", $depends," in
    *", tesseract-ocr-eng,"*) ;;
    *) fail "Depends lacks tesseract-ocr-eng: $depends" ;;
    esac
fi

# The files: exactly what a user needs.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$work/files"
for f in usr/bin/tolvane usr/lib/tolvane/regsvr usr/lib/tolvane/tolvane-reader \
    usr/lib/tolvane/libBrellox.so usr/lib/tolvane/libBlankTest.so \
    usr/lib/tolvane/libplatform_com.so usr/lib/tolvane/libstore.so usr/lib/tolvane/libsession.so \
    usr/lib/tolvane/libmain_window.so usr/lib/tolvane/libtypes.so \
    usr/share/tolvane/VeldDef.MDB usr/share/tolvane/Veld.Hlp \
    usr/share/applications/arkelby.desktop usr/share/icons/hicolor/64x64/apps/arkelby.png \
    usr/share/man/man1/tolvane.1.gz usr/share/doc/tolvane/copyright usr/share/doc/tolvane/changelog.gz; do
    grep -qx "$f" "$work/files" || fail "missing $f"
done
extra=$(grep -Ev '^usr/bin/tolvane$|^usr/lib/tolvane/(regsvr|tolvane-reader|lib[A-Za-z_]+\.so)$|^usr/share/tolvane/(VeldDef\.MDB|Veld\.Hlp)$|^usr/share/applications/arkelby\.desktop$|^usr/share/icons/hicolor/64x64/apps/arkelby\.png$|^usr/share/man/man1/tolvane\.1\.gz$|^usr/share/doc/tolvane/(copyright|changelog\.gz)$' "$work/files" || true)
[ -z "$extra" ] || fail "files a user does not need: $extra"
grep -Eq 'test|bench|fuzz' "$work/files" && fail "test or benchmark files: $(grep -E 'test|bench|fuzz' "$work/files")"

# Every library the packaged programs and libraries need is either in the
# package or on the system (the project's own are found beside them).
dpkg-deb -x "$deb" "$work/root"
for f in "$work"/root/usr/bin/* "$work"/root/usr/lib/tolvane/*; do
    if ldd "$f" | grep -q 'not found'; then fail "$f lacks: $(ldd "$f" | grep 'not found')"; fi
done
sh "$(dirname "$0")/../hardening/runpath_check.sh" "$work/root" >"$work/runpath.log" ||
    fail "$(cat "$work/runpath.log")"
man -l "$work/root/usr/share/man/man1/tolvane.1.gz" 2>&1 >/dev/null | grep . &&
    fail "the manual page does not render cleanly"
man -l "$work/root/usr/share/man/man1/tolvane.1.gz" 2>/dev/null | grep -q -- '--backup' ||
    fail "the manual page lacks the commands"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/root/usr/share/applications/arkelby.desktop" ||
        fail "the desktop entry is not valid"
fi

# The install scripts: executable, registering every packaged server
# machine-wide on configure and unregistering it before removal.
dpkg-deb -e "$deb" "$work/control"
for s in postinst prerm postrm; do
    [ -x "$work/control/$s" ] || fail "no executable $s"
    sh -n "$work/control/$s" || fail "$s is not valid sh"
done
grep -q '/usr/lib/tolvane/regsvr -s -m "$library"' "$work/control/postinst" || fail "postinst does not register machine-wide"
grep -q '/usr/lib/tolvane/regsvr -s -m -u "$library"' "$work/control/prerm" || fail "prerm does not unregister"
grep -q '/var/lib/tolvane/com-registry' "$work/control/postrm" || fail "postrm does not clear the registry"
for lib in libBrellox.so libBlankTest.so; do
    grep -q "/usr/lib/tolvane/$lib" "$work/control/postinst" || fail "postinst does not register $lib"
done

# Debian's checker: no error or warning, and none of the hardening it
# reports at info level missing (relro, bindnow, pie). Its fortify tag is
# left out: lintian gives it to a binary whose every fortifiable call has a
# size unknown when compiled, so nothing was left to check, as to one built
# without the flag.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$work/lintian.log")"
    if grep 'hardening-' "$work/lintian.log" | grep -vq 'hardening-no-fortify-functions'; then
        fail "lintian: $(grep 'hardening-' "$work/lintian.log")"
    fi
else
    echo "deb package: lintian is not installed, not run"
fi
echo "deb package: ok ($(basename "$deb"))"
