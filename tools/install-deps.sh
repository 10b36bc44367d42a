#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when missing,
# and the 32-bit Wine (wine32:i386, beside wine64) when the kernel runs 32-bit
# programs (tools/runs-32bit.sh). Quick when everything is there: it asks dpkg,
# not the network. clang with its sanitizer and libFuzzer runtimes builds the
# fuzz targets (make fuzz, and briefly make test). libssl-dev's libcrypto computes the
# packages' digests (tools/kvrdigest.cpp); osslsigncode signs the setups (make sign),
# openssl makes the signing test's throw-away key; Python's jsonschema and yaml
# check the package-manager manifest that make dist writes.
set -euo pipefail
tools=$(dirname "$(realpath "$0")")
packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
          wine wine64 xvfb xauth x11-utils googletest locales-all netpbm clang libclang-rt-14-dev
          libssl-dev openssl osslsigncode python3-jsonschema python3-yaml)
# make bench only (tools/install-deps.sh --bench): makensis builds the peer installer.
if [ "${1:-}" = "--bench" ]; then
    packages+=(nsis)
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Waits for another apt or dpkg run instead of failing on its lock.
install() {
    echo "Installing: $*"
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: run as root (or install the packages above)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$@" </dev/null
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"

# The release build is 32-bit: its tests run under the 32-bit loader. On a kernel
# without 32-bit support the test rig skips those runs and says so.
if ! installed wine32:i386 && "$tools/runs-32bit.sh"; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    install wine32:i386
fi
