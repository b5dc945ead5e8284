// Narrow text is in an ANSI code page here; Windows converts it.
#include "text/narrow_text.h"

#include <windows.h>

#include "VemContainers.h"

namespace vem {

bool NarrowToWide(const char* text, NarrowCodePage page, std::basic_string<VemWChar>* out) {
  out->clear();
  if (text == nullptr) return true;
  const UINT codePage = page == NarrowCodePage::kThread ? CP_THREAD_ACP : CP_ACP;
  // Length -1 converts the terminator too, so the size asked for counts it.
  const int needed = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (needed <= 0) return false;
  out->resize(static_cast<size_t>(needed));
  const int written = MultiByteToWideChar(codePage, 0, text, -1, &(*out)[0], needed);
  if (written <= 0) {
    out->clear();
    return false;
  }
  out->resize(static_cast<size_t>(written - 1));
  return true;
}

uint32_t HashNarrowText(const char* text) {
  std::basic_string<VemWChar> wide;
  if (!NarrowToWide(text, NarrowCodePage::kSystem, &wide)) return 0;
  return static_cast<uint32_t>(GenerateID(wide.c_str()));
}

}  // namespace vem
