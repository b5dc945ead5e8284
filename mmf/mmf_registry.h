// The library-wide registry of live blocks and the number source of their
// file names. Both are global objects (module/globals.cc): the registry is
// constructed empty at load, and the object that releases every live block at
// unload is constructed right after it, so it is destroyed right before it.
#ifndef VEMMISC_MMF_MMF_REGISTRY_H_
#define VEMMISC_MMF_MMF_REGISTRY_H_

#include <cstdint>
#include <map>
#include <memory>

#include "mmf/mmf_block.h"

namespace vem {

// Live blocks by the address of their view, ascending.
using BlockRegistry = std::map<std::uintptr_t, std::unique_ptr<MMFBlock>>;

extern BlockRegistry g_mmf_blocks;
extern BlockCounter g_mmf_counter;  // the next file number, from 1

// At destruction, releases every block still in `registry`, in ascending
// order of address. The entries stay; the registry itself goes next.
class BlockReleaseAtUnload {
 public:
  explicit BlockReleaseAtUnload(const BlockRegistry& registry) : registry_(registry) {}
  ~BlockReleaseAtUnload();
  BlockReleaseAtUnload(const BlockReleaseAtUnload&) = delete;
  BlockReleaseAtUnload& operator=(const BlockReleaseAtUnload&) = delete;

 private:
  const BlockRegistry& registry_;
};

}  // namespace vem

#endif  // VEMMISC_MMF_MMF_REGISTRY_H_
