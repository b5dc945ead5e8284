#include "msgbox/helper_protocol.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace vem {

std::string ReadToEnd(int descriptor) {
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got > 0) {
      data.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      return data;
    }
  }
}

void FieldRecord::Add(std::string_view name, std::string_view value) {
  bytes_.append(name);
  bytes_ += ' ';
  bytes_ += std::to_string(value.size());
  bytes_ += '\n';
  bytes_.append(value);
  bytes_ += '\n';
  fields_.emplace_back(std::string(name), std::string(value));
}

void FieldRecord::Add(std::string_view name, std::int64_t value) { Add(name, std::string_view(std::to_string(value))); }

bool FieldRecord::Parse(std::string_view encoded) {
  std::vector<std::pair<std::string, std::string>> fields;
  std::string_view rest = encoded;
  while (!rest.empty()) {
    const std::size_t header_end = rest.find('\n');
    if (header_end == std::string_view::npos) return false;
    const std::string_view header = rest.substr(0, header_end);
    const std::size_t space = header.rfind(' ');
    if (space == std::string_view::npos || space == 0) return false;
    std::size_t size = 0;
    const char* count_begin = header.data() + space + 1;
    const char* count_end = header.data() + header.size();
    const auto parsed = std::from_chars(count_begin, count_end, size);
    if (parsed.ec != std::errc() || parsed.ptr != count_end || count_begin == count_end) return false;
    rest.remove_prefix(header_end + 1);
    if (rest.size() < size + 1 || rest[size] != '\n') return false;
    fields.emplace_back(std::string(header.substr(0, space)), std::string(rest.substr(0, size)));
    rest.remove_prefix(size + 1);
  }
  fields_ = std::move(fields);
  bytes_.assign(encoded);
  return true;
}

const std::string* FieldRecord::Find(std::string_view name) const {
  for (const auto& field : fields_) {
    if (field.first == name) return &field.second;
  }
  return nullptr;
}

bool FieldRecord::FindInteger(std::string_view name, std::int64_t* value) const {
  const std::string* text = Find(name);
  if (text == nullptr || text->empty()) return false;
  const char* end = text->data() + text->size();
  const auto parsed = std::from_chars(text->data(), end, *value);
  return parsed.ec == std::errc() && parsed.ptr == end;
}

}  // namespace vem
