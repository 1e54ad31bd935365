#!/usr/bin/env bash
# Builds the Debian package build/package/km610_<version>_<arch>.deb: the programs in Release with Debian's
# hardening flags, installed under /usr. Then checks the desktop entry, the AppStream metainfo and the
# package itself with lintian, and fails on any error they report. Install the package with
#   sudo apt install ./build/package/km610_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup" lintian appstream desktop-file-utils
dir="$root/build/package"
"$root/scripts/build.sh" "$dir" Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" -- km610-programs
rm -f "$dir"/km610_*.deb
(cd "$dir" && cpack -G DEB --config CPackConfig.cmake -B "$dir")
deb=$(ls "$dir"/km610_*.deb)

echo "== desktop-file-validate"
desktop-file-validate "$root/packaging/km610.desktop"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$dir"/packaging/*.metainfo.xml
echo "== lintian"
lintian --fail-on error "$deb"
echo "Built $deb"
