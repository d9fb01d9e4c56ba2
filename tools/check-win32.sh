#!/usr/bin/env bash
# Compiles every source of the system's folders with the MinGW-w64 cross
# compiler against the real Windows headers (syntax only, warnings as
# errors), so that code which builds only on our device layer shows at once.
# Our platform/include copies stand in only for the headers desktop Windows
# lacks (the Windows CE ones: ril.h, connmgr.h, simmgr.h, ...).
#
# A few sources call Windows CE functions that desktop Windows does not have,
# or whose signature differs there; they are listed below with what may fail,
# and may fail on that and nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."

CXX=${MINGW_CXX:-x86_64-w64-mingw32-g++}
command -v "$CXX" >/dev/null || { echo "check-win32: $CXX not found (Debian: g++-mingw-w64-x86-64)"; exit 1; }

declare -A CE_ONLY=(
  [cell/ril_cell_source.cpp]="GetProcAddressW"
  # ReadProcessMemory counts bytes in a DWORD on Windows CE, a SIZE_T on 64-bit Windows.
  [cell/mem_cell_source.cpp]="to .SIZE_T\*"
  [cell/mem_table_scan.cpp]="to .SIZE_T\*"
  [core/startup.cpp]="SPI_GETOEMINFO"
  [output/gps_output.cpp]="DeactivateDevice"
  [output/virtual_port.cpp]="ActivateDevice|DeactivateDevice"
  [wifi/wifi_radio.cpp]="GetProcAddressW"
  [settings/config_file.cpp]="DeleteAndRenameFile"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/include"
for header in platform/include/*.h; do
  name=$(basename "$header")
  echo "#include <$name>" | "$CXX" -x c++ -E - >/dev/null 2>&1 || ln -s "$PWD/$header" "$work/include/$name"
done
ln -s /usr/include/jsoncpp/json "$work/include/json"

# Our CE-only headers take these from our windows.h; the real one lacks them.
cat >"$work/include/check_win32_prelude.h" <<'PRELUDE'
#define KELVANE_BEGIN_DECLS extern "C" {
#define KELVANE_END_DECLS }
#define KELVANE_EXTERN_C extern "C"
PRELUDE

export CXX WORK="$work"
export FLAGS="-std=c++17 -fsyntax-only -Wall -Werror -DUNICODE -D_UNICODE -I. -I$work/include -include check_win32_prelude.h"
mapfile -t sources < <(find core cell lookup wifi output driver ui settings setup -name '*.cpp' 2>/dev/null | sort)
# The program is built for touch-screen (PSPC) and keypad (WFSP) devices; the
# window's sources differ between the two, so they are checked once for each.
families=(PSPC WFSP)
checks=()
for source in "${sources[@]}"; do
  case "$source" in
    ui/*) for family in "${families[@]}"; do checks+=("$family $source"); done ;;
    *) checks+=("PSPC $source") ;;
  esac
done
result() { echo "$work/$1_$(echo "$2" | tr / _).$3"; }
# shellcheck disable=SC2016  # expanded by the inner shell
printf '%s\n' "${checks[@]}" | xargs -P "$(nproc)" -L 1 sh -c \
  'out="$WORK/$1_$(echo "$2" | tr / _)"; $CXX $FLAGS -DWIN32_PLATFORM_$1 "$2" >"$out.log" 2>&1; echo $? >"$out.rc"' sh

failed=0
for check in "${checks[@]}"; do
  read -r family source <<<"$check"
  log=$(result "$family" "$source" log)
  rc=$(cat "$(result "$family" "$source" rc)")
  allowed=${CE_ONLY[$source]:-}
  if [ "$rc" -eq 0 ]; then
    [ -z "$allowed" ] && continue
    echo "check-win32: $source now compiles ($family): remove it from the Windows CE list"
    failed=1
  elif [ -z "$allowed" ] || grep -E '(error|warning):' "$log" | grep -vqE "$allowed"; then
    echo "check-win32: $source does not compile for Windows ($family):"
    grep -E '(error|warning):' "$log" | head -5
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "check-win32: ${#sources[@]} sources checked (${#checks[@]} compilations)"
exit "$failed"
