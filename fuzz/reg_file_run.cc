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

#include "tests/models/op_stream.h"
#include "tools/vemreg/key_name.h"
#include "tools/vemreg/reg_file_reader.h"
#include "tools/vemreg/reg_file_writer.h"

namespace vem_test {

void RunRegFile(OpStream& in) {
  std::vector<uint8_t> file;
  while (in.More()) file.push_back(in.Byte());
  std::vector<vem::RegFileEntry> entries;
  std::string error;
  if (!vem::ReadRegFile(file, &entries, &error)) return MODEL_CHECK(!error.empty());
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
    MODEL_CHECK(vem::ReadRegFile(write(entries), &reread, &error) && write(reread) == write(entries));
  }
}

}  // namespace vem_test
