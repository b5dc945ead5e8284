// The process-wide state of the message box and the work of the exported
// functions, independent of how a platform draws dialogs or runs threads.
#ifndef VEMMISC_MSGBOX_MESSAGE_BOX_SERVICE_H_
#define VEMMISC_MSGBOX_MESSAGE_BOX_SERVICE_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "VemContainers.h"
#include "VemMiscDefs.h"
#include "msgbox/msgbox_platform.h"

namespace vem {

// The exported functions run on one thread at a time (their callers see to
// that), so the service guards nothing of theirs. The caption is the
// exception: display threads read it, and the first may set the default,
// while the caller may set a title.
class MessageBoxService final : public CaptionSource {
 public:
  // Room for the caption, terminator included: a caption has at most 259 units.
  static constexpr int kTitleCapacity = 260;

  // A service without a platform: EnsurePlatform must come before any other
  // call. Constructing it does nothing else, so it can be a global object.
  MessageBoxService() = default;
  explicit MessageBoxService(std::unique_ptr<MessageBoxPlatform> platform) : platform_(std::move(platform)) {}
  // Ends the display threads before the state they may read goes away. The
  // events still pending are not closed: their owner never waited for them.
  ~MessageBoxService() {
    if (platform_) platform_->EndDisplayThreads();
  }
  MessageBoxService(const MessageBoxService&) = delete;
  MessageBoxService& operator=(const MessageBoxService&) = delete;

  // Gives the service the platform that `make` returns, unless it has one.
  void EnsurePlatform(std::unique_ptr<MessageBoxPlatform> (*make)()) {
    if (!platform_) platform_ = make();
  }

  // The exported functions, with the same arguments and results.
  std::int32_t Show(const VemWChar* comment, const VemWChar* message, std::int32_t kind, std::int32_t mode);
  std::int32_t ShowNarrow(const char* comment, const char* message, std::int32_t kind, std::int32_t mode);
  void SetTitle(const VemWChar* title);
  void SetTitleNarrow(const char* title);
  std::int32_t WaitForAwaitedBoxes();

  // For a dialog as it initialises, on any thread.
  std::basic_string<VemWChar> Caption() override;

  // The module and the owner found at the first call (null, 0 for none).
  ModuleHandle module() const { return module_; }
  WindowHandle owner() const { return owner_; }
  // Number of mode 1 boxes not yet waited for.
  std::int32_t PendingCount() { return pending_events_.GetSize(); }

 private:
  struct Request;
  static void RunDisplayThread(void* request);

  void SetUpOnFirstUse();
  std::int32_t ShowOnOwnThread(const DialogRequest& dialog, bool awaited);
  void StoreTitle(const VemWChar* title);

  std::unique_ptr<MessageBoxPlatform> platform_;
  ModuleHandle module_ = nullptr;
  WindowHandle owner_ = 0;
  // Events of mode 1 boxes, in the order shown.
  UVector pending_events_;
  // Guards the caption and its flag, and nothing else.
  std::mutex title_lock_;
  VemWChar title_[kTitleCapacity] = {};
  bool title_set_ = false;
};

// The library's one service (defined with the other global objects).
extern MessageBoxService g_message_box_service;

}  // namespace vem

#endif  // VEMMISC_MSGBOX_MESSAGE_BOX_SERVICE_H_
