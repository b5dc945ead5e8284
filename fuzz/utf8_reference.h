// A slow reference for the UTF-8 <-> UTF-16 conversions. It does not reason
// about byte ranges: a byte string is well formed when it is exactly the
// textbook encoding of the scalar value its payload bits spell, and the
// proper prefixes of well-formed sequences are found once by encoding every
// scalar value. At each position the longest well-formed sequence is taken;
// failing that, the longest prefix of one (at least one byte) is a maximal
// subpart and becomes one U+FFFD.
#ifndef VEMMISC_FUZZ_UTF8_REFERENCE_H_
#define VEMMISC_FUZZ_UTF8_REFERENCE_H_

#include <cstdint>
#include <string>
#include <unordered_set>

namespace vem_test {

class Utf8Reference {
 public:
  Utf8Reference() {
    for (uint32_t code = 0x80; code <= 0x10FFFF; ++code) {
      const std::string bytes = Encode(code);
      for (size_t n = 1; IsScalar(code) && n < bytes.size(); ++n) prefixes_.insert(bytes.substr(0, n));
    }
  }

  std::u16string Decode(const std::string& text) const {
    std::u16string out;
    for (size_t at = 0, n = 4; at < text.size(); at += n, n = 4) {
      uint32_t code = 0;
      while (n > 0 && !WellFormed(text.substr(at, n), &code)) --n;
      if (n > 0) {
        if (code >= 0x10000) out.push_back(static_cast<char16_t>(0xD7C0 + (code >> 10)));
        out.push_back(static_cast<char16_t>(code >= 0x10000 ? 0xDC00 | (code & 0x3FF) : code));
        continue;
      }
      for (n = 3; n > 1 && prefixes_.count(text.substr(at, n)) == 0;) --n;
      out.push_back(0xFFFD);
    }
    return out;
  }

  // UTF-16 to UTF-8, an unpaired surrogate as U+FFFD.
  static std::string Encode(const std::u16string& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
      uint32_t code = units[i];
      if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && (units[i + 1] & 0xFC00) == 0xDC00) {
        code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
      }
      out += Encode(IsScalar(code) ? code : 0xFFFD);
    }
    return out;
  }

  static std::string Encode(uint32_t code) {
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    std::string s(1, static_cast<char>(((0xFF00u >> (tail + 1)) & 0xFF) | (code >> (6 * tail))));
    for (int i = tail - 1; i >= 0; --i) s += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
    return s;
  }

 private:
  static bool IsScalar(uint32_t code) { return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF); }

  static bool WellFormed(const std::string& bytes, uint32_t* code) {
    uint32_t value = static_cast<unsigned char>(bytes[0]) & (bytes.size() == 1 ? 0x7F : 0x7Fu >> bytes.size());
    for (size_t i = 1; i < bytes.size(); ++i) value = (value << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3Fu);
    *code = value;
    return IsScalar(value) && Encode(value) == bytes;
  }

  std::unordered_set<std::string> prefixes_;
};

}  // namespace vem_test

#endif  // VEMMISC_FUZZ_UTF8_REFERENCE_H_
