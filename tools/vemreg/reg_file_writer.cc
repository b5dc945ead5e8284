#include "tools/vemreg/reg_file_writer.h"

#include <cstdio>

#include "text/utf16_text.h"
#include "tools/vemreg/ansi_text.h"
#include "tools/vemreg/reg_file_reader.h"

namespace vem {

namespace {

constexpr char kLineEnd[] = "\r\n";
// The editor folds hex data after the comma that brings the line to 77
// characters or more, and indents continuation lines by two spaces, so that
// they hold 25 bytes each; the first byte always stays on the name's line.
constexpr size_t kFoldColumn = 77;
constexpr char kContinuation[] = "\\\r\n  ";

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

bool IsSurrogate(uint16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// True when the data is one zero-terminated UTF-16 string without other
// zeros and without unpaired surrogates, so that its text gives it back.
bool IsPlainString(const std::vector<uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const size_t count = data.size() / 2;
  for (size_t i = 0; i < count; ++i) {
    const uint16_t unit = data[2 * i] | (data[2 * i + 1] << 8);
    if (unit == 0) return i + 1 == count;
    if (!IsSurrogate(unit)) continue;
    const uint16_t next = i + 1 < count ? data[2 * i + 2] | (data[2 * i + 3] << 8) : 0;
    if (unit >= 0xDC00 || next < 0xDC00 || next > 0xDFFF) return false;
    ++i;
  }
  return false;
}

// The UTF-16 length of UTF-8 text, which is the editor's measure of a line.
size_t Utf16Length(const std::string& text, size_t from) {
  size_t length = 0;
  for (size_t i = from; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) length += c >= 0xF0 ? 2 : 1;
  }
  return length;
}

}  // namespace

RegFileWriter::RegFileWriter(Format format) : format_(format) {
  text_ = format == Format::kRegedit4 ? kRegFile4Header : kRegFileHeader;
  text_ += kLineEnd;
}

bool RegFileWriter::Encodable(const std::string& text) const {
  if (format_ != Format::kRegedit4) return true;
  std::string ignored;
  return Utf8ToAnsi(text, &ignored);
}

bool RegFileWriter::AddKey(const std::string& full_name) {
  if (HasLineBreak(full_name) || !Encodable(full_name)) return false;
  text_ += kLineEnd;
  text_ += '[';
  text_ += full_name;
  text_ += ']';
  text_ += kLineEnd;
  return true;
}

void RegFileWriter::AppendQuoted(const std::string& text) {
  text_.push_back('"');
  for (char c : text) {
    switch (c) {
      case '\\':
      case '"':
        text_.push_back('\\');
        text_.push_back(c);
        break;
      case '\n': text_ += "\\n"; break;
      case '\r': text_ += "\\r"; break;
      default: text_.push_back(c);
    }
  }
  text_.push_back('"');
}

bool RegFileWriter::AddValue(const HiveValue& value) {
  line_start_ = text_.size();
  if (AppendValue(value)) return true;
  text_.resize(line_start_);
  return false;
}

bool RegFileWriter::AppendValue(const HiveValue& value) {
  if (!Encodable(value.name)) return false;
  if (value.name.empty()) {
    text_ += '@';
  } else {
    AppendQuoted(value.name);
  }
  text_ += '=';
  const bool ansi = format_ == Format::kRegedit4;
  if (value.type == kRegSz && IsPlainString(value.data)) {
    const std::string text = Utf16LeToUtf8(value.data.data(), value.data.size() - 2);
    if (Encodable(text)) {
      AppendQuoted(text);
      text_ += kLineEnd;
      return true;
    }
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    char number[16];
    std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", value.data[3], value.data[2], value.data[1],
                  value.data[0]);
    text_ += number;
    text_ += kLineEnd;
    return true;
  }
  char type[24] = "hex:";
  if (value.type != kRegBinary) {
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
  }
  if (ansi && (value.type == kRegExpandSz || value.type == kRegMultiSz)) {
    std::string bytes;
    if (!Utf16LeToAnsi(value.data, &bytes)) return false;
    AppendHexData(type, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  } else {
    AppendHexData(type, value.data);
  }
  return true;
}

void RegFileWriter::AppendHexData(const char* type, const std::vector<uint8_t>& data) {
  static const char kDigits[] = "0123456789abcdef";
  text_ += type;
  size_t column = Utf16Length(text_, line_start_);
  text_.reserve(text_.size() + data.size() * 3 + data.size() / 25 * 5 + 2);
  for (size_t i = 0; i < data.size(); ++i) {
    text_ += kDigits[data[i] >> 4];
    text_ += kDigits[data[i] & 0xF];
    if (i + 1 == data.size()) break;
    text_ += ',';
    column += 3;
    if (column >= kFoldColumn) {
      text_ += kContinuation;
      column = 2;
    }
  }
  text_ += kLineEnd;
}

std::vector<uint8_t> RegFileWriter::Finish() {
  text_ += kLineEnd;
  if (format_ == Format::kRegedit4) {
    // Names and texts were checked as they were added.
    std::string bytes;
    Utf8ToAnsi(text_, &bytes);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  std::vector<uint8_t> file = {0xFF, 0xFE};
  const std::vector<uint8_t> units = Utf8ToUtf16Le(text_.data(), text_.size());
  file.insert(file.end(), units.begin(), units.end());
  return file;
}

}  // namespace vem
