// A slow reference decoder of UTF-8 into UTF-16 for the narrow text fuzzer.
// It does not reason about byte ranges at all. A byte string is well formed
// when it is the textbook encoding of the scalar value its payload bits
// spell; the proper prefixes of well-formed sequences are found once by
// encoding every scalar value. At each position the longest well-formed
// sequence is taken; failing that, the longest prefix of one (at least one
// byte) is a maximal subpart and becomes one U+FFFD.
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
      if (code >= 0xD800 && code <= 0xDFFF) continue;
      const std::string bytes = Encode(code);
      for (size_t n = 1; n < bytes.size(); ++n) prefixes_.insert(bytes.substr(0, n));
    }
  }

  // The UTF-16 code units of NUL-terminated text.
  std::u16string Decode(const char* text) const {
    const std::string input(text);
    std::u16string out;
    size_t at = 0;
    while (at < input.size()) {
      const auto lead = static_cast<unsigned char>(input[at]);
      if (lead < 0x80) {
        out.push_back(lead);
        ++at;
        continue;
      }
      size_t taken = 0;
      for (size_t n = 4; n >= 2 && taken == 0; --n) {
        if (at + n > input.size()) continue;
        uint32_t code = 0;
        if (!WellFormed(input.substr(at, n), &code)) continue;
        AppendUtf16(code, &out);
        taken = n;
      }
      if (taken == 0) {
        size_t subpart = 1;
        for (size_t n = 3; n >= 1 && subpart == 1; --n) {
          if (at + n <= input.size() && prefixes_.count(input.substr(at, n)) != 0) {
            subpart = n;
          }
        }
        out.push_back(0xFFFD);
        taken = subpart;
      }
      at += taken;
    }
    return out;
  }

 private:
  // Whether bytes is exactly the encoding of a scalar value (then *code).
  static bool WellFormed(const std::string& bytes, uint32_t* code) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length != bytes.size()) return false;
    uint32_t value = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
      value = (value << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3Fu);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    if (value < 0x80 || Encode(value) != bytes) return false;
    *code = value;
    return true;
  }

  static std::string Encode(uint32_t code) {
    std::string s;
    if (code < 0x800) {
      s += static_cast<char>(0xC0 | (code >> 6));
    } else if (code < 0x10000) {
      s += static_cast<char>(0xE0 | (code >> 12));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (code >> 18));
      s += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    s += static_cast<char>(0x80 | (code & 0x3F));
    return s;
  }

  static void AppendUtf16(uint32_t code, std::u16string* out) {
    if (code < 0x10000) {
      out->push_back(static_cast<char16_t>(code));
    } else {
      out->push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
  }

  std::unordered_set<std::string> prefixes_;
};

}  // namespace vem_test

#endif  // VEMMISC_FUZZ_UTF8_REFERENCE_H_
