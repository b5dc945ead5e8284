// SettingsManager: named binary values and strings kept in the registry below
// a root key and a key path, in one sub-key per section. On Windows this is
// the system registry; on Linux it is the library's own registry hive, one
// database per root key, which behaves like the registry.
//
// The registry's rules for names, on both:
// - Section (key) and value names are compared without regard to letter
//   case: each UTF-16 code unit is mapped to its upper case where upper and
//   lower case are a one-to-one pair ("Äpfel" is "ÄPFEL", "σ" is "Σ"; "ß" is
//   not "SS"). A name keeps the spelling it was created with. On Linux names
//   are UTF-8; a byte that is not valid UTF-8 is compared as it is.
// - The path and the section are split at backslashes. Empty levels (two
//   backslashes in a row, backslashes at the end) are skipped: "A\\B" is
//   "A\B", and so is "A\B" with a backslash after it; "" is the path key
//   itself. A section or path that starts with a backslash is refused: the
//   call fails and writes nothing.
// - A key name has at most 255 characters, a value name at most 16,383
//   (UTF-16 code units); keys lie at most 512 levels below the root. A key
//   name or depth beyond them fails and creates nothing. A value name beyond
//   its limit fails the write of the value only: the keys above it are
//   created first, as the registry's own calls create them.
#ifndef VEMMISC_INCLUDE_VEMSETTINGS_H_
#define VEMMISC_INCLUDE_VEMSETTINGS_H_

#include <cstdint>
#include <new>
#include <string>

#include "VemMiscDefs.h"

// A registry key handle: the same type as windows.h's HKEY.
struct HKEY__;
typedef HKEY__* VemRegKey;  // a predefined root key, or null

// Thrown by SettingsManager's constructors for a storage type other than 0.
// It is a std::bad_alloc whose what() is "Invalid storage types".
class VEMMISC_API VemInvalidStorageType : public std::bad_alloc {
 public:
  // "Invalid storage types".
  const char* what() const noexcept override;
};

// Reads and writes values below one root key and key path. Each object is
// used by one thread at a time.
class VEMMISC_API SettingsManager {
 public:
  // Takes the process-wide defaults s_strRoot, s_strPath and s_type.
  // Throws VemInvalidStorageType if s_type is not 0.
  SettingsManager();
  // A root that is not exactly one of "HKEY_CLASSES_ROOT",
  // "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
  // "HKEY_CURRENT_CONFIG" (a null root included) is accepted, but every
  // operation of the object then fails; a null path is the empty path.
  // Throws VemInvalidStorageType if type is not 0.
  SettingsManager(const char* root, const char* path, int32_t type);
  // Copies all fields, including the resolved root key.
  SettingsManager(const SettingsManager& other);
  SettingsManager& operator=(const SettingsManager& other);
  // Touches no key: the root key is predefined and never opened.
  ~SettingsManager();

  // Sets the defaults for objects constructed later; a null root or path
  // leaves that default as it is. Returns false, changing nothing, if type
  // is not 0.
  static bool InitSettings(const char* root, const char* path, int32_t type);

  // The value name is `name`, followed by `index` in decimal unless index is
  // -1 (Gain, 3 gives Gain3). A null name, a null text pointer or a negative
  // size fails (false, or a length of 0) without touching the registry.

  // Reads the value into data (capacity size bytes). False if the section or
  // value is missing or the value is larger than size. Creates the path key
  // if it is missing, never the section key.
  bool GetParam(void* data, int32_t size, const char* section, const char* name, int32_t index);
  // Writes size bytes as a REG_BINARY value, creating the path and section
  // keys as needed (also when the value then cannot be written). True if the
  // value was written.
  bool SetParam(const void* data, int32_t size, const char* section, const char* name, int32_t index);
  // Size of the stored value in bytes; 0 when it cannot be read.
  uint32_t GetParamDataLen(const char* section, const char* name, int32_t index);
  // Reads a value as text: its bytes up to the first zero byte. On failure
  // returns false and leaves *text unchanged.
  bool GetString(std::string* text, const char* section, const char* name, int32_t index);
  // Stores the text followed by one zero byte. True if it was written.
  bool SetString(const std::string* text, const char* section, const char* name, int32_t index);

 protected:
  // Process-wide defaults: "HKEY_CURRENT_USER", "Software\Tamrel\VemTools", 0.
  static std::string s_strRoot;
  static std::string s_strPath;
  static int32_t s_type;

  std::string m_strRoot;  // root key name, as given
  std::string m_strPath;  // key path below the root, as given
  int32_t m_type;         // storage type, always 0
  // The predefined key m_strRoot names, or null; never opened or closed.
  VemRegKey m_hRootKey;
};

#endif  // VEMMISC_INCLUDE_VEMSETTINGS_H_
