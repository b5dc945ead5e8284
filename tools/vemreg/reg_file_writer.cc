#include "tools/vemreg/reg_file_writer.h"

#include <cstdio>

#include "text/utf16_text.h"

namespace vem {

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kLineEnd[] = "\r\n";
// The editor folds a hex line once it reaches 77 characters (the next byte
// with its comma and the backslash would pass 80), and indents continuation
// lines by two spaces, so that they hold 25 bytes each.
constexpr size_t kFoldColumn = 77;
constexpr char kContinuationIndent[] = "  ";

// A string in quotes with the format's two escapes.
void AppendQuoted(const std::string& text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// The data as "text" if it is exactly one zero-terminated UTF-16 string that
// converts back to the same bytes and holds no line break; else empty.
bool AsPlainString(const std::vector<uint8_t>& data, std::string* text) {
  if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 ||
      data[data.size() - 2] != 0) {
    return false;
  }
  *text = Utf16LeToUtf8(data.data(), data.size() - 2);
  if (text->find('\0') != std::string::npos || HasLineBreak(*text)) return false;
  return Utf8ToUtf16Le(text->data(), text->size()) ==
         std::vector<uint8_t>(data.begin(), data.end() - 2);
}

}  // namespace

RegFileWriter::RegFileWriter() { text_ = std::string(kHeader) + kLineEnd; }

bool RegFileWriter::AddKey(const std::string& full_name) {
  if (HasLineBreak(full_name)) return false;
  text_ += kLineEnd;
  text_ += '[';
  text_ += full_name;
  text_ += ']';
  text_ += kLineEnd;
  return true;
}

bool RegFileWriter::AddValue(const HiveValue& value) {
  if (HasLineBreak(value.name)) return false;
  std::string prefix;
  if (value.name.empty()) {
    prefix = "@";
  } else {
    AppendQuoted(value.name, &prefix);
  }
  prefix += '=';
  std::string text;
  if (value.type == kRegSz && AsPlainString(value.data, &text)) {
    text_ += prefix;
    AppendQuoted(text, &text_);
    text_ += kLineEnd;
  } else if (value.type == kRegDword && value.data.size() == 4) {
    char number[16];
    std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", value.data[3], value.data[2],
                  value.data[1], value.data[0]);
    text_ += prefix + number + kLineEnd;
  } else if (value.type == kRegBinary) {
    AppendHexData(prefix + "hex:", value.data);
  } else {
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    AppendHexData(prefix + type, value.data);
  }
  return true;
}

void RegFileWriter::AppendHexData(const std::string& prefix, const std::vector<uint8_t>& data) {
  static const char kDigits[] = "0123456789abcdef";
  text_ += prefix;
  size_t column = prefix.size();
  for (size_t i = 0; i < data.size(); ++i) {
    const bool last = i + 1 == data.size();
    if (column >= kFoldColumn) {
      text_ += '\\';
      text_ += kLineEnd;
      text_ += kContinuationIndent;
      column = sizeof kContinuationIndent - 1;
    }
    text_ += kDigits[data[i] >> 4];
    text_ += kDigits[data[i] & 0xF];
    column += 2;
    if (!last) {
      text_ += ',';
      ++column;
    }
  }
  text_ += kLineEnd;
}

std::vector<uint8_t> RegFileWriter::Finish() {
  text_ += kLineEnd;
  std::vector<uint8_t> file = {0xFF, 0xFE};
  const std::vector<uint8_t> units = Utf8ToUtf16Le(text_.data(), text_.size());
  file.insert(file.end(), units.begin(), units.end());
  return file;
}

}  // namespace vem
