// Reads registration files in the Windows registry editor's format: the
// header line, then "[KEY]" and "[-KEY]" lines, each followed by value lines
// ("name"=... or @=..., "name"=- to delete). The file may be UTF-16LE with a
// byte-order mark, UTF-8 (with or without one) or ASCII; lines end with CRLF
// or LF; blank lines and lines starting with ';' are skipped.
#ifndef VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H
#define VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H

#include <cstdint>
#include <string>
#include <vector>

#include "settings/hive.h"
#include "tools/vemreg/key_name.h"

namespace vem {

extern const char kRegFileHeader[];

// One change the file asks for, in file order.
struct RegFileEntry {
  enum class Kind { kKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind = Kind::kKey;
  int line = 0;
  KeyName key;      // kKey and kDeleteKey: the key; values apply to the last kKey
  HiveValue value;  // kSetValue: name, type and bytes; kDeleteValue: the name
};

// Parses the whole file. False with *error set to "line N: what is wrong"
// (for a file that is not text at all, without the line).
bool ReadRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileEntry>* entries,
                 std::string* error);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H
