#include "tools/vemreg/key_name.h"

#include "text/name_case.h"

namespace vem {

namespace {

struct RootSpelling {
  const char* short_name;
  RegistryRoot root;
};

const RootSpelling kShortNames[] = {
    {"HKCR", RegistryRoot::kClassesRoot}, {"HKCU", RegistryRoot::kCurrentUser},   {"HKLM", RegistryRoot::kLocalMachine},
    {"HKU", RegistryRoot::kUsers},        {"HKCC", RegistryRoot::kCurrentConfig},
};

bool FindRoot(std::string_view name, RegistryRoot* root) {
  for (const RootSpelling& spelling : kShortNames) {
    if (SameName(name, spelling.short_name) || SameName(name, RegistryRootName(spelling.root))) {
      *root = spelling.root;
      return true;
    }
  }
  return false;
}

}  // namespace

bool ParseKeyName(std::string_view text, KeyName* key) {
  const size_t slash = text.find('\\');
  KeyName parsed;
  if (!FindRoot(text.substr(0, slash), &parsed.root)) return false;
  if (slash != std::string_view::npos) {
    std::string_view path = text.substr(slash + 1);
    // One trailing backslash is allowed, as the registry allows it.
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty() && slash + 1 < text.size()) return false;
    if (!path.empty() && (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string_view::npos)) {
      return false;
    }
    parsed.path = std::string(path);
  }
  *key = std::move(parsed);
  return true;
}

std::string FullKeyName(const KeyName& key) {
  std::string name = RegistryRootName(key.root);
  if (!key.path.empty()) name += '\\' + key.path;
  return name;
}

}  // namespace vem
