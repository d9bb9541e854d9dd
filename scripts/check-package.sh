#!/usr/bin/env bash
# Makes the Debian package from the build/ tree and checks it as CI does:
# the desktop entry, the AppStream metadata, the licence and addresses,
# lintian (errors fail; the
# warnings we accept are listed in packaging/lintian-accepted with reasons),
# and the program unpacked into a scratch root must start and print its version.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build
rm -f build/vistel_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/vistel_*.deb)
echo "package: $deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/vistel.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.vistel.metainfo.xml"
# The licence is said alike everywhere: MIT in LICENSE and the AppStream
# metadata, Expat (Debian's name for it) with the same text in the copyright
# file. No address points at a placeholder domain: there is no home page yet.
grep -qx 'License: Expat' "$root/usr/share/doc/vistel/copyright"
grep -q '<project_license>MIT</project_license>' "$root/usr/share/metainfo/"*.metainfo.xml
diff <(sed -n '/^Permission is hereby/,$p' LICENSE) \
  <(sed -n '/^ Permission is hereby/,/^[^ ]/p' "$root/usr/share/doc/vistel/copyright" |
    sed 's/^ //; s/^\.$//')
if dpkg-deb -f "$deb" | grep -i '^homepage:' ||
  grep -rIE 'https?://([a-z0-9-]+\.)*example\.(org|com|net)' "$root"; then
  echo "an address that points nowhere" >&2
  exit 1
fi
# The program links the system's Qt, nothing from the build tree.
version=$(env -u LD_LIBRARY_PATH "$root/usr/bin/vistel" --version)
echo "unpacked: $version"
[ "$version" = "vistel $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ]

lintian --fail-on error --suppress-tags-from-file packaging/lintian-accepted "$deb"
