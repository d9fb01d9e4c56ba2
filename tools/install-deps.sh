#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
set -euo pipefail

packages=(cmake g++ make pkg-config libjsoncpp-dev libgtest-dev libgmock-dev libbenchmark-dev
          libcpp-httplib-dev libnl-genl-3-dev libssl-dev openssl libjs-leaflet chromium gpsd gpsd-clients
          g++-mingw-w64-x86-64 libncurses-dev tmux)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

cmd="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}"
  echo "Run as root: $cmd"
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
