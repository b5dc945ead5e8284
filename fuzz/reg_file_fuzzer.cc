// vemreg's registration files: any bytes given to the reader either parse or
// are refused with a message naming the line and column, and whatever parsed
// survives a trip through the writer (either format) and back unchanged
// (keys, value names, types and bytes). The reader is the whole of what `vemreg import` takes from a file;
// applying the entries is the hive's work, fuzzed by the settings target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/vemreg/key_name.h"
#include "tools/vemreg/reg_file_reader.h"
#include "tools/vemreg/reg_file_writer.h"

using vem::RegFileEntry;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<RegFileEntry> entries;
  std::string error;
  if (!vem::ReadRegFile(std::vector<uint8_t>(data, data + size), &entries, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  // Write back what the file creates, in file order, in both formats; each
  // refuses what it cannot carry (key names with line breaks, and in REGEDIT4
  // characters outside Windows-1252), which this skips.
  for (const auto format : {vem::RegFileWriter::Format::kVersion5, vem::RegFileWriter::Format::kRegedit4}) {
    vem::RegFileWriter writer(format);
    std::vector<RegFileEntry> written;
    bool in_written_key = false;
    for (const RegFileEntry& entry : entries) {
      const bool key = entry.kind == RegFileEntry::Kind::kKey;
      if (key) in_written_key = writer.AddKey(vem::FullKeyName(entry.key));
      const bool value = !key && entry.kind == RegFileEntry::Kind::kSetValue && in_written_key;
      if (key ? in_written_key : value && writer.AddValue(entry.value)) written.push_back(entry);
    }
    std::vector<RegFileEntry> reread;
    FUZZ_CHECK(vem::ReadRegFile(writer.Finish(), &reread, &error) && reread.size() == written.size());
    for (size_t i = 0; i < written.size(); ++i) {
      const RegFileEntry &a = reread[i], &b = written[i];
      FUZZ_CHECK(a.kind == b.kind && vem::FullKeyName(a.key) == vem::FullKeyName(b.key) &&
                 a.value.name == b.value.name && a.value.type == b.value.type && a.value.data == b.value.data);
    }
  }
  return 0;
}
