#!/usr/bin/env bash
# Checks an installed Yarvelin: the layout, both programs run from where they were installed, the wizard
# shows the three samples and opens its help, and the desktop entry, the AppStream metadata and the man
# pages pass their tools.
#
#   check_installed.sh [--install-from BUILD_DIR] PREFIX PROBE VERSION APP_ID
#
# PREFIX is /usr after installing the Debian package; with --install-from, a scratch folder that
# `cmake --install BUILD_DIR` first writes afresh. PROBE is the wizard_probe library; VERSION the version
# every program and file must show.
set -euo pipefail
if [ "$1" = "--install-from" ]; then
    rm -rf "$3"
    "${CMAKE:-cmake}" --install "$2" --prefix "$3" >/dev/null
    shift 2
fi
prefix=$(realpath "$1") probe=$2 version=$3 app_id=$4
data=$prefix/share/yarvelin
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
samples=(SampleOffice.txt SampleFlowers.txt SampleElectronics.txt)

echo "-- layout under $prefix"
files=(bin/yarvelin bin/yarvelin-feed
       share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml
       share/man/man1/yarvelin.1.gz share/man/man1/yarvelin-feed.1.gz
       share/bash-completion/completions/yarvelin-feed
       share/doc/yarvelin/copyright share/doc/yarvelin/changelog.gz
       lib/systemd/user/yarvelin-feed-run@.service lib/systemd/user/yarvelin-feed-run@.timer
       lib/systemd/user/yarvelin-feed-alert@.service lib/systemd/user/yarvelin-feed-stale@.service
       lib/systemd/user/yarvelin-feed-stale@.timer)
for s in "${samples[@]}"; do files+=("share/yarvelin/Samples/$s"); done
for n in 3 4 5 6; do files+=("share/yarvelin/help/HTML/$n.htm"); done
files+=(share/yarvelin/Rules/SampleFlowers.rules.toml)
for m in woocommerce shopify magento2 prestashop generic; do files+=("share/yarvelin/Maps/$m.toml"); done
for size in 16 22 24 32 48 64 128 256; do files+=("share/icons/hicolor/${size}x$size/apps/$app_id.png"); done
for f in "${files[@]}"; do
    [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png
    [ -f "$icon" ] || continue
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$icon")
    [ "$got" = "${size}x$size" ] || fail "icon $icon is $got"
done

echo "-- yarvelin-feed"
got=$("$prefix/bin/yarvelin-feed" --version) || fail "yarvelin-feed --version failed"
[[ $got == *" $version" ]] || fail "yarvelin-feed --version printed '$got', not version $version"
if "$prefix/bin/yarvelin-feed" info "$data/Samples/SampleOffice.txt" >"$scratch/info.txt"; then
    grep -q . "$scratch/info.txt" || fail "yarvelin-feed info printed nothing"
else
    fail "yarvelin-feed info on the installed sample failed"
fi

# The installed import finds its profiles in the data folder.
printf 'Offer ID,Name,Price\nA1,Mug,"1,50"\n' >"$scratch/export.csv"
if "$prefix/bin/yarvelin-feed" import "$scratch/export.csv" "$scratch/imported.txt" 2>"$scratch/import.err"; then
    grep -q 'A1' "$scratch/imported.txt" || fail "yarvelin-feed import wrote no product"
else
    cat "$scratch/import.err" >&2
    fail "yarvelin-feed import with the installed profiles failed"
fi

echo "-- the wizard, offscreen"
mkdir -p "$scratch/home"
if ! HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_RUNTIME_DIR=$scratch QT_QPA_PLATFORM=offscreen \
    LD_PRELOAD=$probe timeout 60 "$prefix/bin/yarvelin" >"$scratch/probe.txt" 2>"$scratch/probe.err"; then
    cat "$scratch/probe.err" >&2
    fail "the wizard did not start and show its start page"
fi
expected="list: More Files..."
for s in "${samples[@]}"; do expected+=$'\n'"list: $data/Samples/$s"; done
expected+=$'\n'"help: $data/help/HTML/3.htm"$'\n'"help text: present"
if [ "$(cat "$scratch/probe.txt")" != "$expected" ]; then
    fail "the wizard showed something else than expected:"
    diff <(echo "$expected") "$scratch/probe.txt" >&2 || true
fi

echo "-- desktop entry, AppStream metadata, man pages"
desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream metadata does not name release $version"
for page in yarvelin yarvelin-feed; do
    file=$prefix/share/man/man1/$page.1.gz
    if ! MANWIDTH=80 man --warnings -l "$file" >"$scratch/$page.txt" 2>"$scratch/$page.err"; then
        fail "man -l $file failed"
    fi
    if [ -s "$scratch/$page.err" ]; then
        cat "$scratch/$page.err" >&2
        fail "man -l $file gave warnings"
    fi
    grep -q "Yarvelin $version" "$scratch/$page.txt" || fail "the $page page does not show version $version"
done
bash -c 'source "$1" && complete -p yarvelin-feed >/dev/null' sh \
    "$prefix/share/bash-completion/completions/yarvelin-feed" || fail "the bash completion does not load"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "-- installed Yarvelin $version checks out"
