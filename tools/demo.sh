#!/usr/bin/env bash
# The main job: an emulated device made from the default profile, with
# everything of Kelvane that exists so far running on it.
set -euo pipefail
build=${1:-build}
root=${KELVANE_DEMO_ROOT:-$PWD/demo-device}

rm -rf "$root"
"$build/tools/device_tool/kdevice" create "$root" data/default-device.json
echo
echo "The device layer is in place; the program itself does not exist yet."
echo "Device root: $root (registry, \\windows, \\Program Files\\Kelvane, device.json)"
ls -la "$root"
