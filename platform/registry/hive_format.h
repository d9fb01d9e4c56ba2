// The hive file: the registry as readable text, in the manner of a .reg file.
//
//   ; comment
//   [HKEY_LOCAL_MACHINE\Drivers\KelvanePorts\3]     a key (its parents exist too)
//   "Dll"="Tavrel.dll"                              REG_SZ
//   "Index"=dword:00000003                          REG_DWORD
//   "Blob"=hex:01,a0,ff                             REG_BINARY
//   @="default"                                     the key's unnamed value
//   "Path"=str(2):"%windir%"                        other string types (here REG_EXPAND_SZ)
//   "Odd"=hex(7):61,00                              any type, raw bytes
//
// Quoted text is written as UTF-8; inside quotes \\ \" \0 \n \r \t and
// \u{HEX} (any character code) are escapes. A string value holds the quoted
// characters and one terminating NUL, so a value set with padding after its
// text keeps it as \0 escapes; data that is no whole, terminated string of
// WCHARs is written as hex. A key gets a [line] of its own when it has values
// or no subkeys; the paths of keys below it imply the others.
#ifndef KELVANE_PLATFORM_REGISTRY_HIVE_FORMAT_H
#define KELVANE_PLATFORM_REGISTRY_HIVE_FORMAT_H

#include "registry/hive.h"

#include <string>

namespace kelvane {

std::string FormatHive(const Hive& hive);

// Reads hive text into `hive`. A line that does not parse is reported on
// standard error with `source` and its number, and skipped.
void ParseHive(const std::string& text, const std::string& source, Hive* hive);

}  // namespace kelvane

#endif
