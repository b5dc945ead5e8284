// The record of one live file-backed block, and the platform seam that makes
// and undoes blocks. The portable registry (mmf_registry.h) only stores these
// records by address; each platform's file (mmf_block_posix.cc,
// mmf_block_windows.cc) knows what the fields hold.
#ifndef VEMMISC_MMF_MMF_BLOCK_H
#define VEMMISC_MMF_MMF_BLOCK_H

#include <cstdint>
#include <string>

namespace vem {

#if defined(_WIN32)
using BlockPath = std::wstring;   // UTF-16 path, as the wide file calls take it
using BlockCounter = std::uint32_t;  // only its low 16 bits reach the file name
#else
using BlockPath = std::string;
using BlockCounter = std::uint64_t;  // never wraps, so a process never repeats a name
#endif

// Everything needed to undo one block. Copying a record copies the handles as
// plain values; only ReleaseBlock closes them.
struct MMFBlock {
  BlockPath fileName;             // full path of the backing file
  std::intptr_t hFile = -1;       // the open file: a HANDLE or a descriptor
  std::intptr_t hMapping = 0;     // the file-mapping object (Windows only)
  void* view = nullptr;           // start of the mapped view
  std::uint64_t size = 0;         // length of the view in bytes
  std::int64_t creatorProcess = 0;  // only this process deletes the file
};

// Makes a block of `size` bytes over a new file in the temporary directory,
// numbering the file from `counter`. Returns true with `block` filled in, or
// false with no file, handle or view left behind. Anything it allocates is
// allocated before the file is created, so a std::bad_alloc leaves no file.
bool CreateBlock(std::uint64_t size, BlockCounter& counter, MMFBlock& block);

// Unmaps the view, closes the handles and deletes the file (on POSIX only in
// the process that created it: a forked child shares its parent's blocks).
// Failures of the platform calls are ignored.
void ReleaseBlock(const MMFBlock& block) noexcept;

}  // namespace vem

#endif  // VEMMISC_MMF_MMF_BLOCK_H
