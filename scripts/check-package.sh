#!/usr/bin/env bash
# Makes the Debian package from the build/ tree and checks it as CI does:
# the desktop entry, the AppStream metadata, lintian (errors fail; the
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
# The program links the system's Qt, nothing from the build tree.
version=$(env -u LD_LIBRARY_PATH "$root/usr/bin/vistel" --version)
echo "unpacked: $version"
[ "$version" = "vistel $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ]

lintian --fail-on error --suppress-tags-from-file packaging/lintian-accepted "$deb"
