// vemreg run as its users run it: the built program, in a scratch folder and
// a hive of its own. Against Wine's regedit and reg, the real implementations
// of the registry editor's files and of reg.exe's reading of a command line,
// the same files and commands must give the same exports and exit codes; what
// no peer can judge (vemreg's own help and messages, its listings, the files
// regedit never writes) is one table of command lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "tests/support/temp_folder.h"
#include "text/utf16_text.h"

namespace vem_test {
namespace {

std::string Utf16(const std::string& text) {
  const std::vector<uint8_t> units = vem::Utf8ToUtf16Le(text.data(), text.size());
  return std::string(units.begin(), units.end());
}

// The pieces of `text` between separators, empty ones too; none in an empty text.
std::vector<std::string> Pieces(const std::string& text, char separator = '|') {
  std::vector<std::string> pieces(text.empty() ? 0 : 1);
  for (char c : text) c == separator ? pieces.emplace_back() : pieces.back() += c;
  return pieces;
}

class VemregTest : public ::testing::Test {
 protected:
  // Runs `program` (vemreg unless given) with `args` (no word holds a single
  // quote), after `prelude_`, in the scratch folder, on the hive folder
  // `hive_`, with standard input from /dev/null; its exit code (-1: it did
  // not exit), its output in the files stdout and stderr.
  int Run(std::vector<std::string> args, const std::vector<std::string>& program = {VEMREG_PATH}) {
    args.insert(args.begin(), program.begin(), program.end());
    std::string line = prelude_ + "cd '" + folder_.path() + "' && VEMMISC_REGISTRY_DIR=" + hive_ + " exec";
    for (const std::string& word : args) line += " '" + word + "'";
    const int status = std::system((line + " </dev/null >stdout 2>stderr").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_.PathOf(name), std::ios::binary) << bytes;
  }

  TempFolder folder_{"vemreg-"};
  std::string prelude_;
  std::string hive_ = "hive";
};

// A command line, its exit code and what it shows: on success its exact
// output, on failure its one error line ("~" before a text asks only that
// the output or error line holds it). Before an import, `file` is written as
// in.reg.
struct Step {
  std::string args;  // the words of the command line, between blanks
  int exit_code;
  std::string shown;
  std::string file = {};
};

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n";

const Step kSteps[] = {
    {"/?", 0, "~Return code: 0 - Successful, 1 - Failed"},
    {"/? query", 1, "~Type \"vemreg /?\" for usage."},
    {"query /?", 0, "~VEMREG QUERY KEY"},
    {"ADD -?", 0, "~VEMREG ADD KEY"},
    {"delete --help", 0, "~VEMREG DELETE KEY"},
    {"", 1, "~No command given"},
    {"frob", 1, "~Unknown command: frob"},
    {"query", 1, "~Too few operands for query"},
    {"query HKCU /f", 1, "~Invalid switch for query: /f"},
    {"add HKCU\\T /v", 1, "~The switch /v needs an argument"},
    {"add HKCU\\T /v x /V y", 1, "~The switch /v is given more than once"},
    {"delete HKCU\\T /v x /va", 1, "~Give only one of /v, /ve and /va"},
    {"query HKEY_NOWHERE\\T", 1, "~Invalid key name: HKEY_NOWHERE\\T"},
    {"add HKCU\\T /v x /t REG_FOO", 1, "~Unsupported registry data type [REG_FOO]"},
    // Each type as reg.exe shows it; names keep their first case, and a
    // value is replaced only when asked.
    {"ADD hkcu\\t -V Qword /T reg_qword -D 0x1122334455667788 /F", 0, ""},
    {"add HKCU\\T /v Bin /t REG_BINARY /d 00ff7Fa0", 0, ""},
    {"add HKCU\\T /v Multi /t REG_MULTI_SZ /d one\\0two", 0, ""},
    {"add HKCU\\T /v Sz /d old", 0, ""},
    {"add HKCU\\T /v SZ /d new", 1, "~add /f"},
    {"add HKCU\\T\\Sub\\Deep /v sz /d deep", 0, ""},
    {"query hkey_current_user\\t", 0,
     "\nHKEY_CURRENT_USER\\t\n    Bin    REG_BINARY    00FF7FA0\n    Multi    REG_MULTI_SZ    one\\0two\n"
     "    Qword    REG_QWORD    0x1122334455667788\n    Sz    REG_SZ    old\n\nHKEY_CURRENT_USER\\t\\Sub\n"},
    {"query HKCU\\T /v SZ /s", 0,
     "\nHKEY_CURRENT_USER\\T\n    Sz    REG_SZ    old\n\nHKEY_CURRENT_USER\\T\\Sub\\Deep\n    sz    REG_SZ    deep\n"},
    // Deleting needs /f without a terminal; exports write nothing for what a
    // file cannot hold.
    {"delete HKCU\\T", 1, "~not a terminal"},
    {"export HKCU\\T no/such.reg", 1, "~Cannot write the file"},
    {"add HKCU\\T\\two\nlines", 0, ""},
    {"export HKCU\\T none.reg", 1, "~line break"},
    // Escapes, raw line breaks, deletions and comments in an LF file in UTF-8
    // with a byte-order mark, and a stray byte, read as U+FFFD.
    {"import in.reg", 0, "",
     "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKCU\\F\\Gone]\n\"x\"=\"1\"\n[-HKCU\\F\\Gone]\n; note\n"
     "[HKCU\\F\\Caf\x99]\n\"s\"=\"a\\\\b\\\"c\\nd\\re\r\nf\\0g\"\n\"old\"=dword:1\n\"old\"=-\n"
     "\"hex\"=hex(2):41,00,\\\n  00,00 ; end\n"},
    // Mistakes name the file, line and column, and change nothing.
    {"import in.reg", 1, "~in.reg, line 3, column 7: unknown escape \\q", kV5 + "[HKCU\\F]\r\n\"a\"=\"b\\qc\""},
    {"import in.reg", 1, "~the file is UTF-16 big-endian", "\xFE\xFFxx"},
    {"import in.reg", 1, "~in.reg: the changes could not be saved",
     kV5 + "[HKCU\\F]\n\"big\"=\"" + std::string(600000, 'b') + "\""},
    // What the good file made, and nothing of the bad ones.
    {"query HKCU\\F /s", 0,
     "\nHKEY_CURRENT_USER\\F\n\nHKEY_CURRENT_USER\\F\\Caf\xEF\xBF\xBD\n    hex    REG_EXPAND_SZ    A\n"
     "    s    REG_SZ    a\\b\"c\nd\re\r\nf\n"},
    // Exports never overwrite unasked; what the library wrote shows as binary.
    {"export HKCU\\F in.reg", 1, "~/y"},
    {"export HKCU\\F in.reg /y", 0, ""},
    {"query HKCU\\Software\\Tamrel\\VemTools\\Audio", 0,
     "\nHKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\Audio\n    Gain3    REG_BINARY    0A0BFF\n"},
};

// No file may grow beyond 1 MiB (a write past that fails, without a signal),
// so that the hive's log cannot take the 1.2 MB string of the big import.
TEST_F(VemregTest, CommandLinesAsRegExeTakesThem) {
  prelude_ = "ulimit -f 2048 && trap '' XFSZ && ";
  setenv("VEMMISC_REGISTRY_DIR", folder_.PathOf(hive_).c_str(), 1);
  ASSERT_TRUE(SettingsManager().SetParam("\x0A\x0B\xFF", 3, "Audio", "Gain", 3));
  for (const Step& step : kSteps) {
    if (!step.file.empty()) Write("in.reg", step.file);
    const int exit_code = Run(Pieces(step.args, ' '));
    const std::string out = folder_.Read("stdout"), err = folder_.Read("stderr");
    SCOPED_TRACE(step.args + "\n" + out + err);
    EXPECT_EQ(exit_code, step.exit_code);
    const std::string& shown = exit_code == 0 ? out : err;
    EXPECT_EQ(exit_code == 0 ? err : out, "");
    EXPECT_TRUE(step.shown[0] == '~' ? shown.find(step.shown.substr(1)) != std::string::npos : shown == step.shown);
    // Errors are one line, with the prefix of reg.exe's.
    EXPECT_TRUE(err.empty() ||
                (err.rfind("ERROR: ", 0) == 0 && err.back() == '\n' && err.find("ERROR", 1) == std::string::npos));
  }
}

const std::string kTestKey = "HKEY_CURRENT_USER\\Software\\VemregPeer";
// The command test's own key, so that the two tests may run at once.
const std::string kAddKey = "HKEY_CURRENT_USER\\Software\\VemregPeerAdd";

// One of the pieces of `choices` (between '|'s), picked by `random`.
std::string Pick(std::mt19937& random, const std::string& choices) {
  const std::vector<std::string> pieces = Pieces(choices);
  return pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
}

// A version 5.00 file of a random tree in which every value is raw hex bytes,
// so that both sides store exactly the generated bytes: long and non-ASCII
// names, names that differ in case only from others, and every escape.
std::string GeneratedFile(uint32_t seed, bool ansi) {
  std::mt19937 random(seed);
  auto below = [&random](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  const std::string plain = "a|B|z|Q|_|[| |7|\xC3\xA4|\xC3\x84|\xC3\x9F|\xE2\x82\xAC|]|`";
  const std::string wide = "\xD0\xB6|\xD0\x96|\xCE\xA9|\xCF\x89|\xF0\x9F\x98\x80";
  const std::string escaped = "\\|\"|\n|\r|\t";
  auto random_text = [&](size_t length, bool escapable) {
    std::string text;
    for (; length > 0; --length) {
      const size_t kind = below(20);
      text += Pick(random, escapable && kind == 0 ? escaped : !ansi && kind == 1 ? wide : plain);
    }
    return text;
  };
  auto random_name = [&](bool key) { return random_text(below(8) == 0 ? 55 + below(40) : 1 + below(10), !key); };
  std::vector<std::string> parents = {kTestKey};
  std::string file = "Windows Registry Editor Version 5.00\r\n";
  for (size_t count = 2 + below(9); count > 0; --count) {
    // Key names keep blanks inside only, where every editor keeps them.
    const std::string key = parents[below(parents.size())] + "\\k" + random_name(true) + "k";
    if (parents.size() < 6) parents.push_back(key);
    file += "[" + key + "]\r\n";
    for (size_t values = below(7); values > 0; --values) {
      const std::string name = below(6) == 0 ? std::string() : random_name(false);
      // Types as their hex(n) digits: REG_SZ twice, REG_EXPAND_SZ, REG_MULTI_SZ,
      // REG_DWORD, REG_QWORD, REG_BINARY twice, REG_NONE and one with no name.
      const std::string type = Pick(random, "1|1|2|7|4|b|3|3|0|12345");
      const bool multi = type == "7";
      std::string data;
      if (type == "1" || type == "2" || multi) {
        for (size_t n = multi ? below(4) : 1; n > 0; --n)
          data += Utf16(random_text(multi ? 1 + below(9) : below(30), true)) + std::string(2, '\0');
        if (multi) data += std::string(2, '\0');
      } else {
        for (size_t n = type == "4" ? 4 : type == "b" ? 8 : below(90); n > 0; --n)
          data += static_cast<char>(below(256));
      }
      file += name.empty() ? "@" : "\"";
      for (char c : name) {
        const size_t escape = std::string("\\\"\n\r").find(c);
        file += escape == std::string::npos ? std::string(1, c) : std::string("\\\\\\\"\\n\\r").substr(2 * escape, 2);
      }
      file += (name.empty() ? "=hex(" : "\"=hex(") + type + "):";
      for (unsigned char byte : data) file += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15], ','};
      if (!data.empty()) file.pop_back();
      file += "\r\n";
    }
  }
  return "\xFF\xFE" + Utf16(file);
}

// Wine runs in the scratch folder too: it reads the folder's relative paths
// as paths on its drive Z:, the root folder.
class WinePeerTest : public VemregTest {
 protected:
  void SetUp() override {
    if (!std::ifstream("/usr/lib/wine/wine64")) GTEST_SKIP() << "Wine is not installed";
  }
  void RunOk(const std::vector<std::string>& args) { EXPECT_EQ(Run(args), 0) << folder_.Read("stderr"); }
  // Wine's registry holds exactly what `file` says; its export of that, to `out`.
  std::string WineRoundTrip(const std::string& file, const std::string& out) {
    Run({"delete", kTestKey, "/f"}, reg_);
    EXPECT_EQ(Run({"/S", file}, regedit_), 0);
    Run({"/E", out, kTestKey}, regedit_);
    return folder_.Read(out);
  }
  // vemreg's export, to `out` with `options`, of a fresh hive into which `file` was imported.
  std::string VemregRoundTrip(const std::string& file, const std::string& out, const std::string& options = "/y") {
    hive_ = "hive" + std::to_string(++hives_);
    RunOk({"import", file});
    RunOk(Pieces("export " + kTestKey + " " + out + " " + options, ' '));
    return folder_.Read(out);
  }

  // VEMREG_PEER_SEED picks another seed.
  const uint32_t seed_ = std::stoul(std::getenv("VEMREG_PEER_SEED") ? std::getenv("VEMREG_PEER_SEED") : "20261206");
  int hives_ = 0;
  // Wine's reg and regedit, run in the build's prefix.
  const std::vector<std::string> reg_ = {VEMREG_WINE_RUN, VEMREG_WINE_PREFIX, "reg"};
  const std::vector<std::string> regedit_ = {VEMREG_WINE_RUN, VEMREG_WINE_PREFIX, "regedit"};
};

// Generated trees go into both sides from one file; then each side's export
// must equal the other's byte for byte, and each side must read the other's
// exports (both formats) back to the same export.
TEST_F(WinePeerTest, ExportsAndImportsAgreeByteForByte) {
  for (uint32_t round = 0; round < 4; ++round) {
    const bool ansi = round % 2 == 1;
    SCOPED_TRACE("seed " + std::to_string(seed_ + round) + (ansi ? ", REGEDIT4" : ""));
    Write("raw.reg", GeneratedFile(seed_ + round, ansi));
    const std::string wine = WineRoundTrip("raw.reg", "theirs.reg");
    ASSERT_EQ(VemregRoundTrip("raw.reg", "ours.reg"), wine);
    EXPECT_EQ(VemregRoundTrip("theirs.reg", "again.reg"), wine);
    VemregRoundTrip("raw.reg", "ours4.reg", ansi ? "/y /a" : "/y");
    EXPECT_EQ(VemregRoundTrip("ours4.reg", "reread.reg"), wine);
    EXPECT_EQ(WineRoundTrip("ours4.reg", "wine.reg"), wine);
  }
}

// Streams of add and delete commands of every form on a few keys and names,
// /d texts built from the pieces reg.exe's reading turns on: each command
// must succeed or fail alike, and the keys end up alike.
TEST_F(WinePeerTest, CommandsAsRegDoes) {
  std::mt19937 random(seed_);
  const std::string forms =
      "add K /f /v N /t T /d D|add K /f /v N /t T /d D|add K /f /v N /t T|add K /f /ve|add K /f /ve /d D|"
      "add K /f /t T /d D /s S|add K /f /v N /d D|delete K /f|delete K /f /v N|delete K /f /va|delete K /f /ve";
  const std::string data =
      "|| |\t|+|-| -|0|7|010|4294967295|4294967296|0x|0xfFfFfFfF|0x100000000|"
      "18446744073709551615|18446744073709551616|00x5|0x0x1|g|a|Bc|ff|\\0|\\0|\\|b\xC3\xA4|#";
  Run({"delete", kAddKey, "/f"}, reg_);
  // The key starts with a default value, as reg add makes one for a key it creates.
  Run({"add", kAddKey, "/f", "/ve", "/t", "REG_DWORD", "/d", "7"}, reg_);
  RunOk({"add", kAddKey, "/f", "/ve", "/t", "REG_DWORD", "/d", "7"});
  for (int i = 0; i < 80; ++i) {
    std::vector<std::string> args;
    for (const std::string& word : Pieces(Pick(random, forms), ' ')) {
      // Names that differ in case only, and a key name at the registry's limit of 255.
      args.push_back(
          word == "K"   ? kAddKey + Pick(random, "\\A|\\a\\B|\\\xC3\xA4|\\\xC3\x84\\b|\\" + std::string(255, 'k'))
          : word == "N" ? Pick(random, "v|V|\xC3\x9F|w")
          : word == "T"
              ? Pick(random,
                     "REG_SZ|REG_EXPAND_SZ|REG_MULTI_SZ|REG_DWORD|reg_dword|REG_QWORD|REG_BINARY|REG_NONE|REG_FOO")
          : word == "D" ? Pick(random, data) + Pick(random, data) + Pick(random, data)
          : word == "S" ? Pick(random, "#|0|##")
                        : word);
    }
    const int wine_exit = Run(args, reg_);
    EXPECT_EQ(Run(args), wine_exit) << ::testing::PrintToString(args);
    // reg.exe creates the key before it reads the data; vemreg refuses the
    // whole command and changes nothing: Wine loses the levels it made.
    for (const std::string& level : {args[1].substr(0, args[1].find('\\', kAddKey.size() + 1)), args[1]}) {
      if (wine_exit != 0 && args[0] == "add" && Run({"query", level}) != 0) {
        Run({"delete", level, "/f"}, reg_);
        break;
      }
    }
  }
  Run({"/E", "wine.reg", kAddKey}, regedit_);
  RunOk({"export", kAddKey, "ours.reg"});
  EXPECT_EQ(folder_.Read("ours.reg"), folder_.Read("wine.reg"));
}

}  // namespace
}  // namespace vem_test
