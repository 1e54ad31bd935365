#!/usr/bin/env bash
# Checks the Debian package of a build tree.
#   check_package.sh contents DEB_DIR VERSION HAS_LOG BINARY_DIR APPSTREAM_ID
#       builds the programs and the package into DEB_DIR, then checks its files, owners and control fields
#   check_package.sh programs DEB_DIR VERSION HAS_LOG
#       unpacks the package into a scratch root and runs its command-line programs from there
# HAS_LOG is 1 when the tree builds km610-log. Exits 77 (skipped) where dpkg-deb is missing.
set -euo pipefail
mode=$1 deb_dir=$2 version=$3 has_log=$4
if ! command -v dpkg-deb >/dev/null; then
  echo "SKIPPED: dpkg-deb is missing, so no Debian package can be checked here"
  exit 77
fi
deb="$deb_dir/km610_${version}_$(dpkg --print-architecture).deb"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

check_contents() {
  local binary_dir=$1 appstream_id=$2
  rm -rf "$deb_dir"
  cmake --build "$binary_dir" --target km610-programs
  cpack -G DEB --config "$binary_dir/CPackConfig.cmake" -B "$deb_dir" >/dev/null
  [ -f "$deb" ] || { fail "cpack made no $deb"; return; }

  local expected=(
    usr/bin/km610 usr/bin/km610-meter-sim
    usr/lib/udev/rules.d/99-km610-usb-serial.rules
    usr/share/applications/km610.desktop
    usr/share/doc/km610/README.md usr/share/doc/km610/changelog.gz usr/share/doc/km610/copyright
    usr/share/icons/hicolor/scalable/apps/km610.svg
    usr/share/km610/km610-help.html
    usr/share/man/man1/km610.1.gz usr/share/man/man1/km610-meter-sim.1.gz
    "usr/share/metainfo/$appstream_id.metainfo.xml"
  )
  [ "$has_log" = 1 ] && expected+=(usr/bin/km610-log usr/share/man/man1/km610-log.1.gz)
  local listing files
  listing=$(dpkg-deb --contents "$deb")
  files=$(awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' <<<"$listing" | sort)
  diff <(printf '%s\n' "${expected[@]}" | sort) <(echo "$files") >/dev/null ||
    fail "files differ from the expected ones (< expected, > in the package):
$(diff <(printf '%s\n' "${expected[@]}" | sort) <(echo "$files"))"
  local wrong
  wrong=$(awk '$2 != "root/root"' <<<"$listing")
  [ -z "$wrong" ] || fail "entries not owned by root: $wrong"
  wrong=$(awk '$6 ~ /^\.\/usr\/bin\/./ && $1 != "-rwxr-xr-x"' <<<"$listing")
  [ -z "$wrong" ] || fail "programs without mode 755: $wrong"

  field() { dpkg-deb --field "$deb" "$1"; }
  [ "$(field Package)" = km610 ] || fail "Package: $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project is $version"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  # Computed from the programs' libraries, beside the two listed by hand.
  local depends
  depends=$(field Depends)
  for package in libqt6widgets6 libqt6serialport6 libudev1 libc6 qt6-qpa-plugins libqt6svg6 fonts-liberation; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
  done
  local control
  control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -tvf -)
  for script in postinst postrm; do
    grep -qE "^-rwxr-xr-x .* \./$script$" <<<"$control" || fail "no executable $script in: $control"
  done
}

check_programs() {
  [ -f "$deb" ] || { fail "no package $deb to unpack"; return; }
  local root="$deb_dir/root" output
  rm -rf "$root"
  dpkg-deb -x "$deb" "$root"
  output=$("$root/usr/bin/km610-meter-sim" --help 2>&1) || fail "km610-meter-sim --help failed: $output"
  grep -q -- "--dir" <<<"$output" || fail "km610-meter-sim --help shows no options: $output"
  if [ "$has_log" = 1 ]; then
    output=$("$root/usr/bin/km610-log" --version 2>&1) || fail "km610-log --version failed: $output"
    [ -n "$output" ] || fail "km610-log --version printed nothing"
  fi
  for page in "$root"/usr/share/man/man1/*.gz "$root"/usr/share/doc/km610/changelog.gz; do
    gzip -t "$page" || fail "$page is no sound gzip file"
  done
}

case "$mode" in
  contents) check_contents "$5" "$6" ;;
  programs) check_programs ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed for $deb"
  exit 1
fi
echo "checked $deb"
