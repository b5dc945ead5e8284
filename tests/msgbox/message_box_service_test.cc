// The portable message box against a model: seeded random sequences of the
// exported calls, on a platform that draws nothing, must give the results,
// dialogs, captions and event traffic that a small model predicts.
#include "msgbox/message_box_service.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace vem_test {
namespace {

using Text = std::basic_string<VemWChar>;
using MaybeText = std::optional<Text>;

Text Wide(const std::string& ascii) { return Text(ascii.begin(), ascii.end()); }
MaybeText Maybe(const VemWChar* text) { return text != nullptr ? MaybeText(text) : std::nullopt; }

// One dialog as the platform was asked to show it.
struct Shown {
  MaybeText comment, message;
  std::int32_t kind;
  vem::WindowHandle owner;
  vem::ModuleHandle module;
  Text caption;
  bool operator==(const Shown& o) const {
    return std::tie(comment, message, kind, owner, module, caption) ==
           std::tie(o.comment, o.message, o.kind, o.owner, o.module, o.caption);
  }
};

// Records what the service asks of it. Display threads wait until the test
// runs them (or until a wait needs their boxes closed, as a user would close
// them); each dialog ends at once with `end_code`.
// What the service asked of the platform, kept beyond the platform's life.
struct Seen {
  int searches = 0;
  std::vector<Shown> shown;
  std::vector<std::string> log;  // event traffic: "new 40", "set 40", "wait 40 41", "close 40", "end"
};

class FakePlatform final : public vem::MessageBoxPlatform {
 public:
  explicit FakePlatform(Seen* seen) : seen_(seen) {}
  vem::ModuleHandle module = &end_code;
  vem::WindowHandle window = 0;
  MaybeText executable = Wide("/opt/tools/bin/viewer");
  std::int32_t end_code = 1;
  bool threadsStart = true, eventsCreate = true;

  vem::ModuleHandle FindOwnModule() override {
    ++seen_->searches;
    return module;
  }
  vem::WindowHandle FindOwnerWindow() override { return window; }
  bool ExecutablePath(Text* path) override {
    *path = executable.value_or(Wide("half-written"));
    return executable.has_value();
  }
  std::int32_t RunDialog(const vem::DialogRequest& r, vem::CaptionSource& caption) override {
    seen_->shown.push_back({Maybe(r.comment), Maybe(r.message), r.kind, r.owner, r.module, caption.Caption()});
    return end_code;
  }
  bool NewEvent(vem::EventHandle* event) override {
    if (!eventsCreate) return false;
    *event = next_++;
    Log("new", event, 1);
    return true;
  }
  void SignalEvent(vem::EventHandle event) override { Log("set", &event, 1); }
  void WaitForAllEvents(const vem::EventHandle* events, std::int32_t count) override {
    Log("wait", events, count);
    for (std::int32_t i = 0; i < count; ++i) {
      while (!IsSet(events[i]) && RunThread()) {
      }
      if (!IsSet(events[i])) ADD_FAILURE() << "the wait would hang on event " << events[i];
    }
  }
  void CloseEvent(vem::EventHandle event) override { Log("close", &event, 1); }
  bool StartDisplayThread(void (*body)(void*), void* argument) override {
    if (threadsStart) threads_.emplace_back(body, argument);
    return threadsStart;
  }
  void EndDisplayThreads() override { seen_->log.push_back("end"); }

  bool RunThread() {
    if (threads_.empty()) return false;
    const auto thread = threads_.front();
    threads_.pop_front();
    thread.first(thread.second);
    return true;
  }

 private:
  void Log(const char* what, const vem::EventHandle* events, std::int32_t count) {
    std::string line = what;
    for (std::int32_t i = 0; i < count; ++i) line += " " + std::to_string(events[i]);
    seen_->log.push_back(line);
  }
  bool IsSet(vem::EventHandle event) const {
    for (const std::string& line : seen_->log) {
      if (line == "set " + std::to_string(event)) return true;
    }
    return false;
  }
  Seen* seen_;
  vem::EventHandle next_ = 40;
  std::deque<std::pair<void (*)(void*), void*>> threads_;
};

// What the caller should see: one caption, the owner and module found at the
// first call that finds the module, the awaited events in order, and the
// boxes whose threads have not run yet.
class Model {
 public:
  explicit Model(FakePlatform& platform) : p_(platform) {}

  std::int32_t Show(const MaybeText& comment, const MaybeText& message, std::int32_t kind, std::int32_t mode) {
    if (module_ == nullptr) {
      ++searches;
      module_ = p_.module;
      owner_ = p_.window;
    }
    Shown box{comment, message, kind, mode == 0 ? 0 : owner_, module_, Text()};
    if (mode == 2) {
      box.caption = Caption();
      shown.push_back(box);
      return p_.end_code;
    }
    if (mode != 0 && mode != 1) return 0;
    vem::EventHandle event = 0;  // events are numbered from 40
    if (mode == 1) {
      if (!p_.eventsCreate) return -1;
      event = next_++;
      log.push_back("new " + std::to_string(event));
      pending_.push_back(event);
    }
    if (!p_.threadsStart) {
      if (event != 0) Signal(event);
      return -1;
    }
    queued_.push_back({box, event});
    return 0;
  }
  void SetTitle(const MaybeText& title) {
    title_ = Cut(title ? *title : p_.executable.value_or(Text()));
    set_ = true;
  }
  bool RunThread() {
    if (queued_.empty()) return false;
    auto [box, event] = queued_.front();
    queued_.pop_front();
    box.caption = Caption();
    shown.push_back(box);
    if (event != 0) Signal(event);
    return true;
  }
  // Boxes close in the order shown until every awaited one has.
  void Wait() {
    if (pending_.empty()) return;
    std::string line = "wait";
    for (vem::EventHandle event : pending_) line += " " + std::to_string(event);
    log.push_back(line);
    for (vem::EventHandle event : pending_) {
      while (signalled_.count(event) == 0 && RunThread()) {
      }
    }
    for (vem::EventHandle event : pending_) log.push_back("close " + std::to_string(event));
    pending_.clear();
  }
  std::int32_t Pending() const { return static_cast<std::int32_t>(pending_.size()); }

  int searches = 0;
  std::vector<Shown> shown;
  std::vector<std::string> log;

 private:
  // A caption holds 259 units, one less where the cut would split a pair.
  static Text Cut(Text text) {
    if (text.size() > 259) text.resize(text[258] >= 0xD800 && text[258] <= 0xDBFF ? 258 : 259);
    return text;
  }
  void Signal(vem::EventHandle event) {
    log.push_back("set " + std::to_string(event));
    signalled_.insert(event);
  }
  Text Caption() {
    if (!set_) title_ = Cut(p_.executable.value_or(Text())), set_ = true;
    return title_;
  }
  FakePlatform& p_;
  vem::ModuleHandle module_ = nullptr;
  vem::WindowHandle owner_ = 0;
  bool set_ = false;
  Text title_;
  vem::EventHandle next_ = 40;
  std::vector<vem::EventHandle> pending_;
  std::set<vem::EventHandle> signalled_;
  std::deque<std::pair<Shown, vem::EventHandle>> queued_;
};

// Short texts mostly; titles around the caption's capacity. Surrogates and
// line breaks come in at random; one text in six is null.
MaybeText RandomText(std::mt19937& random, bool title, bool ascii) {
  if (random() % 6 == 0) return std::nullopt;
  static const VemWChar kUnits[] = {'a', 'Z', ' ', '\r', '\n', 0xE9, 0xD83D, 0xDE00};
  Text text(title && random() % 2 ? 255 + random() % 8 : random() % 8, VemWChar('x'));
  for (VemWChar& unit : text) unit = kUnits[random() % (ascii ? 5 : 8)];
  return text;
}

std::string Narrow(const MaybeText& text) { return std::string(text->begin(), text->end()); }

TEST(MessageBoxServiceTest, RandomCallsMatchTheModel) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Seen seen;
    auto owned = std::make_unique<FakePlatform>(&seen);
    FakePlatform& platform = *owned;
    auto service = std::make_unique<vem::MessageBoxService>(std::move(owned));
    Model model(platform);
    for (int step = 0; step < 40; ++step) {
      const int op = static_cast<int>(random() % 10);
      const bool narrow = op == 4 || op == 6;
      MaybeText comment = RandomText(random, false, narrow), message = RandomText(random, false, narrow);
      const std::int32_t kind = static_cast<std::int32_t>(random() % 6) - 1;
      const std::int32_t mode = std::vector<std::int32_t>{0, 1, 1, 2, 3, -1}[random() % 6];
      if (op <= 4) {
        const std::string a = comment ? Narrow(comment) : "", b = message ? Narrow(message) : "";
        const std::int32_t result =
            narrow
                ? service->ShowNarrow(comment ? a.c_str() : nullptr, message ? b.c_str() : nullptr, kind, mode)
                : service->Show(comment ? comment->c_str() : nullptr, message ? message->c_str() : nullptr, kind, mode);
        ASSERT_EQ(model.Show(comment, message, kind, mode), result) << "mode " << mode;
        if (comment) comment->assign(comment->size(), VemWChar('#'));  // the caller reuses its buffers
        if (message) message->assign(message->size(), VemWChar('#'));
      } else if (op == 5 || op == 6) {
        const MaybeText title = RandomText(random, true, narrow);
        const std::string a = title ? Narrow(title) : "";
        if (narrow)
          service->SetTitleNarrow(title ? a.c_str() : nullptr);
        else
          service->SetTitle(title ? title->c_str() : nullptr);
        model.SetTitle(title);
      } else if (op == 7) {
        ASSERT_EQ(model.RunThread(), platform.RunThread());
      } else if (op == 8) {
        ASSERT_EQ(1, service->WaitForAwaitedBoxes());
        model.Wait();
      } else {  // the system changes under the caller
        platform.window = random() % 3;
        platform.module = random() % 8 == 0 ? nullptr : &platform.end_code;
        platform.executable = random() % 4 == 0 ? std::nullopt : MaybeText(Wide("/bin/v" + std::to_string(seed)));
        platform.end_code = std::vector<std::int32_t>{1, 2, -1}[random() % 3];
        platform.threadsStart = random() % 8 != 0;
        platform.eventsCreate = random() % 8 != 0;
      }
      ASSERT_EQ(model.Pending(), service->PendingCount());
      ASSERT_EQ(model.shown.size(), seen.shown.size());
      ASSERT_TRUE(model.shown.empty() || model.shown.back() == seen.shown.back()) << "dialog " << model.shown.size();
    }
    while (model.RunThread()) ASSERT_TRUE(platform.RunThread());
    EXPECT_TRUE(model.shown == seen.shown);
    service.reset();  // unloading: display threads end, pending events stay open
    model.log.push_back("end");
    EXPECT_EQ(model.log, seen.log);
    EXPECT_EQ(model.searches, seen.searches);
  }
}

#if !defined(_WIN32)
// Texts that end where the caller's memory ends are copied without a read
// past their terminator: the page after them is unreadable.
TEST(MessageBoxServiceTest, TextsEndingAtTheEndOfTheCallersMemoryAreCopiedWithinIt) {
  const long page = sysconf(_SC_PAGESIZE);
  auto* pages = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(MAP_FAILED, static_cast<void*>(pages));
  ASSERT_EQ(0, mprotect(pages + page, page, PROT_NONE));
  VemWChar* text = reinterpret_cast<VemWChar*>(pages + page) - 2;
  text[0] = 'm';
  text[1] = 0;
  Seen seen;
  vem::MessageBoxService service(std::make_unique<FakePlatform>(&seen));
  EXPECT_EQ(0, service.Show(text, text, 1, 1));
  service.SetTitle(text);
  EXPECT_EQ(1, service.WaitForAwaitedBoxes());
  ASSERT_EQ(1u, seen.shown.size());
  EXPECT_EQ(Wide("m"), *seen.shown[0].message);
  munmap(pages, 2 * page);
}
#endif

}  // namespace
}  // namespace vem_test
