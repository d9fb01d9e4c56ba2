// The hive file's text form.
#include "registry/hive_format.h"

#include "internal/device_root.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace kelvane {
namespace {

constexpr const char kBanner[] =
    "; Device registry. [key] lines name keys; the lines below one are its values:\n"
    "; \"text\" (REG_SZ), dword:0000000a, hex:01,02 (REG_BINARY), str(N):\"text\" and hex(N):01,02 (type N).\n";

bool IsPlainCharacter(uint32_t cp) {
  return cp >= 0x20 && cp != 0x7F && (cp < 0xD800 || cp > 0xDFFF) && cp <= 0x10FFFF;
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += "\\\\"; break;
      case L'"': out += "\\\""; break;
      case L'\0': out += "\\0"; break;
      case L'\n': out += "\\n"; break;
      case L'\r': out += "\\r"; break;
      case L'\t': out += "\\t"; break;
      default:
        if (IsPlainCharacter(static_cast<uint32_t>(c))) {
          out += Narrow(std::wstring(1, c));
        } else {
          char escape[16];
          std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(static_cast<uint32_t>(c)));
          out += escape;
        }
    }
  }
  return out + "\"";
}

std::string HexBytes(const std::vector<BYTE>& data) {
  std::string out;
  char byte[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
    out += byte;
  }
  return out;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string FormatValue(const RegistryValue& value) {
  std::string line = value.name.empty() ? "@=" : Quote(value.name) + "=";
  char prefix[32];
  const size_t characters = value.data.size() / sizeof(WCHAR);
  if (IsStringType(value.type) && characters > 0 && value.data.size() % sizeof(WCHAR) == 0) {
    std::wstring text(characters, L'\0');
    std::memcpy(&text[0], value.data.data(), value.data.size());
    if (text.back() == L'\0') {
      text.pop_back();
      if (value.type != REG_SZ) {
        std::snprintf(prefix, sizeof prefix, "str(%x):", static_cast<unsigned>(value.type));
        line += prefix;
      }
      return line + Quote(text);
    }
  }
  if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
    const DWORD number = static_cast<DWORD>(value.data[0]) | static_cast<DWORD>(value.data[1]) << 8 |
                         static_cast<DWORD>(value.data[2]) << 16 | static_cast<DWORD>(value.data[3]) << 24;
    std::snprintf(prefix, sizeof prefix, "dword:%08x", static_cast<unsigned>(number));
    return line + prefix;
  }
  if (value.type == REG_BINARY) return line + "hex:" + HexBytes(value.data);
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
  return line + prefix + HexBytes(value.data);
}

// A key gets its own line when it has values or nothing below it; the paths
// of its subkeys imply it otherwise.
void FormatKey(const RegistryKey& key, bool is_root, std::string* out) {
  if (!key.values().empty() || (!is_root && key.subkeys().empty())) {
    *out += "\n[" + Narrow(key.path()) + "]\n";
    for (const RegistryValue& value : key.values()) *out += FormatValue(value) + "\n";
  }
  for (const auto& entry : key.subkeys()) FormatKey(*entry.second, false, out);
}

// One line of the file, read left to right. Each Parse* call either consumes
// what it recognised and returns true, or sets the reason and returns false.
class LineReader {
 public:
  explicit LineReader(const std::string& line) : line_(line) {}
  const char* reason() const { return reason_; }

  bool Take(const char* literal) {
    const size_t length = std::strlen(literal);
    if (line_.compare(pos_, length, literal) != 0) return false;
    pos_ += length;
    return true;
  }
  bool AtEnd() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    return pos_ == line_.size() || Fail("unexpected text after the value");
  }

  bool ParseQuoted(std::wstring* out) {
    out->clear();
    if (!Take("\"")) return Fail("a quoted text was expected");
    std::string run;  // UTF-8 bytes since the last escape
    while (pos_ < line_.size()) {
      const char c = line_[pos_++];
      if (c != '"' && c != '\\') {
        run += c;
        continue;
      }
      *out += Widen(run);
      run.clear();
      if (c == '"') return true;
      if (pos_ == line_.size()) break;
      const char escape = line_[pos_++];
      switch (escape) {
        case '\\': *out += L'\\'; break;
        case '"': *out += L'"'; break;
        case '0': *out += L'\0'; break;
        case 'n': *out += L'\n'; break;
        case 'r': *out += L'\r'; break;
        case 't': *out += L'\t'; break;
        case 'u': {
          uint32_t code = 0;
          if (!Take("{") || !ParseHex(8, &code) || !Take("}")) return Fail("a \\u{HEX} escape is malformed");
          *out += static_cast<wchar_t>(code);
          break;
        }
        default: return Fail("unknown escape in a quoted text");
      }
    }
    return Fail("a quoted text is not closed");
  }

  // 1 to max_digits hexadecimal digits.
  bool ParseHex(size_t max_digits, uint32_t* out) {
    *out = 0;
    size_t digits = 0;
    while (pos_ < line_.size() && digits < max_digits && std::isxdigit(static_cast<unsigned char>(line_[pos_]))) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line_[pos_++])));
      *out = (*out << 4) | static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
      ++digits;
    }
    return digits > 0 || Fail("hexadecimal digits were expected");
  }

  bool ParseType(DWORD* type) {
    uint32_t number = 0;
    if (!ParseHex(8, &number) || !Take("):")) return Fail("a type \"(N):\" was expected");
    *type = number;
    return true;
  }

  bool ParseBytes(std::vector<BYTE>* out) {
    out->clear();
    if (pos_ == line_.size()) return true;
    do {
      uint32_t byte = 0;
      if (!ParseHex(2, &byte)) return false;
      out->push_back(static_cast<BYTE>(byte));
    } while (Take(","));
    return true;
  }

  bool ParseValueName(std::wstring* name) {
    if (Take("@")) {
      name->clear();
      return true;
    }
    return ParseQuoted(name);
  }

  bool ParseData(RegistryValue* value) {
    if (line_.compare(pos_, 1, "\"") == 0 || Take("str(")) {
      value->type = REG_SZ;
      if (line_[pos_] != '"' && !ParseType(&value->type)) return false;
      std::wstring text;
      if (!ParseQuoted(&text)) return false;
      value->data.resize((text.size() + 1) * sizeof(WCHAR));
      std::memcpy(value->data.data(), text.c_str(), value->data.size());
      return true;
    }
    if (Take("dword:")) {
      uint32_t number = 0;
      if (!ParseHex(8, &number)) return false;
      value->type = REG_DWORD;
      value->data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                     static_cast<BYTE>(number >> 24)};
      return true;
    }
    if (Take("hex:")) {
      value->type = REG_BINARY;
      return ParseBytes(&value->data);
    }
    if (Take("hex(")) return ParseType(&value->type) && ParseBytes(&value->data);
    return Fail("a value was expected after '='");
  }

 private:
  bool Fail(const char* reason) {
    reason_ = reason;
    return false;
  }

  const std::string& line_;
  size_t pos_ = 0;
  const char* reason_ = "";
};

// "[ROOT\A\B]": the key, made with its parents; null with the reason when malformed.
std::shared_ptr<RegistryKey> ParseKeyLine(const std::string& line, Hive* hive, const char** reason) {
  const size_t close = line.find_last_of(']');
  if (close == std::string::npos || line.find_first_not_of(" \t", close + 1) != std::string::npos) {
    *reason = "a key line must end with ']'";
    return nullptr;
  }
  const std::wstring path = Widen(line.substr(1, close - 1));
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t end; (end = path.find(L'\\', start)) != std::wstring::npos; start = end + 1)
    parts.push_back(path.substr(start, end - start));
  parts.push_back(path.substr(start));
  std::shared_ptr<RegistryKey> key = hive->RootNamed(parts[0]);
  if (!key) {
    *reason = "a key path must begin with a root key's name";
    return nullptr;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!IsValidKeyName(parts[i])) {
      *reason = "a key name is empty, too long or holds a character a key name may not";
      return nullptr;
    }
    key = key->AddSubkey(parts[i]);
  }
  return key;
}

}  // namespace

std::string FormatHive(const Hive& hive) {
  std::string out = kBanner;
  for (size_t i = 0; i < Hive::kRootCount; ++i) FormatKey(*hive.root(i), true, &out);
  return out;
}

void ParseHive(const std::string& text, const std::string& source, Hive* hive) {
  std::istringstream lines(text);
  std::string line;
  std::shared_ptr<RegistryKey> key;
  bool key_line_skipped = false;
  for (size_t number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == ';') continue;
    line.erase(0, first);
    const char* reason = nullptr;
    if (line[0] == '[') {
      key = ParseKeyLine(line, hive, &reason);
      key_line_skipped = key == nullptr;
    } else if (!key) {
      reason = key_line_skipped ? "its key line was skipped" : "a value comes before any [key] line";
    } else {
      LineReader reader(line);
      RegistryValue value;
      if (reader.ParseValueName(&value.name) && reader.Take("=") && reader.ParseData(&value) && reader.AtEnd())
        key->SetValue(std::move(value));
      else
        reason = *reader.reason() ? reader.reason() : "'=' was expected after the value's name";
    }
    if (reason) std::fprintf(stderr, "device: %s line %zu: %s; the line is skipped\n", source.c_str(), number, reason);
  }
}

}  // namespace kelvane
