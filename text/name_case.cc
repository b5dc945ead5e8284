#include "text/name_case.h"

#include "text/utf8_decoder.h"

namespace vem {

namespace {

// Runs of code units with the same distance to their upper case.
struct CaseRun {
  uint16_t first;
  uint16_t last;
  uint16_t stride;
  uint16_t delta;
};

constexpr CaseRun kCaseRuns[] = {
#include "text/upper_case_table.inc"
};

constexpr int kPageSize = 256;

constexpr int CountPagesWithUpperCase() {
  bool used[kPageSize] = {};
  int count = 0;
  for (const CaseRun& run : kCaseRuns) {
    for (int unit = run.first; unit <= run.last; unit += run.stride) {
      if (!used[unit / kPageSize]) ++count;
      used[unit / kPageSize] = true;
    }
  }
  return count;
}

// Two levels, so that only the pages with letters take space: the page of
// a unit's high byte (0, the page of zeros, for most), then the distance to
// the upper case by its low byte.
struct UpperCaseTable {
  uint8_t page_of[kPageSize];
  uint16_t delta[CountPagesWithUpperCase() + 1][kPageSize];
};

constexpr UpperCaseTable BuildUpperCaseTable() {
  UpperCaseTable table{};
  int pages = 0;
  for (const CaseRun& run : kCaseRuns) {
    for (int unit = run.first; unit <= run.last; unit += run.stride) {
      uint8_t& page = table.page_of[unit / kPageSize];
      if (page == 0) page = static_cast<uint8_t>(++pages);
      table.delta[page][unit % kPageSize] = run.delta;
    }
  }
  return table;
}

constexpr UpperCaseTable kUpperCase = BuildUpperCaseTable();

constexpr uint16_t kEscapedByteBase = 0xDC00;

// The units of a name's key, one at a time.
class KeyUnits {
 public:
  explicit KeyUnits(std::string_view name) : next_(name.data()), end_(name.data() + name.size()) {}

  // False at the end of the name.
  bool Next(uint16_t* unit) {
    if (buffered_ == taken_) {
      if (next_ == end_) return false;
      Decode();
    }
    *unit = units_[taken_++];
    return true;
  }

 private:
  void Decode() {
    const unsigned char lead = static_cast<unsigned char>(*next_);
    taken_ = 0;
    if (lead < 0x80) {
      units_[0] = UpperCaseUnit(lead);
      buffered_ = 1;
      ++next_;
      return;
    }
    Utf16Units decoded{};  // unit[1] is copied below even for a one-unit character
    const char* after = DecodeUtf8Sequence(next_, end_, &decoded);
    // The decoder reads U+FFFD for a malformed part; only EF BF BD is that
    // character itself.
    const bool valid = decoded.unit[0] != kReplacementCharacter || (after - next_ == 3 && lead == 0xEF);
    if (valid) {
      buffered_ = decoded.count;
      units_[0] = UpperCaseUnit(decoded.unit[0]);
      units_[1] = decoded.unit[1];  // a low surrogate has no case
    } else {
      buffered_ = 0;
      for (const char* byte = next_; byte != after; ++byte) {
        units_[buffered_++] = static_cast<uint16_t>(kEscapedByteBase + static_cast<unsigned char>(*byte));
      }
    }
    next_ = after;
  }

  const char* next_;
  const char* const end_;
  // A malformed part is at most three bytes long.
  uint16_t units_[3] = {};
  int buffered_ = 0;
  int taken_ = 0;
};

}  // namespace

uint16_t UpperCaseUnit(uint16_t unit) {
  return static_cast<uint16_t>(unit + kUpperCase.delta[kUpperCase.page_of[unit / kPageSize]][unit % kPageSize]);
}

std::string NameKey(std::string_view name) {
  std::string key;
  key.reserve(2 * name.size());
  KeyUnits units(name);
  uint16_t unit;
  while (units.Next(&unit)) {
    key.push_back(static_cast<char>(unit >> 8));
    key.push_back(static_cast<char>(unit & 0xFF));
  }
  return key;
}

int CompareNames(std::string_view a, std::string_view b) {
  KeyUnits units_a(a);
  KeyUnits units_b(b);
  while (true) {
    uint16_t unit_a, unit_b;
    const bool more_a = units_a.Next(&unit_a);
    const bool more_b = units_b.Next(&unit_b);
    if (!more_a || !more_b) return more_a - more_b;
    if (unit_a != unit_b) return unit_a < unit_b ? -1 : 1;
  }
}

}  // namespace vem
