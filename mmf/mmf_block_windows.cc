// Blocks on Windows: a file "~mf<number>.tmp" in the temporary directory,
// opened without sharing and mapped through an unnamed file-mapping object.
// The file name is formed from the process-wide counter (GetTempFileNameW
// only builds the name when given a number other than 0); the file is created
// or, if left over and not held open by anyone, truncated.
#include <windows.h>

#include <cstddef>
#include <memory>

#include "mmf/mmf_block.h"

namespace vem {

bool CreateBlock(std::uint64_t size, BlockCounter& counter, MMFBlock& block) {
  // Ask for the directory's length first, then for the directory with room
  // behind it for the file name; a path that changed in between is refused.
  const DWORD length = GetTempPathW(0, nullptr);
  std::unique_ptr<wchar_t[]> buffer(new wchar_t[static_cast<std::size_t>(length) + MAX_PATH + 1]);
  if (GetTempPathW(length, buffer.get()) != static_cast<DWORD>(length - 1)) return false;

  const UINT number = counter++;
  GetTempFileNameW(buffer.get(), L"~mf", number, buffer.get());
  block.fileName.assign(buffer.get());
  buffer.reset();

  const HANDLE file = CreateFileW(block.fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // The mapping grows the empty file to its size; it takes only the low 32
  // bits of the size, while the view asks for all of it.
  const HANDLE mapping =
      CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr);
  if (mapping == nullptr) {
    CloseHandle(file);
    DeleteFileW(block.fileName.c_str());
    return false;
  }
  void* const view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, static_cast<SIZE_T>(size));
  if (view == nullptr) {
    CloseHandle(mapping);
    CloseHandle(file);
    DeleteFileW(block.fileName.c_str());
    return false;
  }
  block.hFile = reinterpret_cast<std::intptr_t>(file);
  block.hMapping = reinterpret_cast<std::intptr_t>(mapping);
  block.view = view;
  block.size = size;
  block.creatorProcess = static_cast<std::int64_t>(GetCurrentProcessId());
  return true;
}

void ReleaseBlock(const MMFBlock& block) noexcept {
  UnmapViewOfFile(block.view);
  CloseHandle(reinterpret_cast<HANDLE>(block.hMapping));
  CloseHandle(reinterpret_cast<HANDLE>(block.hFile));
  DeleteFileW(block.fileName.c_str());
}

}  // namespace vem
