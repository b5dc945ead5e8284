#include "tools/vemreg/reg_file_reader.h"

#include <string_view>

#include "settings/registry_defs.h"
#include "text/utf16_text.h"
#include "tools/vemreg/ascii_case.h"
#include "tools/vemreg/value_text.h"

namespace vem {

const char kRegFileHeader[] = "Windows Registry Editor Version 5.00";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Nothing but blanks, or a comment, may follow a value's data.
bool IsEndOfLine(std::string_view rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == ';';
}

// The file's text as UTF-8, split into lines (without their line ends).
bool DecodeLines(const std::vector<uint8_t>& bytes, std::vector<std::string>* lines,
                 std::string* error) {
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    if (bytes.size() % 2 != 0) {
      *error = "the UTF-16 text ends in the middle of a character";
      return false;
    }
    text = Utf16LeToUtf8(bytes.data() + 2, bytes.size() - 2);
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    *error = "the file is UTF-16 big-endian; save it as UTF-16LE, UTF-8 or ASCII";
    return false;
  } else {
    const bool utf8_bom =
        bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    // Names go into the hive as UTF-8 and come out of export as UTF-16, so
    // malformed bytes become U+FFFD here, as the library's narrow text does,
    // rather than names that no export could reproduce.
    const size_t skip = utf8_bom ? 3 : 0;
    const std::vector<uint8_t> wide = Utf8ToUtf16Le(
        reinterpret_cast<const char*>(bytes.data()) + skip, bytes.size() - skip);
    text = Utf16LeToUtf8(wide.data(), wide.size());
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t content_end = end;
    if (content_end > start && text[content_end - 1] == '\r') --content_end;
    lines->emplace_back(text, start, content_end - start);
    start = end + 1;
  }
  return true;
}

class Parser {
 public:
  Parser(const std::vector<std::string>& lines, std::vector<RegFileEntry>* entries,
         std::string* error)
      : lines_(lines), entries_(entries), error_(error) {}

  bool Parse() {
    if (lines_.empty() || TrimRight(lines_[0]) != kRegFileHeader) {
      return Fail(1, std::string("the file does not start with \"") + kRegFileHeader + "\"");
    }
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string_view line = TrimLeft(lines_[index_]);
      if (line.empty() || line.front() == ';') continue;
      bool parsed;
      if (line.front() == '[') {
        parsed = ParseKeyLine(line);
      } else if (line.front() == '"' || line.front() == '@') {
        parsed = ParseValueLine(line);
      } else {
        parsed = Fail(LineNumber(), "neither a key, a value nor a comment");
      }
      if (!parsed) return false;
    }
    return true;
  }

 private:
  int LineNumber() const { return static_cast<int>(index_) + 1; }

  bool Fail(int line, const std::string& message) {
    *error_ = "line " + std::to_string(line) + ": " + message;
    return false;
  }

  bool ParseKeyLine(std::string_view line) {
    line = TrimRight(line);
    if (line.size() < 2 || line.back() != ']') {
      return Fail(LineNumber(), "the key name is not closed with ']'");
    }
    std::string_view name = line.substr(1, line.size() - 2);
    RegFileEntry entry;
    entry.kind = RegFileEntry::Kind::kKey;
    entry.line = LineNumber();
    if (!name.empty() && name.front() == '-') {
      entry.kind = RegFileEntry::Kind::kDeleteKey;
      name.remove_prefix(1);
    }
    if (!ParseKeyName(name, &entry.key)) {
      return Fail(LineNumber(), "\"" + std::string(name) +
                                    "\" is not a key below HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                                    "HKEY_LOCAL_MACHINE, HKEY_USERS or HKEY_CURRENT_CONFIG");
    }
    if (entry.kind == RegFileEntry::Kind::kDeleteKey && entry.key.path.empty()) {
      return Fail(LineNumber(), "a root key cannot be deleted");
    }
    in_key_ = entry.kind == RegFileEntry::Kind::kKey;
    entries_->push_back(std::move(entry));
    return true;
  }

  // A quoted string with the escapes \\ and \" at text[*pos]; *pos ends past
  // the closing quote.
  bool ParseQuoted(std::string_view text, size_t* pos, std::string* out) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
      if (text[i] == '"') {
        *pos = i + 1;
        return true;
      }
      if (text[i] == '\\') {
        if (i + 1 >= text.size()) break;
        if (text[i + 1] != '\\' && text[i + 1] != '"') {
          return Fail(LineNumber(), std::string("unknown escape \\") + text[i + 1] +
                                        " in a string (only \\\\ and \\\" are known)");
        }
        ++i;
      }
      out->push_back(text[i]);
    }
    return Fail(LineNumber(), "unterminated string");
  }

  bool ParseValueLine(std::string_view line) {
    const int line_number = LineNumber();
    if (!in_key_) return Fail(line_number, "a value outside of any key");
    RegFileEntry entry;
    entry.kind = RegFileEntry::Kind::kSetValue;
    entry.line = line_number;
    size_t pos = 1;
    if (line.front() == '"' && !ParseQuoted(line, &(pos = 0), &entry.value.name)) return false;
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') {
      return Fail(line_number, "'=' is missing after the value name");
    }
    rest = TrimLeft(rest.substr(1));
    bool parsed;
    if (!rest.empty() && rest.front() == '-' && IsEndOfLine(rest.substr(1))) {
      entry.kind = RegFileEntry::Kind::kDeleteValue;
      parsed = true;
    } else if (!rest.empty() && rest.front() == '"') {
      parsed = ParseStringData(rest, &entry.value);
    } else if (StartsWithIgnoringCase(rest, "dword:")) {
      parsed = ParseDwordData(rest.substr(6), &entry.value);
    } else if (StartsWithIgnoringCase(rest, "hex")) {
      parsed = ParseHexData(rest.substr(3), &entry.value);
    } else {
      parsed = Fail(line_number, "the data is neither a string, dword:, hex: nor hex(type):");
    }
    if (!parsed) return false;
    entries_->push_back(std::move(entry));
    return true;
  }

  bool ParseStringData(std::string_view rest, HiveValue* value) {
    size_t pos = 0;
    std::string text;
    if (!ParseQuoted(rest, &pos, &text)) return false;
    if (!IsEndOfLine(rest.substr(pos))) return Fail(LineNumber(), "text after the string");
    value->type = kRegSz;
    value->data = Utf8ToUtf16Le(text.data(), text.size());
    value->data.push_back(0);
    value->data.push_back(0);
    return true;
  }

  bool ParseDwordData(std::string_view rest, HiveValue* value) {
    uint32_t number = 0;
    size_t digits = 0;
    while (digits < rest.size() && HexDigitValue(rest[digits]) >= 0) {
      number = number * 16 + static_cast<uint32_t>(HexDigitValue(rest[digits]));
      ++digits;
    }
    if (digits == 0 || digits > 8 || !IsEndOfLine(rest.substr(digits))) {
      return Fail(LineNumber(), "dword: needs 1 to 8 hex digits");
    }
    value->type = kRegDword;
    value->data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                   static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    return true;
  }

  // "hex:" or "hex(N):" (N in hex) already stripped of "hex", then bytes as
  // two hex digits separated by commas, folded over lines that end with '\'.
  bool ParseHexData(std::string_view rest, HiveValue* value) {
    value->type = kRegBinary;
    if (!rest.empty() && rest.front() == '(') {
      const size_t close = rest.find(')');
      const std::string_view digits =
          rest.substr(1, close == std::string_view::npos ? 0 : close - 1);
      uint32_t type = 0;
      bool valid = close != std::string_view::npos && !digits.empty() && digits.size() <= 8;
      for (char c : digits) {
        valid = valid && HexDigitValue(c) >= 0;
        if (valid) type = type * 16 + static_cast<uint32_t>(HexDigitValue(c));
      }
      if (!valid) return Fail(LineNumber(), "hex( needs a type in hex digits and ')'");
      value->type = type;
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != ':') return Fail(LineNumber(), "':' is missing after hex");
    rest.remove_prefix(1);
    while (true) {
      std::string_view segment = TrimRight(rest);
      const bool folded = !segment.empty() && segment.back() == '\\';
      if (folded) segment.remove_suffix(1);
      if (!ParseHexBytes(segment, &value->data)) return false;
      if (!folded) return true;
      if (index_ + 1 >= lines_.size()) {
        return Fail(LineNumber(), "the line is folded with '\\' but the file ends");
      }
      ++index_;
      rest = TrimLeft(lines_[index_]);
    }
  }

  // Bytes of one line: "xx,xx,...", a trailing comma allowed.
  bool ParseHexBytes(std::string_view segment, std::vector<uint8_t>* data) {
    segment = TrimRight(segment);
    while (!segment.empty()) {
      const size_t comma = segment.find(',');
      const std::string_view item = TrimRight(TrimLeft(segment.substr(0, comma)));
      int byte = item.empty() || item.size() > 2 ? -1 : 0;
      for (size_t i = 0; byte >= 0 && i < item.size(); ++i) {
        const int digit = HexDigitValue(item[i]);
        byte = digit < 0 ? -1 : byte * 16 + digit;
      }
      if (byte < 0) {
        return Fail(LineNumber(), "\"" + std::string(item) + "\" is not a byte in hex digits");
      }
      data->push_back(static_cast<uint8_t>(byte));
      if (comma == std::string_view::npos) break;
      segment = TrimLeft(segment.substr(comma + 1));
    }
    return true;
  }

  const std::vector<std::string>& lines_;
  std::vector<RegFileEntry>* entries_;
  std::string* error_;
  size_t index_ = 0;
  bool in_key_ = false;
};

}  // namespace

bool ReadRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileEntry>* entries,
                 std::string* error) {
  std::vector<std::string> lines;
  entries->clear();
  if (!DecodeLines(bytes, &lines, error)) return false;
  return Parser(lines, entries, error).Parse();
}

}  // namespace vem
