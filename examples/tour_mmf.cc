// Tour chapter: a memory block whose storage is a temporary file.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "VemMMF.h"
#include "tour.h"

namespace {

namespace fs = std::filesystem;

// The block files ("~mf...") now in the temporary directory, with their sizes.
std::vector<std::string> BlockFiles(const fs::path& directory) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("~mf", 0) == 0) {
      files.push_back(name + " (" + std::to_string(fs::file_size(it->path(), error)) + " bytes)");
    }
  }
  return files;
}

void ShowBlockFiles(const fs::path& directory) {
  const std::vector<std::string> files = BlockFiles(directory);
  if (files.empty()) std::printf("    (no block file)\n");
  for (const std::string& file : files) std::printf("    %s\n", file.c_str());
}

}  // namespace

void TourMemoryBlocks() {
  std::printf("\nFile-backed memory blocks\n-------------------------\n");
  std::error_code error;
  const fs::path directory = fs::temp_directory_path(error);
  std::printf("Blocks are files in the temporary directory, %s.\n", directory.string().c_str());

  const std::uint64_t size = 3 * 1024 * 1024 + 5;
  std::printf("VTAllocMMF(%llu) asks for a block of 3 MiB and 5 bytes.\n", static_cast<unsigned long long>(size));
  // [block]
  auto* bytes = static_cast<char*>(VTAllocMMF(size));
  if (bytes == nullptr) {
    std::printf("  It returned NULL: the directory is missing, not writable, or full.\n");
    return;
  }
  std::printf("  It returned a block; its file while it lives:\n");
  ShowBlockFiles(directory);

  const char greeting[] = "Hello from the last bytes of the block";
  std::memcpy(bytes + size - sizeof greeting, greeting, sizeof greeting);
  bytes[0] = 'A';
  std::printf("  Wrote 'A' at offset 0 and a greeting at the very end; reading back: '%c', \"%s\".\n", bytes[0],
              bytes + size - sizeof greeting);
  // [block]

  VTFreeMMF(bytes + 1);
  std::printf("VTFreeMMF(address + 1) is ignored: only the block's own address releases it.\n");
  std::printf("  The block is still there: byte 0 is '%c'.\n", bytes[0]);

  // [free]
  VTFreeMMF(bytes);
  std::printf("VTFreeMMF(address) unmaps the block and deletes its file:\n");
  // [free]
  ShowBlockFiles(directory);

  std::printf("VTAllocMMF(0) returns %s: an empty block cannot be made.\n",
              VTAllocMMF(0) == nullptr ? "NULL" : "a block");
  std::printf("Blocks still live when the library unloads (or the program ends) are released then.\n\n");
}
