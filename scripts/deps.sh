#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if missing.
#   --gui         also what the screenshots need
#   --sanitizers  also the AddressSanitizer, UBSan and ThreadSanitizer runtimes
#   --package     also what building and checking the Debian package needs
#   --ansible     also Debian's ansible-core, for the Ansible collection and its test
set -euo pipefail
packages=(build-essential cmake qtbase5-dev libqt5serialport5-dev libqt5sql5-sqlite qttools5-dev qttools5-dev-tools qttranslations5-l10n ccache)
packages+=(lld) # the linker (ZRVU_LLD): a fraction of ld.bfd's time
# The windows' history chart (Qt Charts, SVG files); a -DZRVU_GUI=OFF build
# does without them, but the default build needs them.
packages+=(libqt5charts5-dev libqt5svg5-dev)
packages+=(python3-jsonschema) # tests/cli checks zrvu-cli --json against its schema
for arg in "$@"; do
    case "$arg" in
        --gui) packages+=(python3) ;;
        --sanitizers) packages+=(libasan8 libubsan1 libtsan2) ;;
        --package) packages+=(dpkg-dev fakeroot help2man lintian appstream) ;;
        --ansible) packages+=(ansible-core) ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
