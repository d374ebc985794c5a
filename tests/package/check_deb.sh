#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks that it holds the program,
# its desktop entry, its icon and the Russian translations.
set -euo pipefail
BUILD=$1
cd "$BUILD"
rm -f balvix_*_amd64.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
deb=$(ls balvix_*_amd64.deb)
echo "built $deb"
contents=$(dpkg-deb -c "$deb")
status=0
for path in ./usr/bin/balvix ./usr/share/applications/balvix.desktop \
            ./usr/share/icons/hicolor/scalable/apps/balvix.svg ./usr/share/balvix/translations/qtbase_ru.qm; do
  if grep -q " $path\$" <<<"$contents"; then echo "ok $path"; else echo "missing $path"; status=1; fi
done
dpkg-deb -f "$deb" Package Version Architecture Depends
exit $status
