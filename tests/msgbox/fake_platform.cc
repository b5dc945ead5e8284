#include "tests/msgbox/fake_platform.h"

namespace vem {
namespace testing {

ModuleHandle FakePlatform::FindOwnModule() {
  std::lock_guard<std::mutex> hold(log_->lock);
  ++log_->moduleSearches;
  return module;
}

WindowHandle FakePlatform::FindOwnerWindow() {
  std::lock_guard<std::mutex> hold(log_->lock);
  ++log_->ownerSearches;
  return ownerWindow;
}

bool FakePlatform::ExecutablePath(std::basic_string<VemWChar>* path) {
  if (!knowsExecutable) {
    *path = Wide("half-written");
    return false;
  }
  *path = executable;
  return true;
}

std::int32_t FakePlatform::RunDialog(const DialogRequest& request, CaptionSource& caption) {
  ShownDialog shown{request.comment != nullptr,
                    request.comment != nullptr ? WideText(request.comment) : WideText(),
                    request.message != nullptr,
                    request.message != nullptr ? WideText(request.message) : WideText(),
                    request.comment,
                    request.message,
                    request.kind,
                    request.owner,
                    request.module,
                    caption.Caption()};
  std::lock_guard<std::mutex> hold(log_->lock);
  log_->dialogs.push_back(shown);
  return endCode;
}

bool FakePlatform::NewEvent(EventHandle* event) {
  if (!eventsCreate) return false;
  std::lock_guard<std::mutex> hold(log_->lock);
  *event = nextEvent_++;
  log_->open.insert(*event);
  return true;
}

void FakePlatform::SignalEvent(EventHandle event) {
  std::lock_guard<std::mutex> hold(log_->lock);
  log_->signalled.insert(event);
  log_->changed.notify_all();
}

void FakePlatform::WaitForAllEvents(const EventHandle* events, std::int32_t count) {
  std::unique_lock<std::mutex> hold(log_->lock);
  ++log_->waits;
  log_->waitedFor.assign(events, events + count);
  log_->changed.wait(hold, [&] {
    for (std::int32_t i = 0; i < count; ++i) {
      if (log_->signalled.count(events[i]) == 0) return false;
    }
    return true;
  });
}

void FakePlatform::CloseEvent(EventHandle event) {
  std::lock_guard<std::mutex> hold(log_->lock);
  log_->closed.push_back(event);
  log_->open.erase(event);
}

bool FakePlatform::StartDisplayThread(void (*body)(void*), void* argument) {
  if (!threadsStart) return false;
  std::lock_guard<std::mutex> hold(log_->lock);
  log_->threads.emplace_back(body, argument);
  return true;
}

void FakePlatform::EndDisplayThreads() {
  std::lock_guard<std::mutex> hold(log_->lock);
  ++log_->endDisplayThreadsCalls;
}

bool RunNextDisplayThread(FakeLog* log) {
  std::pair<void (*)(void*), void*> thread;
  {
    std::lock_guard<std::mutex> hold(log->lock);
    if (log->threads.empty()) return false;
    thread = log->threads.front();
    log->threads.pop_front();
  }
  thread.first(thread.second);
  return true;
}

void RunAllDisplayThreads(FakeLog* log) {
  while (RunNextDisplayThread(log)) {
  }
}

}  // namespace testing
}  // namespace vem
