// quillon-cli as its user runs it: arguments, exit status and what it prints.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "platform/ContentHash.h"
#include "platform/posix/MountTable.h"
#include "support/MediaBytes.h"
#include "support/AscMhlReference.h"
#include "support/Process.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace {

namespace fs = std::filesystem;
using quillon::testsupport::BackgroundProcess;
using quillon::testsupport::ProcessResult;
using quillon::testsupport::ReadFile;
using quillon::testsupport::RunProcess;
using quillon::testsupport::ScopedEnv;
using quillon::testsupport::TempDir;
using quillon::testsupport::UnitTree;
using quillon::testsupport::WriteFile;

ProcessResult Cli(std::vector<std::string> args, const std::string& input = {}) {
  args.insert(args.begin(), QUILLON_CLI_PATH);
  return RunProcess(args, input);
}

// Runs quillon-cli with standard output on a pipe nobody reads and standard error on a file,
// with SIGPIPE as a new process gets it (the test runner ignores it, and children inherit that).
ProcessResult CliWithClosedOutput(std::vector<std::string> args, const fs::path& errorFile) {
  args.insert(args.begin(), QUILLON_CLI_PATH);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) return {};
  ::close(out[0]);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(out[1], 1);
    ::dup2(::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  const auto err = ReadFile(errorFile);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, {err.begin(), err.end()}};
}

// Polls until the condition holds, for at most ten seconds.
bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The hidden temporary files of outputs in folder.
std::vector<fs::path> TemporaryFiles(const fs::path& folder) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".quillon-part")) found.push_back(entry.path());
  }
  return found;
}

std::string Text(const fs::path& path) {
  const auto bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

// The XXH3-128 of a file's bytes, in hex.
std::string Hash(const fs::path& path) {
  const auto bytes = ReadFile(path);
  quillon::platform::ContentHash hash;
  hash.Update(bytes.data(), bytes.size());
  return hash.Hex();
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

class QuillonCli : public ::testing::Test {
 protected:
  QuillonCli() {
    flat = unit.Path() / "VIDEO" / "QVT";
    WriteFile(flat / "ABC0001.DV", std::string(3000, 'a'));
    WriteFile(flat / "XYZ0001.DV", std::string(2000, 'x'));
    fs::create_directories(dest.Path());
  }
  std::string Root() const { return unit.Path().string(); }
  std::string Dest() const { return dest.Path().string(); }
  std::string Out(const std::string& name) const { return (dest.Path() / name).string(); }

  // A large sparse clip, long enough to copy at 1 KiB a block to be stopped in the middle.
  void PutBigClip() {
    std::ofstream big(flat / "BIG0001.DV", std::ios::binary);
    big.seekp((1ll << 30) - 1);
    big.put('\0');
  }
  // True once the big clip's temporary file exists and has bytes in it.
  bool BigCopyUnderWay() const {
    for (const auto& path : TemporaryFiles(dest.Path())) {
      std::error_code ec;
      if (path.filename().string().starts_with(".BIG0001.DV.") && fs::file_size(path, ec) > 0 && !ec) return true;
    }
    return false;
  }

  TempDir unit, dest;
  fs::path flat;
};

TEST_F(QuillonCli, BadArgumentsAreUsageErrorsWithOneLine) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"list"}, {"list", Root(), "--bogus"}, {"import", Root()}, {"frobnicate"},
           {"import", Root(), Dest(), "--prefix", "100"}, {"import", Root(), Dest(), "--prefix", "x"},
           {"import", Root(), Dest(), "--overwrite", "maybe"}, {"import", Root(), Dest(), "NOSUCH1"},
           {"import", Root(), Dest(), "--manifest"}, {"list", Root(), "--no-verify"}, {"list", Root(), "--dry-run"},
           {"drives", "--no-hdv"}, {"drives", Root()}, {"import", Root(), Dest(), "-x"},
           {"list", Root(), "--no-hdv", "--no-dv"}, {"list", Root(), "--check"},
           {"import", Root(), Dest(), "--check"}, {"import", Root(), Dest(), "--rescue", "--copy-to", Dest()},
           {"list", Root(), "--copy-to", Dest()}}) {
    const ProcessResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 2) << args.back();
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_TRUE(r.err.starts_with("quillon-cli: ")) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_NE(Cli({"import", Root(), Dest(), "-x"}).err.find("unknown option -x"), std::string::npos);
}

TEST_F(QuillonCli, HelpAndVersionAnswerLikeAnyTool) {
  const ProcessResult help = Cli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("quillon-cli import ROOT DEST"), std::string::npos);
  // A command's own help tells its options.
  const ProcessResult importHelp = Cli({"import", "--help"});
  EXPECT_EQ(importHelp.exitCode, 0);
  EXPECT_TRUE(importHelp.out.starts_with("usage: quillon-cli import ROOT DEST")) << importHelp.out;
  EXPECT_NE(importHelp.out.find("  --dry-run "), std::string::npos);
  EXPECT_NE(Cli({"list", "-h"}).out.find("  --no-hdv, --no-dv "), std::string::npos);
  const ProcessResult version = Cli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "quillon-cli 1.1\n");
}

TEST_F(QuillonCli, TheExitStatusTellsAWrongRootFromOneWithoutAUnitAndFromNothingToImport) {
  TempDir bare, empty;
  fs::create_directories(empty.Path() / "VIDEO" / "QVT");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string error;
  } cases[] = {
      {{"list", (unit.Path() / "gone").string()}, 2, "does not exist"},
      {{"import", (flat / "ABC0001.DV").string(), Dest()}, 2, "is not a folder"},
      {{"list", bare.Path().string(), "--json"}, 1, "holds no recording unit"},
      {{"import", bare.Path().string(), Dest()}, 1, "holds no recording unit"},
      {{"import", empty.Path().string(), Dest(), "--json"}, 1, "nothing to import"},
      {{"import", Root(), Dest(), "--no-dv", "--dry-run"}, 1, "nothing to import"},
      {{"import", Root(), Dest(), "--no-dv", "ABC0001"}, 1, "ABC0001 is left out by --no-dv"},
      {{"import", Root(), Dest(), "--no-dv", "NOSUCH1"}, 2, "no clip named NOSUCH1"},
      {{"import", Root()}, 2, "import needs ROOT and DEST"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Cli(c.args);
    EXPECT_EQ(r.exitCode, c.status) << r.err;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(fs::is_empty(dest.Path()));
  EXPECT_EQ(Cli({"list", empty.Path().string()}).exitCode, 0);  // a unit without clips lists none
}

TEST_F(QuillonCli, ListPrintsOneRowPerClipAndTheCatalogueAsJson) {
  const ProcessResult rows = Cli({"list", Root()});
  EXPECT_EQ(rows.exitCode, 0);
  EXPECT_EQ(rows.out.substr(0, 18), "ABC0001  - DV  -  ");
  EXPECT_EQ(Lines(rows.out), 2u);

  const ProcessResult json = Cli({"list", Root(), "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_NE(json.out.find("\"name\": \"ABC0001\", \"kind_bits\": 2, \"source\": \"flat\""), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"name\": \"ABC0001.DV\", \"kind\": 1, \"continues\": false, \"size\": 3000"),
            std::string::npos);
  EXPECT_TRUE(Cli({"list", Root(), "--no-dv"}).out.empty());
}

TEST_F(QuillonCli, ListJsonGivesEachClipItsSizeAndTheLocalTimeOfItsLastChunk) {
  TempDir other;
  const UnitTree tree(other);
  tree.HdvParent();
  quillon::testsupport::SetMtime(quillon::testsupport::PutFile(tree.DvFolder("001"), "001.DV", {1, 2, 3}), 1000);
  const fs::path last = quillon::testsupport::PutFile(tree.DvFolder("001"), "002.DV", {4, 5});
  const struct {
    const char* zone;
    std::int64_t mtime;
    std::string time;
  } cases[] = {
      {"XYZ-1", 1205486130, "\"2008-03-14T10:15:30+01:00\""},
      {"ABC+3:30", 1205486130, "\"2008-03-14T05:45:30-03:30\""},
      {"UTC0", 0, "null"},  // no time known, as the row's "Invalid DateTime"
  };
  for (const auto& c : cases) {
    const ScopedEnv zone("TZ", c.zone);
    quillon::testsupport::SetMtime(last, c.mtime);
    const ProcessResult r = Cli({"list", tree.Root().string(), "--json"});
    EXPECT_NE(r.out.find("\"size\": 5, \"time\": " + c.time + ", "), std::string::npos) << c.zone << r.out;
  }
}

TEST_F(QuillonCli, ImportPrintsFilesInPlaceAndKeptOnesAndHonoursTheOverwriteModes) {
  const ProcessResult first = Cli({"import", Root(), Dest(), "ABC0001"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.out, Out("ABC0001.DV") + "\n");
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3000u);

  WriteFile(dest.Path() / "ABC0001.DV", "old");
  const ProcessResult kept = Cli({"import", Root(), Dest(), "--overwrite", "none"});
  EXPECT_EQ(kept.exitCode, 0);
  EXPECT_NE(kept.out.find("kept " + Out("ABC0001.DV") + "\n"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find(Out("XYZ0001.DV") + "\n"), std::string::npos);
  EXPECT_EQ(Lines(kept.out), 2u);
  EXPECT_EQ(Text(dest.Path() / "ABC0001.DV"), "old");

  // Without a terminal the default keeps existing files.
  const ProcessResult json = Cli({"import", Root(), Dest(), "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_NE(json.out.find("\"written\": [], \"skipped\": [\"" + Out("ABC0001.DV") + "\", \"" + Out("XYZ0001.DV") +
                          "\"]"),
            std::string::npos)
      << json.out;

  EXPECT_EQ(Cli({"import", Root(), Dest(), "--overwrite", "all"}).exitCode, 0);
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3000u);
}

TEST_F(QuillonCli, AskedQuestionsShowBothSizesAndAreAnsweredFromStandardInput) {
  WriteFile(dest.Path() / "ABC0001.DV", "old");
  WriteFile(dest.Path() / "XYZ0001.DV", "old");
  quillon::testsupport::SetMtime(dest.Path() / "ABC0001.DV", 1205486130);
  const ScopedEnv zone("TZ", "XYZ-1");
  const ProcessResult r = Cli({"import", Root(), Dest(), "--overwrite", "ask"}, "n\ny\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("This folder already contains a file named 'ABC0001.DV'.\n"
                       "Would you like replace the existing file?\n"
                       "  Existing file: 3 bytes, last changed 2008-03-14 10:15:30\n"
                       "  New file:      2.9 KiB (3000 bytes)\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3u);
  EXPECT_EQ(ReadFile(dest.Path() / "XYZ0001.DV").size(), 2000u);

  // Nobody left to answer: nothing is replaced and the import stops, as Cancel does.
  const ProcessResult cancelled = Cli({"import", Root(), Dest(), "--overwrite", "ask", "--json"});
  EXPECT_EQ(cancelled.exitCode, 1);
  EXPECT_NE(cancelled.out.find("\"cancelled\": true"), std::string::npos) << cancelled.out;
}

TEST_F(QuillonCli, ADryRunTellsWhatEachOutputWouldMeetAndChangesNothing) {
  WriteFile(dest.Path() / "ABC0001.DV", "old");
  const fs::path stale = dest.Path() / ".XYZ0001.DV.abcdefgh.quillon-part";  // as a killed import leaves it
  WriteFile(stale, "part");
  const struct {
    std::string mode, existing;
  } cases[] = {{"none", "would keep   "}, {"all", "would replace"}, {"ask", "would ask    "}};
  for (const auto& c : cases) {
    const ProcessResult r = Cli({"import", Root(), Dest(), "--dry-run", "--overwrite", c.mode});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              c.existing + "  3000  " + Out("ABC0001.DV") + "\nnew            2000  " + Out("XYZ0001.DV") + "\nOK\n");
  }
  EXPECT_EQ(Text(dest.Path() / "ABC0001.DV"), "old");
  EXPECT_FALSE(fs::exists(dest.Path() / "XYZ0001.DV"));
  EXPECT_TRUE(fs::exists(stale));

  // A folder where an output would go fails that clip, and so the command.
  TempDir other;
  fs::create_directories(other.Path() / "ABC0001.DV");
  const ProcessResult blocked = Cli({"import", Root(), other.Path().string(), "--dry-run", "--overwrite", "all"});
  EXPECT_EQ(blocked.exitCode, 1);
  EXPECT_TRUE(blocked.out.starts_with("would fail     3000  ")) << blocked.out;

  // The verdict of a refused import.
  const ProcessResult refused = Cli({"import", Root(), Out("missing"), "--dry-run", "--json", "XYZ0001"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out, "{\"outputs\": [{\"clip\": \"XYZ0001\", \"path\": \"" + Out("missing/XYZ0001.DV") +
                             "\", \"size\": 2000, \"action\": \"new\"}], \"too_large\": [], \"refusal\": "
                             "\"The destination folder \\\"" + Out("missing") +
                             "\\\" does not exist. Choose another destination folder.\"}\n");
  EXPECT_TRUE(fs::is_empty(other.Path() / "ABC0001.DV"));
}

TEST_F(QuillonCli, QuietPrintsOnlyErrors) {
  WriteFile(dest.Path() / "XYZ0001.DV", "old");                        // kept: "kept PATH" without -q
  WriteFile(dest.Path() / ".ABC0001.DV.abcdefgh.quillon-part", "part");  // removed: told without -q
  const ProcessResult r = Cli({"import", Root(), Dest(), "-q", "--overwrite", "none"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3000u);

  fs::remove(dest.Path() / "ABC0001.DV");
  fs::create_directories(dest.Path() / "ABC0001.DV");
  const ProcessResult failed = Cli({"import", Root(), Dest(), "--quiet", "--overwrite", "all"});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_NE(failed.err.find("ABC0001: ABC0001.DV could not be created"), std::string::npos) << failed.err;
}

TEST_F(QuillonCli, TheJsonSummaryGivesEachWrittenFileItsHashAndTheFigures) {
  for (const bool verify : {true, false}) {
    std::vector<std::string> args{"import", Root(), Dest(), "--json", "--overwrite", "all"};
    if (!verify) args.push_back("--no-verify");
    const ProcessResult r = Cli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string a = Out("ABC0001.DV"), x = Out("XYZ0001.DV");
    EXPECT_NE(r.out.find("{\"written\": [\"" + a + "\", \"" + x + "\"], "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"hashes\": {\"" + a + "\": \"" + Hash(flat / "ABC0001.DV") + "\", \"" + x + "\": \"" +
                         Hash(flat / "XYZ0001.DV") + "\"}, \"verified\": " + (verify ? "true" : "false") +
                         ", \"bytes\": 5000, \"seconds\": "),
              std::string::npos)
        << r.out;
    // The second run replaces files that are home already: no new clip.
    EXPECT_TRUE(r.out.ends_with(", \"refusal\": null, \"moved_to\": null, \"rescued\": [], \"second_copy\": null, "
                                "\"new_clips\": " + std::string(verify ? "2" : "0") + ", \"history_problems\": []}\n"))
        << r.out;
  }
}

TEST_F(QuillonCli, DrivesAsJsonGiveEachMountedUnitItsFileSystemAndFreeSpace) {
  const ProcessResult here = Cli({"drives", "--json"});
  EXPECT_EQ(here.exitCode, 0);
  EXPECT_TRUE(std::regex_match(here.out, std::regex(R"(\{"drives": \[.*\]\}\n)"))) << here.out;

  // The unit's folder mounted on itself in a mount namespace of its own shows in the table.
  const ProcessResult r = RunProcess({"/usr/bin/unshare", "-rm", "/bin/sh", "-c",
                                      "mount --bind \"$0\" \"$0\" && \"$1\" drives && \"$1\" drives --json", Root(),
                                      QUILLON_CLI_PATH});
  if (r.exitCode != 0 && r.out.empty()) GTEST_SKIP() << "no mount namespace to be had: " << r.err;
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto type = quillon::platform::FileSystemTypeOf(quillon::testsupport::U16(unit.Path()));
  ASSERT_TRUE(type);
  EXPECT_NE(r.out.find(Root() + "\n{\"drives\": ["), std::string::npos) << r.out;  // listed as text, then JSON
  const std::string entry = "{\"mount_point\": \"" + Root() + "\", \"fs_type\": \"" + *type + "\", \"free_bytes\": ";
  const std::size_t at = r.out.find(entry);
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(r.out[at + entry.size()]))) << r.out;
}

TEST_F(QuillonCli, ARefusedImportCopiesNothingAndSaysWhy) {
  WriteFile(dest.Path() / "file", "x");
  const struct {
    std::string destination, message;
  } cases[] = {
      {Out("missing"), "The destination folder \"" + Out("missing") + "\" does not exist."},
      {Out("file"), "The destination \"" + Out("file") + "\" is not a folder."},
  };
  for (const auto& c : cases) {
    const ProcessResult r = Cli({"import", Root(), c.destination, "--json"});
    EXPECT_EQ(r.exitCode, 1) << c.destination;
    EXPECT_EQ(r.err, "quillon-cli: " + c.message + " Choose another destination folder.\n");
    EXPECT_NE(r.out.find("\"written\": [], \"skipped\": [], \"renamed\": [], \"discarded\": [], \"left_as_it_was\": [], "
                         "\"not_removed\": [], "
                         "\"failed\": [], \"cancelled\": false, \"hashes\": {}, "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"refusal\": \"The destination "), std::string::npos) << r.out;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dest.Path()), fs::directory_iterator()), 1);
}

TEST_F(QuillonCli, AFailedClipPrintsItsCauseAloneAndIsNeverListedAsWritten) {
  fs::create_directories(dest.Path() / "ABC0001.DV");  // its output cannot be created
  const ProcessResult r = Cli({"import", Root(), Dest(), "--overwrite", "all"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("quillon-cli: ABC0001: ABC0001.DV could not be created (")) << r.err;
  EXPECT_EQ(Lines(r.err), 1u) << "no word of a read-only destination or its space: " << r.err;
  EXPECT_EQ(r.out, Out("XYZ0001.DV") + "\n");
  EXPECT_TRUE(TemporaryFiles(dest.Path()).empty());
}

TEST_F(QuillonCli, StopSignalsCancelAndLeaveTheFinalNameAsItWas) {
  PutBigClip();
  const fs::path out = dest.Path() / "BIG0001.DV";
  const struct {
    int signal;
    bool oldFile;  // a file is there before, and the import was told to replace it
    bool json;
  } cases[] = {{SIGINT, false, true}, {SIGTERM, true, false}, {SIGHUP, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(strsignal(c.signal));
    if (c.oldFile) WriteFile(out, "old");
    std::vector<std::string> args{QUILLON_CLI_PATH, "import", Root(), Dest(), "BIG0001", "--overwrite", "all"};
    if (c.json) args.push_back("--json");
    BackgroundProcess cli(args);
    ASSERT_TRUE(WaitUntil([&] { return BigCopyUnderWay(); }));
    cli.Signal(c.signal);
    const ProcessResult r = cli.Wait();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(fs::exists(out), c.oldFile);
    if (c.oldFile) {
      ASSERT_EQ(fs::file_size(out), 3u);
      EXPECT_EQ(Text(out), "old");
    }
    EXPECT_TRUE(TemporaryFiles(dest.Path()).empty());
    if (c.json) {
      EXPECT_NE(r.out.find("\"written\": []"), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("\"discarded\": [\"" + out.string() + "\"]"), std::string::npos);
      const std::string untouched = c.oldFile ? "[\"" + out.string() + "\"]" : "[]";
      EXPECT_NE(r.out.find("\"left_as_it_was\": " + untouched), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("\"cancelled\": true"), std::string::npos);
    } else {
      EXPECT_EQ(r.out, "");  // the incomplete output is never shown as imported
      EXPECT_EQ(r.err, "quillon-cli: import cancelled\nquillon-cli: removed the incomplete new copy of " + out.string() +
                           "; the file " + out.string() + " was left as it was\n");
    }
  }
}

TEST_F(QuillonCli, AKilledImportLeavesOnlyATemporaryFileThatTheNextImportRemoves) {
  // In both folders of an import with a second copy.
  PutBigClip();
  TempDir second;
  const fs::path outs[] = {dest.Path() / "BIG0001.DV", second.Path() / "BIG0001.DV"};
  for (const fs::path& out : outs) WriteFile(out, "old");
  {
    BackgroundProcess cli({QUILLON_CLI_PATH, "import", Root(), Dest(), "BIG0001", "--overwrite", "all", "--copy-to",
                           second.Path().string()});
    ASSERT_TRUE(WaitUntil([&] { return BigCopyUnderWay(); }));
    cli.Signal(SIGKILL);
    EXPECT_EQ(cli.Wait().exitCode, -1);
  }
  for (const fs::path& out : outs) {
    ASSERT_EQ(fs::file_size(out), 3u) << out;
    EXPECT_EQ(Text(out), "old");
    ASSERT_EQ(TemporaryFiles(out.parent_path()).size(), 1u) << out;
  }

  const ProcessResult next = Cli({"import", Root(), Dest(), "--json", "--copy-to", second.Path().string()});
  EXPECT_EQ(next.exitCode, 0);
  EXPECT_EQ(next.out.find(".quillon-part"), std::string::npos) << next.out;
  for (const fs::path& out : outs) {
    EXPECT_TRUE(TemporaryFiles(out.parent_path()).empty()) << out;
    EXPECT_EQ(Text(out), "old");
  }
}

TEST_F(QuillonCli, ListMarksClipsHomeAndImportNewBringsOnlyTheOthers) {
  const auto rowsEnd = [](const std::string& out) {
    std::vector<std::string> ends;
    for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
      ends.push_back(out.substr(out.rfind("  ", end) + 2, end - out.rfind("  ", end) - 2));
    }
    return ends;
  };
  EXPECT_EQ(rowsEnd(Cli({"list", Root(), "--dest", Dest()}).out), (std::vector<std::string>{"new", "new"}));
  ASSERT_EQ(Cli({"import", Root(), Dest(), "ABC0001"}).exitCode, 0);
  EXPECT_EQ(rowsEnd(Cli({"list", Root(), "--dest", Dest()}).out), (std::vector<std::string>{"home", "new"}));
  const std::string json = Cli({"list", Root(), "--dest", Dest(), "--json"}).out;
  EXPECT_NE(json.find("\"home\": true, \"home_state\": \"home\", \"home_paths\": [\"" + Out("ABC0001.DV") + "\"]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"home\": false, \"home_state\": \"new\", \"home_paths\": []"), std::string::npos) << json;

  const ProcessResult first = Cli({"import", Root(), Dest(), "--new"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, Out("XYZ0001.DV") + "\n") << "only the clip that was not home";
  const ProcessResult again = Cli({"import", Root(), Dest(), "--new", "--check"});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.out, "nothing new\n");

  // A copy altered since is only seen by a rehash, and --new then imports it again.
  WriteFile(dest.Path() / "XYZ0001.DV", std::string(2000, 'y'));
  EXPECT_EQ(Cli({"import", Root(), Dest(), "--new"}).out, "nothing new\n");
  EXPECT_EQ(rowsEnd(Cli({"list", Root(), "--dest", Dest(), "--check"}).out), (std::vector<std::string>{"home", "changed"}));
  const ProcessResult mended = Cli({"import", Root(), Dest(), "--new", "--check", "--overwrite", "all"});
  EXPECT_EQ(mended.out, Out("XYZ0001.DV") + "\n");
  EXPECT_EQ(Text(dest.Path() / "XYZ0001.DV"), std::string(2000, 'x'));
}

TEST_F(QuillonCli, ASecondCopyIsPlannedWrittenAndKeptInAnAscMhlHistoryThatTheAscToolVerifies) {
  TempDir second;
  const std::string other = second.Path().string();
  const ProcessResult plan = Cli({"import", Root(), Dest(), "--copy-to", other, "--dry-run"});
  EXPECT_EQ(plan.exitCode, 0);
  for (const fs::path& folder : {dest.Path(), second.Path()}) {
    EXPECT_NE(plan.out.find("new            3000  " + (folder / "ABC0001.DV").string() + "\n"), std::string::npos)
        << plan.out;
  }
  EXPECT_TRUE(quillon::testsupport::EntryNames(second.Path()).empty());

  const ProcessResult r = Cli({"import", Root(), Dest(), "--copy-to", other, "--mhl", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"second_copy\": \"" + other + "\", \"new_clips\": 2"), std::string::npos) << r.out;
  for (const fs::path& folder : {dest.Path(), second.Path()}) {
    EXPECT_EQ(Text(folder / "ABC0001.DV"), std::string(3000, 'a'));
    EXPECT_EQ(Text(folder / "XYZ0001.DV"), std::string(2000, 'x'));
  }
#ifdef QUILLON_ASCMHL_REF
  if (const auto missing = quillon::testsupport::AscMhlReferenceMissing()) GTEST_SKIP() << *missing;
  for (const fs::path& folder : {dest.Path(), second.Path()}) {
    const auto verified = quillon::testsupport::AscMhlReference({"ascmhl-debug", "verify", folder.string()});
    EXPECT_EQ(verified.exitCode, 0) << folder << verified.out << verified.err;
  }
#endif
}

TEST_F(QuillonCli, AClosedOutputIsAnErrorAndTheImportStillCompletes) {
  TempDir logs;
  const ProcessResult r = CliWithClosedOutput({"import", Root(), Dest()}, logs.Path() / "err");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "quillon-cli: could not write its output (Broken pipe)\n");
  EXPECT_EQ(Text(dest.Path() / "ABC0001.DV"), std::string(3000, 'a'));
  EXPECT_EQ(Text(dest.Path() / "XYZ0001.DV"), std::string(2000, 'x'));
  EXPECT_TRUE(TemporaryFiles(dest.Path()).empty());
}

TEST_F(QuillonCli, TheManifestListsTheHashOfEveryFileWritten) {
  TempDir other;
  const fs::path manifest = other.Path() / "import.xxh";
  const ProcessResult r = Cli({"import", Root(), Dest(), "--no-verify", "--manifest", manifest.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string expected;
  for (const char* name : {"ABC0001.DV", "XYZ0001.DV"}) {
    EXPECT_EQ(ReadFile(dest.Path() / name), ReadFile(flat / name));
    expected += Hash(dest.Path() / name) + "  " + Out(name) + "\n";
  }
  EXPECT_EQ(Text(manifest), expected);
  if (fs::exists("/usr/bin/xxhsum")) {  // the xxhash package's checker
    const ProcessResult check = RunProcess({"/usr/bin/xxhsum", "-c", manifest.string()});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out, Out("ABC0001.DV") + ": OK\n" + Out("XYZ0001.DV") + ": OK\n");
  }

  // A manifest that cannot be written is found before anything is copied, by a dry run too.
  TempDir empty;
  for (const bool dryRun : {false, true}) {
    std::vector<std::string> args{"import", Root(), empty.Path().string(), "--manifest",
                                  (other.Path() / "gone" / "import.xxh").string()};
    if (dryRun) args.push_back("--dry-run");
    const ProcessResult unwritable = Cli(args);
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot be written: the folder " + (other.Path() / "gone").string() +
                                  " does not exist. Nothing was copied."),
              std::string::npos)
        << unwritable.err;
    EXPECT_TRUE(fs::is_empty(empty.Path()));
  }

  // A name with a line break, which xxhsum would read as two lines, is left out and named.
  WriteFile(flat / "NLX0001\nA.DV", std::string(10, 'n'));
  const ProcessResult odd = Cli({"import", Root(), Dest(), "NLX0001", "--manifest", manifest.string()});
  EXPECT_EQ(odd.exitCode, 1);
  EXPECT_NE(odd.err.find("quillon-cli: the manifest leaves out \"" + Out("NLX0001") + "\\nA.DV\": xxhsum cannot "
                         "read a file name with a line break"),
            std::string::npos)
      << odd.err;
  EXPECT_EQ(Text(manifest), "");
}

TEST_F(QuillonCli, ASecondRecordingWithTheSameNameIsSavedUnderANumberedNameAndTold) {
  // Two files of one folder recorded at the same second: both outputs take the same name.
  TempDir other;
  const UnitTree tree(other);
  tree.HdvParent();
  const auto frames = quillon::testsupport::DvFrames(quillon::testsupport::RecDateTime{2007, 5, 31, 14, 23, 14});
  quillon::testsupport::PutFile(tree.DvFolder("001"), "001.DV", frames);
  quillon::testsupport::PutFile(tree.DvFolder("001"), "002.DV", frames);
  const std::string first = "00_0001_2007-05-31_142314.DV", second = "00_0001_2007-05-31_142314_2.DV";

  // The dry run names them as the import does.
  const ProcessResult plan = Cli({"import", tree.Root().string(), Dest(), "--dry-run"});
  EXPECT_EQ(plan.out, "new            120000  " + Out(first) + "\nnew            120000  " + Out(second) + "\nOK\n");

  const ProcessResult r = Cli({"import", tree.Root().string(), Dest()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Out(first) + "\n" + Out(second) + "\n");
  EXPECT_EQ(r.err, "quillon-cli: Other recordings of this import had the same file names, so these files were saved "
                   "under numbered names:\n  " + first + " was saved as " + second + "\n");
  // Told again when both are kept by the next import: the numbered name is still the second's.
  const ProcessResult json = Cli({"import", tree.Root().string(), Dest(), "--json"});
  EXPECT_NE(json.out.find("\"renamed\": [{\"from\": \"" + Out(first) + "\", \"to\": \"" + Out(second) + "\"}]"),
            std::string::npos)
      << json.out;
}

}  // namespace
