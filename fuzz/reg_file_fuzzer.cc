// vemreg's registration files: any bytes given to the reader either parse or
// are refused with a message naming the line and column. Whatever parsed is
// written back in either format and read again, and that must write the same
// file: reader and writer agree on every key, value name, type and byte. The
// reader is the whole of what `vemreg import` takes from a file; applying the
// entries is the hive's work, fuzzed by the settings target.
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
  for (const auto format : {vem::RegFileWriter::Format::kVersion5, vem::RegFileWriter::Format::kRegedit4}) {
    // The keys and values of `from` in order, without those the format
    // refuses (key names with line breaks, and in REGEDIT4 characters outside
    // Windows-1252) and the values of a refused key.
    auto write = [format](const std::vector<RegFileEntry>& from) {
      vem::RegFileWriter writer(format);
      bool in_written_key = false;
      for (const RegFileEntry& entry : from) {
        if (entry.kind == RegFileEntry::Kind::kKey) in_written_key = writer.AddKey(vem::FullKeyName(entry.key));
        if (entry.kind == RegFileEntry::Kind::kSetValue && in_written_key) writer.AddValue(entry.value);
      }
      return writer.Finish();
    };
    const std::vector<uint8_t> file = write(entries);
    std::vector<RegFileEntry> reread;
    FUZZ_CHECK(vem::ReadRegFile(file, &reread, &error) && write(reread) == file);
  }
  return 0;
}
