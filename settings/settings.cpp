#include "settings/settings.h"

#include <string.h>
#include <wchar.h>

#include "settings/config_file.h"
#include "settings/message_list.h"

namespace {

// Copies src + suffix into a path buffer of MAX_PATH characters, cut to fit.
void JoinPath(WCHAR* out, const WCHAR* directory, const WCHAR* name) {
  swprintf(out, MAX_PATH, L"%ls%ls", directory, name);
}

// Sane bounds of a period: shorter spins a thread, longer never comes.
constexpr DWORD kShortestPeriod = 100;
constexpr DWORD kLongestPeriod = 24 * 60 * 60 * 1000;

// A period from config.ini within the bounds. A value written with a minus
// sign (read as a huge unsigned number) gets the default; any other value
// outside is moved to the nearer bound. Either way one warning names the key.
DWORD ReadPeriod(const ConfigFile& config, const WCHAR* key, DWORD default_value) {
  const DWORD value = config.ReadNumber(key, default_value);
  if (value >= kShortestPeriod && value <= kLongestPeriod) return value;
  const bool negative = static_cast<LONG>(value) < 0;
  const DWORD used = negative ? default_value : value < kShortestPeriod ? kShortestPeriod : kLongestPeriod;
  WCHAR line[128];
  swprintf(line, 128, L"%ls=%ld is out of range, %lu used", key, static_cast<long>(static_cast<LONG>(value)),
           static_cast<unsigned long>(used));
  DiagnosticLog().Warning(line);
  return used;
}

}  // namespace

void Settings::Load(CRITICAL_SECTION* config_lock) {
  memset(proxy_address, 0, sizeof proxy_address);
  proxy_port = 0;

  GetModuleFileNameW(nullptr, program_directory, MAX_PATH);
  if (WCHAR* last_backslash = wcsrchr(program_directory, L'\\'))
    last_backslash[1] = L'\0';
  else
    program_directory[0] = L'\0';

  JoinPath(config_path, program_directory, L"config.ini");
  JoinPath(tower_cache_path, program_directory, L"cells.dat");
  JoinPath(wifi_cache_path, program_directory, L"wifi.dat");

  WCHAR module_name[MAX_PATH];
  swprintf(module_name, MAX_PATH, L"%lstranslation.dll.%04X.mui", program_directory,
           static_cast<unsigned>(GetUserDefaultUILanguage()));
  translation = LoadLibraryW(module_name);  // none installed: the program's own texts

  const ConfigFile config(config_path, config_lock);
  WCHAR proxy[128] = {};
  if (config.ReadText(KEY_PROXY_IP, proxy))
    WideCharToMultiByte(CP_ACP, 0, proxy, -1, proxy_address, sizeof proxy_address, nullptr, nullptr);
  proxy_address[sizeof proxy_address - 1] = '\0';
  proxy_port = config.ReadNumber(KEY_PROXY_PORT, 0);
  tower_period = ReadPeriod(config, KEY_TOWER_TIMEOUT, 7000);
  output_period = ReadPeriod(config, KEY_GPS_TIMEOUT, 2000);
  sync_period = ReadPeriod(config, KEY_SYNC_TIMEOUT, 15000);
  mode = config.ReadNumber(KEY_MODE, 1);
  wifi_enabled = config.ReadNumber(KEY_WIFI_ON, 1);
}

void Settings::Save(CRITICAL_SECTION* config_lock) {
  const ConfigFile config(config_path, config_lock);
  config.WriteNumber(KEY_MODE, mode);
  config.WriteNumber(KEY_WIFI_ON, wifi_enabled);
  if (translation) FreeLibrary(translation);
  translation = nullptr;
}
