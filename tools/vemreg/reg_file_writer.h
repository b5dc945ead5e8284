// Writes registration files byte for byte as the Windows registry editor
// exports them: the header, then each key as "[FULL NAME]" followed by its
// values and a blank line, CRLF line ends; version 5.00 files in UTF-16LE
// with a byte-order mark, REGEDIT4 files in Windows-1252 without one.
#ifndef VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H_
#define VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "settings/hive.h"

namespace vem {

class RegFileWriter {
 public:
  enum class Format { kVersion5, kRegedit4 };
  explicit RegFileWriter(Format format = Format::kVersion5);

  // Starts the section of a key (its full name, root included). False for a
  // name that holds a line break, which a key line cannot carry, or (REGEDIT4)
  // a character Windows-1252 lacks.
  bool AddKey(const std::string& full_name);
  // Adds a value to the current key. Strings are written as "text" (with the
  // escapes \\ \" \n \r) when the data is one zero-terminated UTF-16 string
  // that the text gives back exactly, four-byte REG_DWORD as dword:, REG_BINARY
  // as hex:, anything else as hex(type):; hex lines fold at the editor's
  // width. REGEDIT4 writes hex(2) and hex(7) text in Windows-1252, and a string
  // the code page lacks as hex(1). False (REGEDIT4 only) for a name or a
  // hex(2) or hex(7) text that Windows-1252 cannot hold.
  bool AddValue(const HiveValue& value);

  // The whole file.
  std::vector<uint8_t> Finish();

 private:
  // True when the file's text can hold `text` (REGEDIT4: Windows-1252 can).
  bool Encodable(const std::string& text) const;
  bool AppendValue(const HiveValue& value);
  void AppendQuoted(const std::string& text);
  void AppendHexData(const char* type, const std::vector<uint8_t>& data);

  const Format format_;
  std::string text_;       // UTF-8, CRLF line ends
  size_t line_start_ = 0;  // where the value being written starts in text_
};

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_REG_FILE_WRITER_H_
