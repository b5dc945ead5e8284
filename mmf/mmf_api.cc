// The exported block functions: the platform makes and undoes a block, the
// registry remembers it by the address of its view.
#include <memory>
#include <new>
#include <utility>

#include "VemMMF.h"
#include "mmf/mmf_registry.h"

namespace vem {

BlockReleaseAtUnload::~BlockReleaseAtUnload() {
  for (const auto& entry : registry_) entry.second->Release();
}

}  // namespace vem

extern "C" VEMMISC_API void* VTAllocMMF(uint64_t size) {
  std::unique_ptr<vem::MMFBlock> block;
  try {
    block = vem::MMFBlock::Create(size, vem::g_mmf_counter);
    if (block == nullptr) return nullptr;
    void* const view = block->view();
    // An address already present can only belong to a block that no longer
    // exists; its record is simply replaced.
    vem::g_mmf_blocks.insert_or_assign(reinterpret_cast<std::uintptr_t>(view), std::move(block));
    return view;
  } catch (const std::bad_alloc&) {
    // Out of memory for the block or the registry entry: undo the block, if
    // it was made, so that nothing is left behind.
    if (block != nullptr) block->Release();
    return nullptr;
  }
}

extern "C" VEMMISC_API void VTFreeMMF(void* address) {
  const auto found = vem::g_mmf_blocks.find(reinterpret_cast<std::uintptr_t>(address));
  if (found == vem::g_mmf_blocks.end()) return;
  found->second->Release();
  vem::g_mmf_blocks.erase(found);
}
