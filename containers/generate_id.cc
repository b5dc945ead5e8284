#include "VemContainers.h"
#include "text/narrow_text.h"

int32_t GenerateID(const VemWChar* text) {
  if (text == nullptr) return 0;
  uint32_t hash = 0;
  for (; *text != 0; ++text) {
    hash = vem::HashStep(hash, static_cast<uint16_t>(*text));
  }
  return static_cast<int32_t>(hash);
}

int32_t GenerateID(const char* text) { return static_cast<int32_t>(vem::HashNarrowText(text)); }
