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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<vem::RegFileEntry> entries;
  std::string error;
  if (!vem::ReadRegFile(std::vector<uint8_t>(data, data + size), &entries, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  for (const auto format : {vem::RegFileWriter::Format::kVersion5, vem::RegFileWriter::Format::kRegedit4}) {
    // The keys and values of `from` in order, without those the format
    // refuses (key names with line breaks, and in REGEDIT4 characters outside
    // Windows-1252) and the values of a refused key.
    auto write = [format](const std::vector<vem::RegFileEntry>& from) {
      vem::RegFileWriter writer(format);
      bool in_written_key = false;
      for (const vem::RegFileEntry& entry : from) {
        if (entry.kind == vem::RegFileEntry::Kind::kKey) in_written_key = writer.AddKey(vem::FullKeyName(entry.key));
        if (entry.kind == vem::RegFileEntry::Kind::kSetValue && in_written_key) writer.AddValue(entry.value);
      }
      return writer.Finish();
    };
    std::vector<vem::RegFileEntry> reread;
    FUZZ_CHECK(vem::ReadRegFile(write(entries), &reread, &error) && write(reread) == write(entries));
  }
  return 0;
}
