#!/usr/bin/env bash
# The main job: Kelvane on the default emulated device, with the local
# location server standing in for the web services, and gpsd reading the
# program's virtual port and the GPS Intermediate Driver's port as a
# navigation program would. Ends on Ctrl-C (or after DEMO_SECONDS).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
root=${KELVANE_DEMO_ROOT:-$source_dir/demo-device}

# A loopback port nothing listens on, for gpsd.
free_port() {
  local port
  for port in $(seq 29470 29570); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  return 1
}

pids=()
cleanup() {
  trap - INT TERM EXIT
  echo
  echo "== Stopping"
  if [ -n "${program_pid:-}" ]; then
    # Help > Log > Save To File, then close the program as the shell does.
    timeout 2 bash -c "echo 'command 40009' > '$root/input'" 2>/dev/null || true
    sleep 0.5
    kill -TERM "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null || true
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -f "$root/registry" ]; then
    echo "Registry after exit (the program's keys are gone, the previous driver is back):"
    grep -A2 'GPS Intermediate Driver\\Drivers\]' "$root/registry" || true
    grep -c 'KelvanePorts' "$root/registry" | sed 's/^/KelvanePorts keys left: /' || true
  fi
  echo "Saved log: $root/Program Files/Kelvane/log.txt"
}
trap cleanup INT TERM EXIT

rm -rf "$root"
"$build/tools/device_tool/kdevice" create "$root" "$source_dir/data/default-device.json"
# Installed as the platform's installer does; the reboot question takes the
# profile's answer.
"$build/tools/device_tool/kdevice" install "$root"

# KELVANE_LOCSERVER_ARGS adds options, such as --upstream URL for a living service.
# shellcheck disable=SC2086
"$build/tools/location_server/kelvane-locserver" --port 0 --cells "$source_dir/data/cells.csv" \
  --wifi "$source_dir/data/wifi.csv" --log "$root/locserver.log" ${KELVANE_LOCSERVER_ARGS:-} > "$root/locserver.out" &
pids+=($!)
for _ in $(seq 50); do [ -s "$root/locserver.out" ] && break; sleep 0.1; done
server_port=$(head -n 1 "$root/locserver.out")
echo "Location server on 127.0.0.1:$server_port (the device uses it as its HTTP proxy)"
printf 'ProxyIP=127.0.0.1\nProxyPort=%s\nPort=COM5\n' "$server_port" > "$root/Program Files/Kelvane/config.ini"

"$build/tools/device_tool/kdevice" run "$root" '\Program Files\Kelvane\Quorvane.exe' > "$root/quorvane.out" 2>&1 &
program_pid=$!
for _ in $(seq 100); do [ -e "$root/dev/COM5" ] && [ -e "$root/dev/GPD0" ] && break; sleep 0.1; done
echo "Quorvane runs (pid $program_pid); its screen is $root/screen.txt"
echo "Virtual port COM5: on the host at $root/dev/COM5 -> $(readlink "$root/dev/COM5")"
echo "GPS Intermediate Driver port GPD0: at $root/dev/GPD0 -> $(readlink "$root/dev/GPD0" || echo none)"
echo "Point any NMEA program at those pseudo-terminals."

gpsd_port=$(free_port)
gpsd -N -n -b -S "$gpsd_port" "$root/dev/COM5" "$root/dev/GPD0" 2> "$root/gpsd.err" &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$gpsd_port") 2>/dev/null && break; sleep 0.1; done
echo "gpsd reads both on port $gpsd_port; its fixes follow (Ctrl-C ends the demo):"
echo

summarise() {
  # One line per fix report: which port, the fix mode, latitude and longitude.
  sed -un 's/.*"class":"TPV","device":"[^"]*\/\([A-Z0-9]*\)".*"mode":\([0-9]\).*"lat":\([-0-9.]*\),"lon":\([-0-9.]*\).*/\1  fix mode \2  lat \3  lon \4/p'
}
if [ -n "${DEMO_SECONDS:-}" ]; then
  timeout "$DEMO_SECONDS" gpspipe -w "localhost:$gpsd_port" | summarise || true
else
  gpspipe -w "localhost:$gpsd_port" | summarise
fi
