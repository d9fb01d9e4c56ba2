// The registry in memory.
#include "registry/hive.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace kelvane {

std::wstring FoldCase(const std::wstring& name) {
  std::wstring folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return folded;
}

bool IsValidKeyName(const std::wstring& name) {
  if (name.empty() || name.size() > 255) return false;
  return std::all_of(name.begin(), name.end(), [](wchar_t c) {
    const uint32_t cp = static_cast<uint32_t>(c);
    return cp >= 0x20 && cp != 0x7F && c != L'\\' && (cp < 0xD800 || cp > 0xDFFF) && cp <= 0x10FFFF;
  });
}

std::vector<std::wstring> SplitKeyPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool KeyPathIsWithin(const std::wstring& path, const std::wstring& prefix) {
  const std::vector<std::wstring> p = SplitKeyPath(path), q = SplitKeyPath(prefix);
  if (q.empty() || q.size() > p.size()) return false;
  for (size_t i = 0; i < q.size(); ++i)
    if (FoldCase(p[i]) != FoldCase(q[i])) return false;
  return true;
}

std::shared_ptr<RegistryKey> RegistryKey::FindSubkey(const std::wstring& name) const {
  auto it = subkeys_.find(FoldCase(name));
  return it == subkeys_.end() ? nullptr : it->second;
}

std::shared_ptr<RegistryKey> RegistryKey::AddSubkey(const std::wstring& name) {
  auto& slot = subkeys_[FoldCase(name)];
  if (!slot) slot = std::make_shared<RegistryKey>(name, path_ + L"\\" + name);
  return slot;
}

void RegistryKey::RemoveSubkey(const std::wstring& name) {
  auto it = subkeys_.find(FoldCase(name));
  if (it == subkeys_.end()) return;
  it->second->MarkDeleted();
  subkeys_.erase(it);
}

RegistryValue* RegistryKey::FindValue(const std::wstring& name) {
  const std::wstring folded = FoldCase(name);
  for (RegistryValue& value : values_)
    if (FoldCase(value.name) == folded) return &value;
  return nullptr;
}

void RegistryKey::SetValue(RegistryValue value) {
  if (RegistryValue* existing = FindValue(value.name)) {
    existing->type = value.type;
    existing->data = std::move(value.data);
  } else {
    values_.push_back(std::move(value));
  }
}

bool RegistryKey::DeleteValue(const std::wstring& name) {
  const std::wstring folded = FoldCase(name);
  auto it = std::find_if(values_.begin(), values_.end(),
                         [&](const RegistryValue& value) { return FoldCase(value.name) == folded; });
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

void RegistryKey::MergeFrom(RegistryKey& fresh) {
  values_ = std::move(fresh.values_);
  for (auto it = subkeys_.begin(); it != subkeys_.end();) {
    auto match = fresh.subkeys_.find(it->first);
    if (match == fresh.subkeys_.end()) {
      it->second->MarkDeleted();
      it = subkeys_.erase(it);
    } else {
      it->second->MergeFrom(*match->second);
      ++it;
    }
  }
  for (auto& entry : fresh.subkeys_)
    if (!subkeys_.count(entry.first)) subkeys_.emplace(entry.first, std::move(entry.second));
}

void RegistryKey::MarkDeleted() {
  deleted_ = true;
  for (auto& entry : subkeys_) entry.second->MarkDeleted();
}

Hive::Hive() {
  for (size_t i = 0; i < kRootCount; ++i) roots_[i] = std::make_shared<RegistryKey>(RootNames()[i], RootNames()[i]);
}

const std::array<const wchar_t*, Hive::kRootCount>& Hive::RootNames() {
  static const std::array<const wchar_t*, kRootCount> names = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",
                                                               L"HKEY_LOCAL_MACHINE", L"HKEY_USERS"};
  return names;
}

std::shared_ptr<RegistryKey> Hive::RootNamed(const std::wstring& name) const {
  for (const auto& root : roots_)
    if (FoldCase(root->name()) == FoldCase(name)) return root;
  return nullptr;
}

void Hive::MergeFrom(Hive& fresh) {
  for (size_t i = 0; i < kRootCount; ++i) roots_[i]->MergeFrom(*fresh.roots_[i]);
}

void Hive::MarkDeleted() {
  for (auto& root : roots_) root->MarkDeleted();
}

}  // namespace kelvane
