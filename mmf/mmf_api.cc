// The exported block functions: the platform makes and undoes a block, the
// registry remembers it by the address of its view.
#include <new>

#include "VemMMF.h"
#include "mmf/mmf_registry.h"

namespace vem {

BlockReleaseAtUnload::~BlockReleaseAtUnload() {
  for (const auto& entry : registry_) ReleaseBlock(entry.second);
}

}  // namespace vem

extern "C" VEMMISC_API void* VTAllocMMF(uint64_t size) {
  vem::MMFBlock block;
  try {
    if (!vem::CreateBlock(size, vem::_g_mmf_counter, block)) return nullptr;
    // An address already present can only belong to a block that no longer
    // exists; its record is simply replaced.
    vem::_g_mmf_blocks.insert_or_assign(reinterpret_cast<std::uintptr_t>(block.view), block);
    return block.view;
  } catch (const std::bad_alloc&) {
    // Out of memory for the path or the registry entry: undo the block, if
    // it was made, so that nothing is left behind.
    if (block.view != nullptr) vem::ReleaseBlock(block);
    return nullptr;
  }
}

extern "C" VEMMISC_API void VTFreeMMF(void* address) {
  const auto found = vem::_g_mmf_blocks.find(reinterpret_cast<std::uintptr_t>(address));
  if (found == vem::_g_mmf_blocks.end()) return;
  vem::ReleaseBlock(found->second);
  vem::_g_mmf_blocks.erase(found);
}
