// The records the library and its dialog helper program (vemmsgbox) exchange:
// the request for one box, which the library writes to the helper's standard
// input, and the helper's answer to an owner search. A record is a sequence of
// named fields, each written as "<name> <byte count>\n<bytes>\n", so values
// of any length and content (line breaks, NULs, invalid UTF-8) pass unchanged.
#ifndef VEMMISC_MSGBOX_HELPER_PROTOCOL_H_
#define VEMMISC_MSGBOX_HELPER_PROTOCOL_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vem {

// End codes of a box, which the helper writes to its standard output as the
// field kEnd and also exits with; kHelperExitCannotShow when no box could be
// shown (no display, unreadable request). A helper that ends without writing
// one (killed, its display gone) showed no answer either.
constexpr int kHelperExitOk = 1;
constexpr int kHelperExitCancelled = 2;
constexpr int kHelperExitCannotShow = 3;

// Field names of a request (comment and message are left out when null) and
// of the helper's answers (the owner found, the box's end code).
namespace request_field {
constexpr std::string_view kCaption = "caption";
constexpr std::string_view kComment = "comment";
constexpr std::string_view kMessage = "message";
constexpr std::string_view kKind = "kind";
constexpr std::string_view kOwner = "owner";
constexpr std::string_view kEnd = "end";
}  // namespace request_field

// Everything `descriptor` gives until its end, a failed read, or (when it is
// non-blocking) until it has nothing more at the moment.
std::string ReadToEnd(int descriptor);

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

#endif  // VEMMISC_MSGBOX_HELPER_PROTOCOL_H_
