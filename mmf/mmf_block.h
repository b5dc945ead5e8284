// One live file-backed block, and the platform seam that makes it. The
// portable registry (mmf_registry.h) keeps blocks by the address of their
// view; what a block holds to undo itself (a descriptor or handles, the file's
// path) belongs to each platform's file (mmf_block_posix.cc,
// mmf_block_windows.cc).
#ifndef VEMMISC_MMF_MMF_BLOCK_H_
#define VEMMISC_MMF_MMF_BLOCK_H_

#include <cstdint>
#include <memory>

namespace vem {

// The number source of block file names. Windows uses only its low 16 bits;
// elsewhere it never wraps, so a process never repeats a name.
using BlockCounter = std::uint64_t;

class MMFBlock {
 public:
  // Makes a block of `size` bytes over a new file in the temporary directory,
  // numbering the file from `counter`. Returns null, with no file, handle or
  // view left behind, when the system refuses. Everything the block needs is
  // allocated before the file is created, so a std::bad_alloc leaves no file.
  static std::unique_ptr<MMFBlock> Create(std::uint64_t size, BlockCounter& counter);

  // Forgets the block without undoing it; only Release undoes it.
  virtual ~MMFBlock() = default;

  // The start of the mapped view.
  virtual void* view() const = 0;

  // Unmaps the view, closes the handles and deletes the file (on POSIX only
  // in the process that created it: a forked child shares its parent's
  // blocks). Failures of the platform calls are ignored.
  virtual void Release() noexcept = 0;
};

}  // namespace vem

#endif  // VEMMISC_MMF_MMF_BLOCK_H_
