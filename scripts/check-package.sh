#!/usr/bin/env bash
# Builds the Debian package (a release build of the two programs), checks it with lintian, installs it
# with dpkg, checks the installed program, and removes the package again, so the machine is as before.
# Needs root or sudo for dpkg. Run by scripts/test.sh; can also run alone after scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=$(nproc 2>/dev/null || echo 2)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

if dpkg-query -W -f='${Status}' yarvelin 2>/dev/null | grep -q "install ok installed"; then
    echo "The yarvelin package is already installed; remove it first (sudo apt-get remove yarvelin)." >&2
    exit 1
fi

echo "-- the Debian package"
# YARVELIN_PACKAGE_CMAKE_ARGS: more configure options (the test script makes warnings errors here too, so
# that this build shares the compiler cache with the release build it made before).
cmake --preset package ${YARVELIN_PACKAGE_CMAKE_ARGS:-} >/dev/null
cmake --build --preset package -j "$JOBS"
rm -f build/package/yarvelin_*.deb build/package/yarvelin-*.tar.gz
cpack --preset package >build/package/cpack.log 2>&1 || { cat build/package/cpack.log; exit 1; }
deb=$(ls build/package/yarvelin_*.deb)
tarball=$(ls build/package/yarvelin-*-Linux.tar.gz)
echo "built $deb and $tarball"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

# Lintian: errors fail the check; warnings are shown.
lintian --tag-display-limit 0 "$deb" | tee build/package/lintian.txt
if grep -q '^E: ' build/package/lintian.txt; then
    echo "lintian found errors" >&2
    exit 1
fi

# The probe that reads the running wizard's start page comes from the test build.
cmake --preset debug >/dev/null
cmake --build --preset debug --target wizard_probe >/dev/null
probe=$(find build/debug/tests -name 'libwizard_probe.so' | head -n 1)

version=$(dpkg-deb -f "$deb" Version)
app_id=$(sed -n 's/^set(YARVELIN_APP_ID \(.*\))$/\1/p' CMakeLists.txt)
remove() { $SUDO dpkg --purge yarvelin >/dev/null; }
trap remove EXIT
$SUDO dpkg -i "$deb"
bash tests/install/check_installed.sh /usr "$probe" "$version" "$app_id"
# The systemd user units, as an instance of each, checked by systemd itself against the installed program.
units=$(mktemp -d)
for unit in run@.service run@.timer alert@.service stale@.service stale@.timer; do
    cp "/usr/lib/systemd/user/yarvelin-feed-$unit" "$units/yarvelin-feed-${unit/@/@nightly}"
done
# verify only warns about a setting it cannot read: any word from it is a failure here.
verified=$(systemd-analyze verify "$units"/* 2>&1) || true
rm -r "$units"
if [ -n "$verified" ]; then
    echo "$verified" >&2
    exit 1
fi
echo "-- the systemd units verify"
remove
trap - EXIT
if dpkg-query -W -f='${Status}' yarvelin 2>/dev/null | grep -q "ok installed"; then
    echo "yarvelin is still installed" >&2
    exit 1
fi
echo "-- the package installs, works and goes again"
