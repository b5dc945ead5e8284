// The parts of the Linux dialog that need no display: the word wrap of the
// message field against a plain model of greedy wrapping, and the channel
// reader under signals.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "msgbox/helper/line_wrap.h"
#include "msgbox/helper_protocol.h"

namespace vem_test {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Greedy wrapping, one line at a time: the longest run of whole words (with
// the spaces after them) whose drawn width fits, else the longest run of
// characters that fits. A line's first character fits whatever its width.
std::vector<vem::DisplayLine> ModelWrap(const std::string& text, int width, int tab_stop,
                                        const std::map<char32_t, int>& widths) {
  std::vector<vem::DisplayLine> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    auto fits = [&](std::size_t to) {  // the width of [start, to) up to its last non-space
      int x = 0, drawn = 0, seen = 0;
      for (std::size_t at = start; at < to;) {
        const bool space = IsSpace(text[at]);
        const char32_t c = vem::NextCharacter(text, &at);
        x = c == '\t' ? (x / tab_stop + 1) * tab_stop : x + widths.at(c);
        if (!space) drawn = x, seen += 1;
      }
      return drawn <= width || (seen == 1 && !IsSpace(text[start]));
    };
    std::size_t cut = start;
    for (std::size_t at = start + 1; at <= end; ++at) {
      if ((at == end || (IsSpace(text[at - 1]) && !IsSpace(text[at]))) && fits(at)) cut = at;
    }
    if (cut == start && start < end) {  // no whole word fits: the characters that do, one at least
      vem::NextCharacter(text, &cut);
      for (std::size_t at = cut; at < end && (vem::NextCharacter(text, &at), fits(at));) cut = at;
    }
    lines.push_back({start, cut});
    if (cut == text.size()) return lines;
    start = cut == end ? end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1) : cut;
  }
}

TEST(LineWrapTest, RandomTextsWrapAsTheGreedyModel) {
  const std::vector<std::string> pieces = {"a", "b", "W", " ", " ", "\t", "\n", "\r", "\r\n", "\xC3\xA9", "\xFF"};
  std::mt19937 random(19);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = static_cast<int>(random() % 60); n > 0; --n) text += pieces[random() % pieces.size()];
    std::map<char32_t, int> assigned;
    for (char32_t c : {U'a', U'b', U'W', U' ', U'\u00E9', U'\uFFFD'}) assigned[c] = 1 + static_cast<int>(random() % 9);
    vem::CharacterWidths widths([&](char32_t c) { return assigned.at(c); });
    const int width = 1 + static_cast<int>(random() % 30), tab_stop = 4 + static_cast<int>(random() % 12);
    std::string expected, got;  // each line's text, ended by '|'
    for (const auto& line : ModelWrap(text, width, tab_stop, assigned))
      expected += text.substr(line.start, line.end - line.start) + "|";
    for (const auto& line : vem::WrapLines(text, width, tab_stop, widths))
      got += text.substr(line.start, line.end - line.start) + "|";
    ASSERT_EQ(expected, got) << "round " << round << ", width " << width << ", text \"" << text << '"';
  }
}

// A read interrupted by a signal goes on, and the end of the data ends the
// reading even though errno still tells of the interruption.
TEST(HelperChannelTest, ReadingGoesOnAfterASignalAndEndsAtTheEnd) {
  EXPECT_EXIT(
      {
        struct sigaction interrupt = {};
        interrupt.sa_handler = [](int) {};  // no SA_RESTART: the read fails with EINTR
        sigaction(SIGUSR1, &interrupt, nullptr);
        int channel[2];
        if (pipe(channel) != 0) std::exit(2);
        const pthread_t reader = pthread_self();
        std::thread writer([&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          pthread_kill(reader, SIGUSR1);
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          if (write(channel[1], "answer", 6) != 6) std::exit(2);
          close(channel[1]);
        });
        writer.detach();
        alarm(5);  // a reader that never ends is ended here
        std::exit(vem::ReadToEnd(channel[0]) == "answer" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vem_test
