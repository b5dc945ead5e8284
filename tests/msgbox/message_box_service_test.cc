// The portable message box against a model: seeded random sequences of the
// exported calls, on a platform that draws nothing, must give the results
// and the one ordered log of module searches, dialogs (with the caption each
// showed) and event traffic that a small model predicts.
#include "msgbox/message_box_service.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vem_test {
namespace {

using Text = std::basic_string<VemWChar>;
using MaybeText = std::optional<Text>;

Text Wide(const std::string& ascii) { return Text(ascii.begin(), ascii.end()); }
const VemWChar* Given(const MaybeText& text) { return text ? text->c_str() : nullptr; }

// The log of both sides: "search", "show <kind> <owner> <has module>|
// comment|message|caption", and event traffic ("new 40", "set 40",
// "wait 40 41", "close 40", "end"; events are numbered from 40).
struct Trace {
  std::vector<Text> log;
  void Log(std::string line, const vem::EventHandle* events = nullptr, std::size_t count = 0) {
    for (std::size_t i = 0; i < count; ++i) line += " " + std::to_string(events[i]);
    log.push_back(Wide(line));
  }
  static Text Dialog(const vem::DialogRequest& r, const Text& caption) {
    auto shown = [](const VemWChar* text) { return text != nullptr ? Text(text) : Wide("<null>"); };
    return Wide("show " + std::to_string(r.kind) + " " + std::to_string(r.owner) + " " +
                std::to_string(r.module != nullptr) + "|") +
           shown(r.comment) + Wide("|") + shown(r.message) + Wide("|") + caption;
  }
};

// Each display thread runs as soon as it is started, as a user would close
// its box at once with `end_code`; with `deferThreads`, only when a wait
// needs its box closed. The trace outlives the platform, which the service
// owns.
class FakePlatform final : public vem::MessageBoxPlatform {
 public:
  explicit FakePlatform(Trace* trace) : trace_(trace) {}
  vem::ModuleHandle module = &end_code;
  vem::WindowHandle window = 0;
  MaybeText executable = Wide("/opt/tools/bin/viewer");
  std::int32_t end_code = 1;
  bool eventsCreate = true, deferThreads = false;

  vem::ModuleHandle FindOwnModule() override { return trace_->Log("search"), module; }
  vem::WindowHandle FindOwnerWindow() override { return window; }
  bool ExecutablePath(Text* path) override {
    *path = executable.value_or(Wide("half-written"));
    return executable.has_value();
  }
  std::int32_t RunDialog(const vem::DialogRequest& r, vem::CaptionSource& caption) override {
    trace_->log.push_back(Trace::Dialog(r, caption.Caption()));
    return end_code;
  }
  bool NewEvent(vem::EventHandle* event) override {
    if (eventsCreate) trace_->Log("new", &(*event = next_++), 1);
    return eventsCreate;
  }
  void SignalEvent(vem::EventHandle event) override { trace_->Log("set", &event, 1); }
  void WaitForAllEvents(const vem::EventHandle* events, std::int32_t count) override {
    trace_->Log("wait", events, static_cast<std::size_t>(count));
    for (const auto& [body, argument] : deferred_) body(argument);
    deferred_.clear();
  }
  void CloseEvent(vem::EventHandle event) override { trace_->Log("close", &event, 1); }
  bool StartDisplayThread(void (*body)(void*), void* argument) override {
    deferThreads ? (void)deferred_.emplace_back(body, argument) : body(argument);
    return true;
  }
  void EndDisplayThreads() override { trace_->Log("end"); }

 private:
  Trace* trace_;
  vem::EventHandle next_ = 40;
  std::vector<std::pair<void (*)(void*), void*>> deferred_;
};

// One caption, the owner and module found at the first call that finds the
// module, and the awaited events in order.
struct Model {
  explicit Model(const FakePlatform& world) : world_(world) {}
  const FakePlatform& world_;
  Trace expected;

  std::int32_t Show(const MaybeText& comment, const MaybeText& message, std::int32_t kind, std::int32_t mode) {
    if (module_ == nullptr) expected.Log("search"), module_ = world_.module, owner_ = world_.window;
    if (mode < 0 || mode > 2) return 0;
    vem::EventHandle event = 0;
    if (mode == 1) {
      if (!world_.eventsCreate) return -1;
      expected.Log("new", &(event = next_++), 1);
      pending_.push_back(event);
    }
    expected.log.push_back(
        Trace::Dialog({Given(comment), Given(message), kind, mode == 0 ? 0 : owner_, module_}, Caption()));
    if (event != 0) expected.Log("set", &event, 1);
    return mode == 2 ? world_.end_code : 0;
  }
  void SetTitle(const MaybeText& title) { title_ = Cut(title ? *title : world_.executable.value_or(Text())); }
  void Wait() {
    if (!pending_.empty()) expected.Log("wait", pending_.data(), pending_.size());
    for (vem::EventHandle event : pending_) expected.Log("close", &event, 1);
    pending_.clear();
  }
  // A caption holds 259 units, one less where the cut would split a pair.
  static Text Cut(Text text) {
    if (text.size() > 259) text.resize(text[258] >= 0xD800 && text[258] <= 0xDBFF ? 258 : 259);
    return text;
  }
  Text Caption() {
    if (!title_) title_ = Cut(world_.executable.value_or(Text()));
    return *title_;
  }
  vem::ModuleHandle module_ = nullptr;
  vem::WindowHandle owner_ = 0;
  std::optional<Text> title_;
  vem::EventHandle next_ = 40;
  std::vector<vem::EventHandle> pending_;
};

// Short texts mostly; titles around the caption's capacity. Surrogates and
// line breaks come in at random; one in six is null.
MaybeText RandomText(std::mt19937& random, bool title) {
  if (random() % 6 == 0) return std::nullopt;
  static const VemWChar kUnits[] = {'a', 'Z', ' ', '\r', '\n', 0xE9, 0xD83D, 0xDE00};
  Text text(title && random() % 2 ? 255 + random() % 8 : random() % 8, VemWChar('x'));
  for (VemWChar& unit : text) unit = kUnits[random() % 8];
  return text;
}

TEST(MessageBoxServiceTest, RandomCallsMatchTheModel) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Trace seen;
    auto owned = std::make_unique<FakePlatform>(&seen);
    FakePlatform& platform = *owned;
    auto service = std::make_unique<vem::MessageBoxService>(std::move(owned));
    Model model{platform};
    for (int step = 0; step < 40; ++step) {
      const int op = static_cast<int>(random() % 9);
      const MaybeText comment = RandomText(random, false), message = RandomText(random, false);
      const std::int32_t kind = static_cast<std::int32_t>(random() % 6) - 1;
      const std::int32_t mode = std::vector<std::int32_t>{0, 1, 1, 2, 3, -1}[random() % 6];
      if (op <= 4) {
        ASSERT_EQ(model.Show(comment, message, kind, mode), service->Show(Given(comment), Given(message), kind, mode))
            << "mode " << mode;
      } else if (op <= 6) {
        const MaybeText title = RandomText(random, true);
        service->SetTitle(Given(title));
        model.SetTitle(title);
      } else if (op == 7) {
        ASSERT_EQ(1, service->WaitForAwaitedBoxes());
        model.Wait();
      } else {  // the system changes under the caller
        platform.window = random() % 3;
        platform.module = random() % 8 == 0 ? nullptr : &platform.end_code;
        platform.executable = random() % 4 == 0 ? std::nullopt : MaybeText(Wide("/bin/v" + std::to_string(seed)));
        platform.end_code = std::vector<std::int32_t>{1, 2, -1}[random() % 3];
        platform.eventsCreate = random() % 8 != 0;
      }
      ASSERT_EQ(model.pending_.size(), static_cast<std::size_t>(service->PendingCount()));
      ASSERT_EQ(model.expected.log, seen.log) << "step " << step;
    }
    service.reset();  // unloading: display threads end, pending events stay open
    model.expected.Log("end");
    EXPECT_EQ(model.expected.log, seen.log);
  }
}

#if !defined(_WIN32)
// Texts that end where the caller's memory ends are copied without a read
// past their terminator: the page after them is unreadable. An awaited box
// shows its copies: the caller's page is unreadable too by the time its
// display thread runs.
TEST(MessageBoxServiceTest, TextsEndingAtTheEndOfTheCallersMemoryAreCopiedWithinIt) {
  const long page = sysconf(_SC_PAGESIZE);
  auto* pages = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_EQ(0, mprotect(pages + page, page, PROT_NONE));
  VemWChar* text = reinterpret_cast<VemWChar*>(pages + page) - 2;
  text[0] = 'm', text[1] = 0;
  Trace seen;
  auto platform = std::make_unique<FakePlatform>(&seen);
  platform->deferThreads = true;
  vem::MessageBoxService service(std::move(platform));
  service.SetTitle(text);
  EXPECT_EQ(0, service.Show(text, text, 1, 1));
  ASSERT_EQ(0, mprotect(pages, page, PROT_NONE));
  EXPECT_EQ(1, service.WaitForAwaitedBoxes());
  EXPECT_EQ(Wide("|m|m"), seen.log.at(3).substr(seen.log.at(3).size() - 4));
  munmap(pages, 2 * page);
}
#endif

}  // namespace
}  // namespace vem_test
