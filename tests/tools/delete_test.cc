// delete asks before it deletes (what it deletes the peer test compares with
// reg.exe).
#include "tests/tools/vemreg_runner.h"

namespace {

using DeleteTest = VemregTest;

class DeleteTreeTest : public VemregTest {
 protected:
  void SetUp() override {
    VemregTest::SetUp();
    RunOk({"add", "HKCU\\App\\Sub\\Deeper", "/v", "deep", "/d", "1"});
    RunOk({"add", "HKCU\\App", "/v", "a", "/d", "2"});
    RunOk({"add", "HKCU\\App", "/v", "b", "/d", "3"});
    RunOk({"add", "HKCU\\App", "/ve", "/d", "4"});
    RunOk({"add", "HKCU\\Neighbour", "/v", "n", "/d", "5"});
  }
  std::string Tree() { return RunOk({"query", "HKCU", "/s"}); }
};

TEST_F(DeleteTreeTest, WithoutATerminalRefusesUnlessForced) {
  const std::string before = Tree();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"delete", "HKCU\\App"},
                                             {"delete", "HKCU\\App", "/v", "a"},
                                             {"delete", "HKCU\\App", "/va"}}) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("not a terminal"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("/f"), std::string::npos) << result.err;
  }
  EXPECT_EQ(Tree(), before);
}

TEST_F(DeleteTreeTest, OnATerminalAsksAndObeysTheAnswer) {
  const std::string before = Tree();
  const RunResult declined = RunOnTerminal({"delete", "HKCU\\App"}, "no");
  EXPECT_EQ(declined.exit_code, 1);
  EXPECT_NE(declined.out.find("Permanently delete the registry key HKEY_CURRENT_USER\\App"),
            std::string::npos)
      << declined.out;
  EXPECT_NE(declined.out.find("cancelled"), std::string::npos) << declined.out;
  EXPECT_EQ(Tree(), before);

  const RunResult value_kept = RunOnTerminal({"delete", "HKCU\\App", "/v", "a"}, "");
  EXPECT_EQ(value_kept.exit_code, 1);
  EXPECT_EQ(Tree(), before);

  const RunResult accepted = RunOnTerminal({"delete", "HKCU\\App"}, "Yes");
  EXPECT_EQ(accepted.exit_code, 0) << accepted.out;
  EXPECT_EQ(Tree(), "\nHKEY_CURRENT_USER\n\nHKEY_CURRENT_USER\\Neighbour\n    n    REG_SZ    5\n");
}

TEST_F(DeleteTest, ForcedDeleteDoesNotAsk) {
  RunOk({"add", "HKCU\\Gone"});
  const RunResult result = RunOnTerminal({"delete", "HKCU\\Gone", "/f"}, "");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.find("(Yes/No)"), std::string::npos) << result.out;
  EXPECT_EQ(Run({"query", "HKCU\\Gone"}).exit_code, 1);
}

}  // namespace
