#!/usr/bin/env bash
# Installs the Debian package made by `cpack --preset package` as a user would (apt install ./velmora_*.deb),
# runs the installed velmora-convert on the bundled sample, checks that an ordinary user's settings are read
# from the XDG folder, and removes the package again. Needs root (CI runs as root).
set -euo pipefail
cd "$(dirname "$0")/.."

deb="$(ls build/package/velmora_*.deb | head -n1)"
work="$(mktemp -d)"
chmod 755 "$work"
cleanup() {
    apt-get remove -y -qq velmora >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
dpkg -L velmora | grep -qx /usr/share/applications/velmora.desktop
dpkg -L velmora | grep -qx /usr/share/metainfo/io.velmora.Velmora.metainfo.xml
echo "installed: $(/usr/bin/velmora-convert --version)"

# The installed tool converts the sample into the same bytes as the build beside the sources.
mkdir -p "$work/installed" "$work/built"
cp samples/EURUSD_1min_2009.txt "$work/installed/"
cp samples/EURUSD_1min_2009.txt "$work/built/"
(cd "$work/installed" && /usr/bin/velmora-convert EURUSD_1min_2009.txt >/dev/null)
(cd "$work/built" && "$OLDPWD/build/package/bin/velmora-convert" --settings /dev/null EURUSD_1min_2009.txt >/dev/null)
for file in EURUSD_5min_2009.txt EURUSD_1hour_2009.txt EURUSD_4hour_2009.txt EURUSD_Daily_2009.txt; do
    cmp "$work/installed/$file" "$work/built/$file"
done

# An ordinary user cannot write /usr/bin: the settings come from ~/.config/velmora/velmora.ini.
mkdir -p "$work/home/.config/velmora" "$work/user"
printf '[Form]\r\nminute=60\r\n' >"$work/home/.config/velmora/velmora.ini"
cp samples/EURUSD_1min_2009.txt "$work/user/"
chown -R nobody "$work/home" "$work/user"
(cd "$work/user" && runuser -u nobody -- env -u XDG_CONFIG_HOME HOME="$work/home" /usr/bin/velmora-convert \
    EURUSD_1min_2009.txt >/dev/null)
made="$(cd "$work/user" && ls | tr '\n' ' ')"
if [ "$made" != "EURUSD_1hour_2009.txt EURUSD_1min_2009.txt " ]; then
    echo "test-deb: the user's settings were not read; made: $made" >&2
    exit 1
fi
echo "package test passed: $deb"
