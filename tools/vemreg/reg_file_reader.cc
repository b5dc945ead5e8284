#include "tools/vemreg/reg_file_reader.h"

#include <algorithm>
#include <string_view>

#include "settings/registry_defs.h"
#include "text/name_case.h"
#include "text/utf16_text.h"
#include "tools/vemreg/ansi_text.h"
#include "tools/vemreg/value_text.h"

namespace vem {

const char kRegFileHeader[] = "Windows Registry Editor Version 5.00";
const char kRegFile4Header[] = "REGEDIT4";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsWith(const std::vector<uint8_t>& bytes, size_t offset, std::string_view prefix) {
  return bytes.size() >= offset + prefix.size() &&
         std::string_view(reinterpret_cast<const char*>(bytes.data()) + offset, prefix.size()) == prefix;
}

// The file's text as UTF-8, and whether its strings are UTF-16 (version
// 5.00) rather than ANSI (REGEDIT4) in hex(2) and hex(7) data.
bool DecodeText(const std::vector<uint8_t>& bytes, std::string* text, std::string* error) {
  const char* chars = reinterpret_cast<const char*>(bytes.data());
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    if (bytes.size() % 2 != 0) {
      *error = "the UTF-16 text ends in the middle of a character";
      return false;
    }
    *text = Utf16LeToUtf8(bytes.data() + 2, bytes.size() - 2);
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    *error = "the file is UTF-16 big-endian; save it as UTF-16LE, UTF-8 or ASCII";
    return false;
  } else if (StartsWith(bytes, 0, kRegFile4Header)) {
    *text = AnsiToUtf8(std::string_view(chars, bytes.size()));
  } else {
    // Names go into the hive as UTF-8 and come out of export as UTF-16, so
    // malformed bytes become U+FFFD here, as the library's narrow text does,
    // rather than names that no export could reproduce.
    const size_t skip = StartsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    const std::vector<uint8_t> wide = Utf8ToUtf16Le(chars + skip, bytes.size() - skip);
    *text = Utf16LeToUtf8(wide.data(), wide.size());
  }
  return true;
}

class Parser {
 public:
  Parser(std::string_view text, std::vector<RegFileEntry>* entries, std::string* error)
      : text_(text), entries_(entries), error_(error) {}

  bool Parse() {
    const size_t header_end = LineEnd(0);
    std::string_view header = text_.substr(0, header_end);
    while (!header.empty() && IsBlank(header.back())) header.remove_suffix(1);
    if (header != kRegFileHeader && header != kRegFile4Header) {
      return Fail(
          0, std::string("the file does not start with \"") + kRegFileHeader + "\" or \"" + kRegFile4Header + "\"");
    }
    unicode_strings_ = header == kRegFileHeader;
    pos_ = header_end;
    SkipLineBreak();
    while (pos_ < text_.size()) {
      SkipBlanks();
      bool parsed = true;
      if (AtLineEnd()) {
        SkipLineBreak();
      } else if (text_[pos_] == ';') {
        SkipRestOfLine();
      } else if (text_[pos_] == '[') {
        parsed = ParseKeyLine();
      } else if (text_[pos_] == '"' || text_[pos_] == '@') {
        parsed = ParseValueLine();
      } else {
        parsed = Fail(pos_, "neither a key, a value nor a comment");
      }
      if (!parsed) return false;
    }
    return true;
  }

 private:
  // The line and column (both from 1, columns in characters) of `at`.
  void Locate(size_t at, int* line, int* column) const {
    *line = 1;
    *column = 1;
    for (size_t i = 0; i < at && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++*line;
        *column = 1;
      } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
        ++*column;
      }
    }
  }

  // The line of `at`, counted on from the last position asked for: entries
  // ask in file order, so the whole file is counted once.
  int LineOf(size_t at) {
    counted_line_ += static_cast<int>(std::count(text_.begin() + static_cast<ptrdiff_t>(counted_to_),
                                                 text_.begin() + static_cast<ptrdiff_t>(at), '\n'));
    counted_to_ = at;
    return counted_line_;
  }

  bool Fail(size_t at, const std::string& message) {
    int line, column;
    Locate(at, &line, &column);
    *error_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + message;
    return false;
  }

  // Where the line holding `at` ends: at its '\r\n', its '\n' or the text's end.
  size_t LineEnd(size_t at) const {
    size_t end = text_.find('\n', at);
    if (end == std::string_view::npos) end = text_.size();
    if (end > at && text_[end - 1] == '\r') --end;
    return end;
  }
  bool AtLineEnd() const {
    return pos_ == text_.size() || text_[pos_] == '\n' ||
           (text_[pos_] == '\r' && (pos_ + 1 == text_.size() || text_[pos_ + 1] == '\n'));
  }
  void SkipLineBreak() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  }
  void SkipRestOfLine() {
    pos_ = LineEnd(pos_);
    SkipLineBreak();
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  // Nothing but blanks, or a comment, may follow a value's data.
  bool EndLine(const char* what) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ';') pos_ = LineEnd(pos_);
    if (!AtLineEnd()) return Fail(pos_, std::string("text after ") + what);
    SkipLineBreak();
    return true;
  }

  bool ParseKeyLine() {
    const size_t start = pos_;
    const size_t end = LineEnd(pos_);
    std::string_view line = text_.substr(start, end - start);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (line.size() < 2 || line.back() != ']') {
      return Fail(start + line.size(), "the key name is not closed with ']'");
    }
    std::string_view name = line.substr(1, line.size() - 2);
    RegFileEntry entry;
    entry.kind = RegFileEntry::Kind::kKey;
    entry.line = LineOf(start);
    if (!name.empty() && name.front() == '-') {
      entry.kind = RegFileEntry::Kind::kDeleteKey;
      name.remove_prefix(1);
    }
    if (!ParseKeyName(name, &entry.key)) {
      return Fail(start + 1, "\"" + std::string(name) +
                                 "\" is not a key below HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                                 "HKEY_LOCAL_MACHINE, HKEY_USERS or HKEY_CURRENT_CONFIG");
    }
    if (entry.kind == RegFileEntry::Kind::kDeleteKey && entry.key.path.empty()) {
      return Fail(start + 1, "a root key cannot be deleted");
    }
    in_key_ = entry.kind == RegFileEntry::Kind::kKey;
    entries_->push_back(std::move(entry));
    pos_ = end;
    SkipLineBreak();
    return true;
  }

  // The quoted string at pos_, which may run over line breaks; pos_ ends
  // past the closing quote.
  bool ParseQuoted(std::string* out) {
    const size_t open = pos_++;
    out->clear();
    while (pos_ < text_.size()) {
      const size_t run = text_.find_first_of("\"\\", pos_);
      if (run == std::string_view::npos) break;
      out->append(text_, pos_, run - pos_);
      pos_ = run + 1;
      if (text_[run] == '"') return true;
      if (pos_ == text_.size()) break;
      const char escaped = text_[pos_];
      static const char kEscapes[] = "\\\\\"\"n\nr\r0\0";
      size_t known = 0;
      while (known < sizeof kEscapes - 1 && kEscapes[known] != escaped) known += 2;
      if (known >= sizeof kEscapes - 1) {
        return Fail(
            run, std::string("unknown escape \\") + escaped + " in a string (the escapes are \\\\ \\\" \\n \\r \\0)");
      }
      out->push_back(kEscapes[known + 1]);
      ++pos_;
    }
    return Fail(open, "the string is not closed with '\"'");
  }

  bool ParseValueLine() {
    const size_t start = pos_;
    if (!in_key_) return Fail(start, "a value outside of any key");
    RegFileEntry entry;
    entry.kind = RegFileEntry::Kind::kSetValue;
    entry.line = LineOf(start);
    if (text_[pos_] == '@') {
      ++pos_;
    } else {
      if (!ParseQuoted(&entry.value.name)) return false;
      if (entry.value.name.find('\0') != std::string::npos) {
        return Fail(start, "a value name cannot hold \\0");
      }
    }
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '=') {
      return Fail(pos_, "'=' is missing after the value name");
    }
    ++pos_;
    SkipBlanks();
    const std::string_view rest = text_.substr(pos_, 6);
    bool parsed;
    if (!rest.empty() && rest.front() == '-') {
      ++pos_;
      entry.kind = RegFileEntry::Kind::kDeleteValue;
      parsed = EndLine("the '-' that deletes a value");
    } else if (!rest.empty() && rest.front() == '"') {
      parsed = ParseStringData(&entry.value);
    } else if (SameName(rest, "dword:")) {
      pos_ += 6;
      parsed = ParseDwordData(&entry.value);
    } else if (SameName(rest.substr(0, 3), "hex")) {
      pos_ += 3;
      parsed = ParseHexData(&entry.value);
    } else {
      parsed = Fail(pos_, "the data is neither a string, dword:, hex: nor hex(type):");
    }
    if (!parsed) return false;
    entries_->push_back(std::move(entry));
    return true;
  }

  bool ParseStringData(HiveValue* value) {
    std::string text;
    if (!ParseQuoted(&text) || !EndLine("the string")) return false;
    value->type = kRegSz;
    value->data = Utf8ToUtf16Le(text.data(), text.size());
    value->data.push_back(0);
    value->data.push_back(0);
    return true;
  }

  bool ParseDwordData(HiveValue* value) {
    const size_t start = pos_;
    uint32_t number = 0;
    while (pos_ < text_.size() && pos_ - start < 9 && HexDigitValue(text_[pos_]) >= 0) {
      number = number * 16 + static_cast<uint32_t>(HexDigitValue(text_[pos_++]));
    }
    if (pos_ == start || pos_ - start > 8) {
      return Fail(start, "dword: needs 1 to 8 hex digits");
    }
    if (!EndLine("the dword: digits")) return false;
    value->type = kRegDword;
    value->data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
                   static_cast<uint8_t>(number >> 24)};
    return true;
  }

  // After "hex": ":" or "(N):" (N in hex), then bytes as hex digits
  // separated by commas, folded over lines that end with '\'.
  bool ParseHexData(HiveValue* value) {
    value->type = kRegBinary;
    if (pos_ < text_.size() && text_[pos_] == '(') {
      const size_t open = pos_++;
      uint32_t type = 0;
      while (pos_ < text_.size() && pos_ - open <= 8 && HexDigitValue(text_[pos_]) >= 0) {
        type = type * 16 + static_cast<uint32_t>(HexDigitValue(text_[pos_++]));
      }
      if (pos_ == open + 1 || pos_ >= text_.size() || text_[pos_] != ')') {
        return Fail(open, "hex( needs a type of 1 to 8 hex digits and ')'");
      }
      ++pos_;
      value->type = type;
    }
    if (pos_ >= text_.size() || text_[pos_] != ':') return Fail(pos_, "':' is missing after hex");
    ++pos_;
    if (!ParseHexBytes(&value->data)) return false;
    if (!unicode_strings_ && (value->type == kRegExpandSz || value->type == kRegMultiSz)) {
      value->data = AnsiToUtf16Le(value->data);
    }
    return true;
  }

  bool ParseHexBytes(std::vector<uint8_t>* data) {
    while (true) {
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == '\\') {
        const size_t fold = pos_++;
        SkipBlanks();
        if (!AtLineEnd()) return Fail(pos_, "text after the '\\' that folds the line");
        SkipLineBreak();
        if (pos_ == text_.size()) {
          return Fail(fold, "the line is folded with '\\' but the file ends");
        }
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ';') pos_ = LineEnd(pos_);
      if (AtLineEnd()) {
        SkipLineBreak();
        return true;
      }
      const size_t item = pos_;
      int byte = 0;
      while (pos_ < text_.size() && pos_ - item < 2 && HexDigitValue(text_[pos_]) >= 0) {
        byte = byte * 16 + HexDigitValue(text_[pos_++]);
      }
      SkipBlanks();
      const bool separated = pos_ < text_.size() && text_[pos_] == ',';
      if (pos_ == item || (!separated && !AtLineEnd() && text_[pos_] != '\\' && text_[pos_] != ';')) {
        size_t end = text_.find_first_of(",\\; \t\r\n", item);
        if (end == item) end = item + 1;
        return Fail(item, "\"" + std::string(text_.substr(item, end - item)) + "\" is not a byte in hex digits");
      }
      data->push_back(static_cast<uint8_t>(byte));
      if (separated) ++pos_;
    }
  }

  const std::string_view text_;
  std::vector<RegFileEntry>* entries_;
  std::string* error_;
  size_t pos_ = 0;
  bool in_key_ = false;
  bool unicode_strings_ = true;
  size_t counted_to_ = 0;
  int counted_line_ = 1;
};

}  // namespace

bool ReadRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileEntry>* entries, std::string* error) {
  entries->clear();
  std::string text;
  if (!DecodeText(bytes, &text, error)) return false;
  // At most one entry per line.
  entries->reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  return Parser(text, entries, error).Parse();
}

}  // namespace vem
