// Memory blocks backed by temporary files. Each block is a mapped view of a
// new file named "~mf..." in the user's temporary directory; the file exists
// while the block is live and is deleted when the block is released, either
// by VTFreeMMF or when the library unloads (including at process exit).
//
// The functions keep unguarded process-wide state: call them from one thread
// at a time, and never while the library is unloading.
#ifndef VEMMISC_INCLUDE_VEMMMF_H_
#define VEMMISC_INCLUDE_VEMMMF_H_

#include "VemMiscDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

// Returns the address of a new readable and writable block of exactly `size`
// bytes, or NULL when it cannot be made (size 0, temporary directory missing
// or not writable, no room for the file, no address space). A failure leaves
// no file behind. The initial contents are unspecified.
VEMMISC_API void* VTAllocMMF(uint64_t size);

// Unmaps the block that starts at `address`, closes its file and deletes it.
// Any other address (NULL, one already freed, one inside a block) is ignored.
VEMMISC_API void VTFreeMMF(void* address);

#ifdef __cplusplus
}
#endif

#endif  // VEMMISC_INCLUDE_VEMMMF_H_
