#!/usr/bin/env bash
# The main job: Kelvane on the default emulated device, with the local
# location server standing in for the web services, and gpsd reading the
# program's NMEA (over TCP) and the GPS Intermediate Driver's port as a
# navigation program would. Ends on Ctrl-C (or after DEMO_SECONDS).
#
#   KELVANE_DEMO_ROOT=DIR  run on this device root and keep it (made from the
#                          default profile when it has no device.json yet);
#                          without it, demo-device/ is made afresh each time
#   DEMO_CELLS=FILE        cells for the location server (default data/cells.csv)
#   DEMO_WIFI=FILE         access points for it (default data/wifi.csv)
#   DEMO_GPSD_PORT=N       the port gpsd serves its clients on (default 29470)
#   DEMO_SECONDS=N         stop by itself after N seconds
#   KELVANE_TIME_SCALE=N   run the device's clock N times faster
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
root=${KELVANE_DEMO_ROOT:-$source_dir/demo-device}
gpsd_port=${DEMO_GPSD_PORT:-29470}
kdevice=$build/tools/device_tool/kdevice
program_dir="$root/Program Files/Kelvane"

# The one place where the device root is made.
make_device_root() {
  if [ -n "${KELVANE_DEMO_ROOT:-}" ] && [ -f "$root/device.json" ]; then
    echo "Using the device root $root as it is"
  else
    rm -rf "$root"
    "$kdevice" create "$root" "$source_dir/data/default-device.json"
  fi
  # Installed as the platform's installer does, once; the reboot question
  # takes the profile's answer.
  [ -f "$program_dir/Quorvane.exe" ] || "$kdevice" install "$root"
}

# Sets one line of the program's config.ini, keeping the others.
set_setting() {
  local file="$program_dir/config.ini"
  touch "$file"
  sed -i "/^$1=/d" "$file"
  echo "$1=$2" >> "$file"
}

port_busy() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

pids=()
cleanup() {
  trap - INT TERM EXIT
  [ -n "${on_terminal:-}" ] && exec 1>&3
  echo
  echo "== Stopping"
  if [ -n "${program_pid:-}" ] && kill -0 "$program_pid" 2>/dev/null; then
    # Help > Log > Save To File first, then close the program as the shell does.
    rm -f "$program_dir/log.txt"
    timeout 2 bash -c "echo 'command 40009' > '$root/input'" 2>/dev/null || true
    for _ in $(seq 30); do [ -s "$program_dir/log.txt" ] && log_saved=yes && break; sleep 0.1; done
    kill -TERM "$program_pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -f "$root/registry" ]; then
    echo "Registry after exit (the program's keys are gone, the previous driver is back):"
    grep -A2 'GPS Intermediate Driver\\Drivers\]' "$root/registry" || true
    grep -c 'KelvanePorts' "$root/registry" | sed 's/^/KelvanePorts keys left: /' || true
  fi
  if [ "${log_saved:-}" = yes ]; then
    echo "Saved log: $program_dir/log.txt"
  else
    echo "No log was saved (the program had ended already)."
  fi
  echo "The program's own output and errors: $root/quorvane.out"
}

if port_busy "$gpsd_port"; then
  echo "Port $gpsd_port is taken; choose another: DEMO_GPSD_PORT=N make demo" >&2
  exit 1
fi
trap cleanup INT TERM EXIT
make_device_root

# KELVANE_LOCSERVER_ARGS adds options, such as --upstream URL for a living service.
# shellcheck disable=SC2086
"$build/tools/location_server/kelvane-locserver" --port 0 --cells "${DEMO_CELLS:-$source_dir/data/cells.csv}" \
  --wifi "${DEMO_WIFI:-$source_dir/data/wifi.csv}" --log "$root/locserver.log" ${KELVANE_LOCSERVER_ARGS:-} \
  > "$root/locserver.out" &
pids+=($!)
for _ in $(seq 50); do [ -s "$root/locserver.out" ] && break; sleep 0.1; done
server_port=$(head -n 1 "$root/locserver.out")
if [ -z "$server_port" ]; then
  echo "The location server did not start (its errors are above)." >&2
  exit 1
fi
echo "Location server on 127.0.0.1:$server_port (the device uses it as its HTTP proxy)"
set_setting ProxyIP 127.0.0.1
set_setting ProxyPort "$server_port"
set_setting Port COM5

# The phone's screen: on this terminal when there is one (and no DEMO_SECONDS),
# with gpsd's latest fix below it; otherwise headless, dumped to screen.txt.
# The web map opens in the host's browser where there is one.
note="$root/gpsd-fix.txt"
: > "$note"
if command -v xdg-open > /dev/null && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  grep -q '"shellOpensBrowser"' "$root/device.json" ||
    sed -i 's/"display": *"[a-z]*",/&\n  "shellOpensBrowser": true,/' "$root/device.json"
fi
# Maps > Wikimapia shows the location server's map page: the demo's positions
# come from its data, and the page works offline. Only the demo's own entry
# is replaced; a profile with hosts of its own keeps them.
sed -i '/^  "hosts": {"wikimapia.org": "127.0.0.1:[0-9]*"},$/d' "$root/device.json"
grep -q '"hosts"' "$root/device.json" ||
  sed -i "s/\"display\": *\"[a-z]*\",/&\n  \"hosts\": {\"wikimapia.org\": \"127.0.0.1:$server_port\"},/" "$root/device.json"
on_terminal=
if [ -t 0 ] && [ -t 1 ] && [ -z "${DEMO_SECONDS:-}" ]; then
  on_terminal=1
  sed -i 's/"display": *"none"/"display": "terminal"/' "$root/device.json"
  echo "The phone's screen follows: F2 opens the menu, arrows and Enter choose, F1 quits."
  sleep 2
  KELVANE_TERMINAL_NOTE="$note" "$kdevice" run "$root" '\Program Files\Kelvane\Quorvane.exe' \
    < /dev/tty > /dev/tty 2> "$root/quorvane.out" &
else
  # A session of its own: the terminal's Ctrl-C reaches this script, which
  # saves the log before it closes the program.
  setsid "$kdevice" run "$root" '\Program Files\Kelvane\Quorvane.exe' > "$root/quorvane.out" 2>&1 < /dev/null &
fi
program_pid=$!
# The terminal is the phone's now: the demo's own news go to a file meanwhile.
[ -n "$on_terminal" ] && exec 3>&1 1> "$root/demo.out"
for _ in $(seq 100); do [ -e "$root/dev/GPD0" ] && [ -e "$root/dev/COM5.tcp" ] && break; sleep 0.1; done
if ! kill -0 "$program_pid" 2>/dev/null; then
  echo "Quorvane did not start; the end of $root/quorvane.out:" >&2
  tail -n 5 "$root/quorvane.out" >&2
  exit 1
fi
nmea_tcp=$(cat "$root/dev/COM5.tcp" 2>/dev/null || true)

sources=("$root/dev/GPD0")
if [ -n "$nmea_tcp" ]; then sources+=("tcp://$nmea_tcp"); else sources+=("$root/dev/COM5"); fi
gpsd -N -n -b -S "$gpsd_port" "${sources[@]}" 2> "$root/gpsd.err" &
pids+=($!)
for _ in $(seq 50); do port_busy "$gpsd_port" && break; sleep 0.1; done

cat <<EOF

== Kelvane runs (pid $program_pid)
Its screen:              $root/screen.txt
Keys and menu commands:  echo 'command 40008' > $root/input   (shows the log)
Its own output, errors:  $root/quorvane.out
NMEA over TCP (COM5):    ${nmea_tcp:-not served, see quorvane.out}
Serial port COM5:        $root/dev/COM5 -> $(readlink "$root/dev/COM5" || echo none)
gpsd reads the GPS Intermediate Driver's port and the NMEA over TCP.

== gpsd serves fixes on 127.0.0.1:$gpsd_port. In another terminal:
    cgps localhost:$gpsd_port
    gpspipe -w localhost:$gpsd_port
A navigation program on this host connects to gpsd at localhost:$gpsd_port,
or reads NMEA from ${nmea_tcp:-the TCP port}.

Fixes as gpsd reports them (Ctrl-C ends the demo and saves the log):
EOF

summarise() {
  # One line per fix report: the source, the fix mode, latitude and longitude.
  sed -un 's/.*"class":"TPV","device":"\([^"]*\)".*"mode":\([0-9]\).*"lat":\([-0-9.]*\),"lon":\([-0-9.]*\).*/\1  fix mode \2  lat \3  lon \4/p' |
    sed -u "s|^$root/dev/||"
}
if [ -n "$on_terminal" ]; then
  # The fixes go below the phone's screen; the demo ends when the program does.
  gpspipe -w "localhost:$gpsd_port" | summarise > "$note" &
  pids+=($!)
  wait "$program_pid" || true
  program_pid=
  exec 1>&3
elif [ -n "${DEMO_SECONDS:-}" ]; then
  timeout "$DEMO_SECONDS" gpspipe -w "localhost:$gpsd_port" | summarise || true
else
  gpspipe -w "localhost:$gpsd_port" | summarise
fi
