// The records the library and its dialog helper program (vemmsgbox) exchange:
// the request for one box, which the library writes to the helper's standard
// input, and the helper's answer to an owner search. A record is a sequence of
// named fields, each written as "<name> <byte count>\n<bytes>\n", so values
// of any length and content (line breaks, NULs, invalid UTF-8) pass unchanged.
#ifndef VEMMISC_MSGBOX_HELPER_PROTOCOL_H
#define VEMMISC_MSGBOX_HELPER_PROTOCOL_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vem {

// Exit statuses of the helper: the dialog's end code, or that it could not be
// shown (no display, unreadable request). A helper that is killed or cannot
// be started counts as "could not show" too.
constexpr int kHelperExitOk = 1;
constexpr int kHelperExitCancelled = 2;
constexpr int kHelperExitCannotShow = 3;

// Field names of a request. Comment and message are left out when null.
namespace request_field {
constexpr std::string_view kCaption = "caption";
constexpr std::string_view kComment = "comment";
constexpr std::string_view kMessage = "message";
constexpr std::string_view kKind = "kind";
constexpr std::string_view kOwner = "owner";
}  // namespace request_field

class FieldRecord {
 public:
  void Add(std::string_view name, std::string_view value);
  void Add(std::string_view name, std::int64_t value);

  // The encoded record.
  const std::string& bytes() const { return bytes_; }

  // Reads an encoded record. False (and no fields) when it is malformed:
  // a truncated field, a bad count, or a field not closed by its line end.
  bool Parse(std::string_view encoded);

  // The value of the first field with this name, or null.
  const std::string* Find(std::string_view name) const;
  // The first field with this name as a decimal integer; false when absent
  // or not a number.
  bool FindInteger(std::string_view name, std::int64_t* value) const;

 private:
  std::string bytes_;
  std::vector<std::pair<std::string, std::string>> fields_;
};

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_PROTOCOL_H
