#include "msgbox/message_box_service.h"

#include <algorithm>
#include <new>

#include "text/narrow_text.h"

namespace vem {
namespace {

using WideString = std::basic_string<VemWChar>;

constexpr std::int32_t kFailed = -1;

bool IsHighSurrogate(VemWChar unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// A heap copy of a terminated text, terminator included; null for null.
// Sets *failed when the copy cannot be allocated.
std::unique_ptr<VemWChar[]> CopyText(const VemWChar* text, bool* failed) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::char_traits<VemWChar>::length(text) + 1;
  std::unique_ptr<VemWChar[]> copy(new (std::nothrow) VemWChar[size]);
  if (!copy) {
    *failed = true;
    return nullptr;
  }
  std::copy(text, text + size, copy.get());
  return copy;
}

}  // namespace

// What a display thread needs; the thread owns it from the moment it starts.
struct MessageBoxService::Request {
  WindowHandle owner = 0;
  std::unique_ptr<VemWChar[]> message;
  std::unique_ptr<VemWChar[]> comment;
  bool awaited = false;  // mode 1: `event` is set when the box has closed
  EventHandle event = 0;
  std::int32_t kind = 0;
  ModuleHandle module = nullptr;
  MessageBoxService* service = nullptr;
};

std::int32_t MessageBoxService::Show(const VemWChar* comment, const VemWChar* message, std::int32_t kind,
                                     std::int32_t mode) {
  SetUpOnFirstUse();
  switch (mode) {
    case 0: return ShowOnOwnThread(DialogRequest{comment, message, kind, 0, module_}, false);
    case 1: return ShowOnOwnThread(DialogRequest{comment, message, kind, owner_, module_}, true);
    case 2: return platform_->RunDialog(DialogRequest{comment, message, kind, owner_, module_}, *this);
    default: return 0;
  }
}

// The module and the owner are looked for once; only while the module is
// missing is the search repeated, so an owner found then is kept for good.
void MessageBoxService::SetUpOnFirstUse() {
  if (module_ == nullptr) {
    module_ = platform_->FindOwnModule();
    owner_ = platform_->FindOwnerWindow();
  }
}

// The texts are copied; the module and the owner go with them, so that the
// display thread reads nothing of the service but its caption.
std::int32_t MessageBoxService::ShowOnOwnThread(const DialogRequest& dialog, bool awaited) {
  std::unique_ptr<Request> request(new (std::nothrow) Request);
  if (!request) return kFailed;
  bool copy_failed = false;
  request->message = CopyText(dialog.message, &copy_failed);
  request->comment = CopyText(dialog.comment, &copy_failed);
  if (copy_failed) return kFailed;
  request->kind = dialog.kind;
  request->owner = dialog.owner;
  request->module = dialog.module;
  request->service = this;

  if (awaited) {
    if (!platform_->NewEvent(&request->event)) return kFailed;
    request->awaited = true;
    pending_events_.AddElement(request->event);
  }
  const EventHandle event = request->event;
  if (!platform_->StartDisplayThread(&RunDisplayThread, request.get())) {
    // Nothing will show this box; setting its event keeps a later wait from
    // hanging on it, and the record dies here.
    if (awaited) platform_->SignalEvent(event);
    return kFailed;
  }
  request.release();  // now the thread's
  return 0;
}

// The body of a display thread. The event is set only once the dialog has
// closed, and before the record goes: the waiter may close it right away.
void MessageBoxService::RunDisplayThread(void* argument) {
  std::unique_ptr<Request> request(static_cast<Request*>(argument));
  MessageBoxService& service = *request->service;
  service.platform_->RunDialog(
      DialogRequest{request->comment.get(), request->message.get(), request->kind, request->owner, request->module},
      service);
  if (request->awaited) service.platform_->SignalEvent(request->event);
}

std::int32_t MessageBoxService::ShowNarrow(const char* comment, const char* message, std::int32_t kind,
                                           std::int32_t mode) {
  WideString wide_comment;
  WideString wide_message;
  const bool has_comment = comment != nullptr && NarrowToWide(comment, NarrowCodePage::kThread, &wide_comment);
  const bool has_message = message != nullptr && NarrowToWide(message, NarrowCodePage::kThread, &wide_message);
  return Show(has_comment ? wide_comment.c_str() : nullptr, has_message ? wide_message.c_str() : nullptr, kind, mode);
}

void MessageBoxService::SetTitle(const VemWChar* title) {
  WideString path;
  if (title == nullptr) {
    if (!platform_->ExecutablePath(&path)) path.clear();
    title = path.c_str();
  }
  std::lock_guard<std::mutex> hold(title_lock_);
  StoreTitle(title);
  title_set_ = true;
}

void MessageBoxService::SetTitleNarrow(const char* title) {
  WideString wide_title;
  const bool converted = title != nullptr && NarrowToWide(title, NarrowCodePage::kThread, &wide_title);
  SetTitle(converted ? wide_title.c_str() : nullptr);
}

// Copies at most kTitleCapacity - 1 units, one less when the cut would leave
// the first half of a surrogate pair behind.
void MessageBoxService::StoreTitle(const VemWChar* title) {
  std::size_t length = 0;
  while (length < kTitleCapacity - 1 && title[length] != 0) ++length;
  if (length == kTitleCapacity - 1 && title[length] != 0 && IsHighSurrogate(title[length - 1])) {
    --length;
  }
  std::copy(title, title + length, title_);
  title_[length] = 0;
}

// Without a title set, the executable's path becomes the caption (empty when
// the path is unknown), unless a title was set while the path was looked up.
WideString MessageBoxService::Caption() {
  {
    std::lock_guard<std::mutex> hold(title_lock_);
    if (title_set_) return WideString(title_);
  }
  WideString path;
  if (!platform_->ExecutablePath(&path)) path.clear();
  std::lock_guard<std::mutex> hold(title_lock_);
  if (!title_set_) {
    StoreTitle(path.c_str());
    title_set_ = true;
  }
  return WideString(title_);
}

std::int32_t MessageBoxService::WaitForAwaitedBoxes() {
  const std::int32_t count = pending_events_.GetSize();
  if (count == 0) return 1;
  const EventHandle* events = pending_events_.GetArray();
  platform_->WaitForAllEvents(events, count);
  for (std::int32_t i = 0; i < count; ++i) platform_->CloseEvent(events[i]);
  pending_events_.Reset();
  return 1;
}

}  // namespace vem
