// SettingsManager: every operation opens the keys it needs through the
// registry operations of registry.h and closes them before it returns.
#include <cstdio>
#include <memory>
#include <string>

#include "VemSettings.h"
#include "settings/registry.h"

const char* VemInvalidStorageType::what() const noexcept { return "Invalid storage types"; }

namespace {

// The name followed by the index in decimal, unless the index is -1.
std::string ValueName(const char* name, int32_t index) {
  std::string value_name(name);
  if (index != -1) {
    char digits[256] = {};
    std::snprintf(digits, sizeof digits, "%i", static_cast<int>(index));
    value_name += digits;
  }
  return value_name;
}

// Owns an open key and closes it at the end of the scope.
class ScopedKey {
 public:
  ScopedKey() = default;
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() {
    if (key_ != nullptr) vem::CloseRegistryKey(key_);
  }
  VemRegKey get() const { return key_; }
  VemRegKey* receive() { return &key_; }

 private:
  VemRegKey key_ = nullptr;
};

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

VemRegKey ResolveRootKey(const std::string& root_name) {
  vem::RegistryRoot root;
  if (!vem::FindRegistryRoot(root_name.c_str(), &root)) return nullptr;
  return vem::PredefinedRegistryKey(root);
}

}  // namespace

SettingsManager::SettingsManager() : SettingsManager(s_strRoot.c_str(), s_strPath.c_str(), s_type) {}

SettingsManager::SettingsManager(const char* root, const char* path, int32_t type)
    : m_strRoot(OrEmpty(root)), m_strPath(OrEmpty(path)), m_type(type), m_hRootKey(nullptr) {
  if (m_type != 0) throw VemInvalidStorageType();
  m_hRootKey = ResolveRootKey(m_strRoot);
}

SettingsManager::SettingsManager(const SettingsManager& other) = default;
SettingsManager& SettingsManager::operator=(const SettingsManager& other) = default;
SettingsManager::~SettingsManager() = default;

bool SettingsManager::InitSettings(const char* root, const char* path, int32_t type) {
  if (type != 0) return false;
  if (root != nullptr) s_strRoot = root;
  if (path != nullptr) s_strPath = path;
  return true;
}

bool SettingsManager::GetParam(void* data, int32_t size, const char* section, const char* name, int32_t index) {
  if (name == nullptr || size < 0) return false;
  const std::string value_name = ValueName(name, index);
  ScopedKey path_key;
  if (!vem::CreateRegistryKey(m_hRootKey, m_strPath.c_str(), path_key.receive())) return false;
  ScopedKey section_key;
  if (!vem::OpenRegistryKey(path_key.get(), section, section_key.receive())) return false;
  uint32_t capacity = static_cast<uint32_t>(size);
  return vem::QueryRegistryValue(section_key.get(), value_name.c_str(), data, &capacity);
}

bool SettingsManager::SetParam(const void* data, int32_t size, const char* section, const char* name, int32_t index) {
  if (name == nullptr || size < 0 || (data == nullptr && size > 0)) return false;
  const std::string value_name = ValueName(name, index);
  ScopedKey path_key;
  if (!vem::CreateRegistryKey(m_hRootKey, m_strPath.c_str(), path_key.receive())) return false;
  ScopedKey section_key;
  if (!vem::CreateRegistryKey(path_key.get(), section, section_key.receive())) return false;
  return vem::SetRegistryValue(section_key.get(), value_name.c_str(), vem::kRegBinary, data,
                               static_cast<uint32_t>(size));
}

uint32_t SettingsManager::GetParamDataLen(const char* section, const char* name, int32_t index) {
  if (name == nullptr) return 0;
  const std::string value_name = ValueName(name, index);
  uint32_t length = 0;
  ScopedKey path_key;
  if (!vem::CreateRegistryKey(m_hRootKey, m_strPath.c_str(), path_key.receive())) return 0;
  ScopedKey section_key;
  if (!vem::OpenRegistryKey(path_key.get(), section, section_key.receive())) return 0;
  // A missing value leaves the length at 0, so the query's result adds nothing.
  vem::QueryRegistryValue(section_key.get(), value_name.c_str(), nullptr, &length);
  return length;
}

bool SettingsManager::GetString(std::string* text, const char* section, const char* name, int32_t index) {
  if (text == nullptr) return false;
  const uint32_t stored = GetParamDataLen(section, name, index);
  // One spare zero byte, so that stored data without a terminator still ends.
  std::unique_ptr<char[]> buffer(new char[stored + 1]());
  if (!GetParam(buffer.get(), static_cast<int32_t>(stored + 1), section, name, index)) return false;
  text->assign(buffer.get());
  return true;
}

bool SettingsManager::SetString(const std::string* text, const char* section, const char* name, int32_t index) {
  if (text == nullptr) return false;
  return SetParam(text->c_str(), static_cast<int32_t>(text->size() + 1), section, name, index);
}
