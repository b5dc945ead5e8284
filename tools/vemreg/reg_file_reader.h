// Reads registration files in the Windows registry editor's formats: the
// header line ("Windows Registry Editor Version 5.00", or "REGEDIT4"), then
// "[KEY]" and "[-KEY]" lines, each followed by value lines ("name"=... or
// @=..., "name"=- to delete).
//
// Text: UTF-16LE with a byte-order mark; without one, UTF-8 (with or without
// its mark) for version 5.00 files and Windows-1252 for REGEDIT4 files. Lines
// end with CRLF or LF; blank lines and lines starting with ';' are skipped.
// Quoted strings know the escapes \\ \" \n \r \0 and may hold raw line
// breaks, which are kept as they are. In REGEDIT4 files the bytes of hex(2)
// and hex(7) values are Windows-1252 text, stored as UTF-16 like every string.
#ifndef VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H_
#define VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "settings/hive.h"
#include "tools/vemreg/key_name.h"

namespace vem {

extern const char kRegFileHeader[];
extern const char kRegFile4Header[];

// One change the file asks for, in file order.
struct RegFileEntry {
  enum class Kind { kKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind = Kind::kKey;
  int line = 0;
  KeyName key;      // kKey and kDeleteKey: the key; values apply to the last kKey
  HiveValue value;  // kSetValue: name, type and bytes; kDeleteValue: the name
};

// Parses the whole file. False with *error set to "line N, column C: what is
// wrong" (columns count characters from 1).
bool ReadRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileEntry>* entries, std::string* error);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_REG_FILE_READER_H_
