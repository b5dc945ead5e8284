// Writes registration files as the Windows registry editor does: the header
// "Windows Registry Editor Version 5.00", then each key as "[FULL NAME]"
// followed by its values and a blank line, in UTF-16LE with a byte-order mark
// and CRLF line ends.
#ifndef VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H
#define VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "settings/hive.h"

namespace vem {

class RegFileWriter {
 public:
  RegFileWriter();

  // Starts the section of a key (its full name, root included). False for a
  // name that holds a line break, which the format cannot carry.
  bool AddKey(const std::string& full_name);
  // Adds a value to the current key: strings as "text" when the data is one
  // zero-terminated UTF-16 string without line breaks, four-byte REG_DWORD
  // as dword:, REG_BINARY as hex:, anything else as hex(type):; hex lines
  // are folded at the editor's width. False for a value name that holds a
  // line break, which the format cannot carry.
  bool AddValue(const HiveValue& value);

  // The whole file: byte-order mark and UTF-16LE text.
  std::vector<uint8_t> Finish();

 private:
  void AppendHexData(const std::string& prefix, const std::vector<uint8_t>& data);

  std::string text_;  // UTF-8, CRLF line ends
};

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H
