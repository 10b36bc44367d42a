#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when missing.
# Quick when everything is there: it asks dpkg, not the network. Never wine32,
# which cannot run on this kernel. clang with its sanitizer and libFuzzer runtimes
# builds the fuzz targets (make fuzz, and briefly make test).
set -euo pipefail
packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
          wine wine64 xvfb xauth x11-utils googletest clang libclang-rt-14-dev)
# make bench only (tools/install-deps.sh --bench): makensis builds the peer installer.
if [ "${1:-}" = "--bench" ]; then
    packages+=(nsis)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: run as root (or install the packages above)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
