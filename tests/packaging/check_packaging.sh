#!/usr/bin/env bash
# check_packaging.sh CHECK CMAKE CPACK BUILD_DIR WORK_DIR VERSION
#   installed_files: cmake --install puts every file where the desktop looks for it
#   desktop_entry:   desktop-file-validate accepts the installed menu entry
#   metainfo:        appstreamcli validate accepts the installed AppStream metainfo
#   deb:             cpack makes tavrel_VERSION_amd64.deb with the right control fields and files
# Exit 0: passed; 1: failed; 77: a tool the check needs is missing (CTest reports a skip).
set -euo pipefail
check=$1 cmake=$2 cpack=$3 build=$4 work=$5 version=$6
app_id=io.tavrel.Tavrel

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (Debian package $2)"; exit 77; }; }

# Paths below the prefix, as both a staged install and the package must hold them.
files=(
  bin/tavrel
  bin/tavrel-cli
  share/applications/tavrel.desktop
  share/icons/hicolor/64x64/apps/tavrel.png
  share/icons/hicolor/scalable/apps/tavrel.svg
  share/metainfo/$app_id.metainfo.xml
  share/man/man1/tavrel-cli.1
)

rm -rf "$work"
mkdir -p "$work"
install_to() {
  "$cmake" --install "$build" --prefix "$1" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install"; }
}

case $check in
installed_files)
  stage=$work/usr
  install_to "$stage"
  for f in "${files[@]}"; do
    [ -s "$stage/$f" ] || fail "not installed: $f"
  done
  [ -x "$stage/bin/tavrel" ] && [ -x "$stage/bin/tavrel-cli" ] || fail "the programs are not executable"
  got=$("$stage/bin/tavrel-cli" --version)
  [ "$got" = "tavrel-cli $version" ] || fail "tavrel-cli --version printed '$got', not 'tavrel-cli $version'"
  # PNG signature, then IHDR: width and height (big-endian) and colour type 6 (RGBA, for the
  # icon's transparent corners).
  header=$(od -An -tx1 -N26 "$stage/share/icons/hicolor/64x64/apps/tavrel.png" | tr -d ' \n')
  [ "$header" = "89504e470d0a1a0a0000000d4948445200000040000000400806" ] ||
    fail "the PNG icon is not a 64 x 64 RGBA PNG: $header"
  grep -q "<svg" "$stage/share/icons/hicolor/scalable/apps/tavrel.svg" || fail "the scalable icon is not SVG"
  ;;
desktop_entry)
  need desktop-file-validate desktop-file-utils
  install_to "$work/usr"
  entry=$work/usr/share/applications/tavrel.desktop
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects tavrel.desktop"
  # The program takes no arguments, so the entry must not claim to open files.
  grep -q '^Exec=tavrel$' "$entry" || fail "Exec is not the bare program"
  ! grep -q '^MimeType=' "$entry" || fail "the entry names MIME types"
  ;;
metainfo)
  need appstreamcli appstream
  install_to "$work/usr"
  metainfo=$work/usr/share/metainfo/$app_id.metainfo.xml
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
  ;;
deb)
  need dpkg-deb dpkg
  (cd "$work" && "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
  deb=$work/tavrel_${version}_amd64.deb
  [ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work")"
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = tavrel ] || fail "Package is '$(field Package)'"
  [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
  [ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  depends=$(field Depends)
  for p in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libjpeg62-turbo libpng16-16 fonts-wqy-microhei; do
    [[ ", $depends," == *", $p,"* ]] || fail "Depends lacks $p: $depends"
  done
  listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  for f in "${files[@]}"; do
    grep -qx "\./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
  done
  ;;
*)
  fail "unknown check '$check'"
  ;;
esac
echo "PASS: $check"
