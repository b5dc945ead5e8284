// Blocks on Windows: a file "~mf<number>.tmp" in the temporary directory,
// opened without sharing and mapped through an unnamed file-mapping object.
// The file name is formed from the process-wide counter (GetTempFileNameW
// only builds the name when given a number other than 0); the file is created
// or, if left over and not held open by anyone, truncated.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "mmf/mmf_block.h"

namespace vem {
namespace {

class WindowsBlock final : public MMFBlock {
 public:
  WindowsBlock(std::wstring path, std::uint64_t size) : path_(std::move(path)), size_(size) {}

  // Creates (or truncates) the file and maps it. False, with nothing left
  // behind, when the system refuses.
  bool Open() {
    file_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    // The mapping grows the empty file to its size; it takes only the low 32
    // bits of the size, while the view asks for all of it.
    mapping_ = CreateFileMappingW(file_, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size_ & 0xFFFFFFFFu), nullptr);
    if (mapping_ != nullptr) {
      view_ = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, static_cast<SIZE_T>(size_));
      if (view_ != nullptr) return true;
      CloseHandle(mapping_);
    }
    CloseHandle(file_);
    DeleteFileW(path_.c_str());
    return false;
  }

  void* view() const override { return view_; }

  void Release() noexcept override {
    UnmapViewOfFile(view_);
    CloseHandle(mapping_);
    CloseHandle(file_);
    DeleteFileW(path_.c_str());
  }

 private:
  const std::wstring path_;  // full path of the backing file
  const std::uint64_t size_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
};

// The path of the next block's file; empty when the temporary directory
// cannot be read.
std::wstring NextBlockPath(BlockCounter& counter) {
  // Ask for the directory's length first, then for the directory with room
  // behind it for the file name; a path that changed in between is refused.
  const DWORD length = GetTempPathW(0, nullptr);
  std::unique_ptr<wchar_t[]> buffer(new wchar_t[static_cast<std::size_t>(length) + MAX_PATH + 1]);
  if (GetTempPathW(length, buffer.get()) != static_cast<DWORD>(length - 1)) return std::wstring();
  const UINT number = static_cast<UINT>(counter++);
  GetTempFileNameW(buffer.get(), L"~mf", number, buffer.get());
  return std::wstring(buffer.get());
}

}  // namespace

std::unique_ptr<MMFBlock> MMFBlock::Create(std::uint64_t size, BlockCounter& counter) {
  std::wstring path = NextBlockPath(counter);
  if (path.empty()) return nullptr;
  // The record is made before the file, so running out of memory leaves none.
  auto block = std::make_unique<WindowsBlock>(std::move(path), size);
  if (!block->Open()) return nullptr;
  return block;
}

}  // namespace vem
