// quillon-cli as its user runs it: arguments, exit status and what it prints.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/Process.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using quillon::testsupport::BackgroundProcess;
using quillon::testsupport::ProcessResult;
using quillon::testsupport::ReadFile;
using quillon::testsupport::RunProcess;
using quillon::testsupport::TempDir;
using quillon::testsupport::WriteFile;

ProcessResult Cli(std::vector<std::string> args, const std::string& input = {}) {
  args.insert(args.begin(), QUILLON_CLI_PATH);
  return RunProcess(args, input);
}

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

  TempDir unit, dest;
  fs::path flat;
};

TEST_F(QuillonCli, BadArgumentsAreUsageErrorsWithOneLine) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"list"}, {"list", Root(), "--bogus"}, {"import", Root()}, {"frobnicate"},
           {"import", Root(), Dest(), "--prefix", "100"}, {"import", Root(), Dest(), "--prefix", "x"},
           {"import", Root(), Dest(), "--overwrite", "maybe"}, {"import", Root(), Dest(), "NOSUCH1"}}) {
    const ProcessResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 2) << args.back();
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(QuillonCli, HelpAndVersionAnswerLikeAnyTool) {
  const ProcessResult help = Cli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("quillon-cli import ROOT DEST"), std::string::npos);
  const ProcessResult version = Cli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "quillon-cli 1.1\n");
}

TEST_F(QuillonCli, ARootThatDoesNotExistListsNothing) {
  const ProcessResult r = Cli({"list", (unit.Path() / "gone").string()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.empty());
}

TEST_F(QuillonCli, ListPrintsOneRowPerClipAndTheCatalogueAsJson) {
  const ProcessResult rows = Cli({"list", Root()});
  EXPECT_EQ(rows.exitCode, 0);
  EXPECT_EQ(rows.out.substr(0, 18), "ABC0001  - DV  -  ");
  EXPECT_EQ(std::count(rows.out.begin(), rows.out.end(), '\n'), 2);

  const ProcessResult json = Cli({"list", Root(), "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_NE(json.out.find("\"name\": \"ABC0001\", \"kind_bits\": 2, \"source\": \"flat\""), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"name\": \"ABC0001.DV\", \"kind\": 1, \"continues\": false, \"size\": 3000"),
            std::string::npos);
  EXPECT_TRUE(Cli({"list", Root(), "--no-dv"}).out.empty());
}

TEST_F(QuillonCli, ImportPrintsEachFileAndHonoursTheOverwriteModes) {
  const ProcessResult first = Cli({"import", Root(), Dest(), "ABC0001"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.out, (dest.Path() / "ABC0001.DV").string() + "\n");
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3000u);

  WriteFile(dest.Path() / "ABC0001.DV", "old");
  // Without a terminal the default keeps existing files.
  const ProcessResult kept = Cli({"import", Root(), Dest(), "--json"});
  EXPECT_EQ(kept.exitCode, 0);
  EXPECT_NE(kept.out.find("\"written\": [\"" + (dest.Path() / "XYZ0001.DV").string() + "\"]"), std::string::npos)
      << kept.out;
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3u);

  EXPECT_EQ(Cli({"import", Root(), Dest(), "--overwrite", "all"}).exitCode, 0);
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3000u);
}

TEST_F(QuillonCli, AskedQuestionsAreAnsweredFromStandardInput) {
  WriteFile(dest.Path() / "ABC0001.DV", "old");
  WriteFile(dest.Path() / "XYZ0001.DV", "old");
  const ProcessResult r = Cli({"import", Root(), Dest(), "--overwrite", "ask"}, "n\ny\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("This folder already contains a file named 'ABC0001.DV'."), std::string::npos);
  EXPECT_NE(r.err.find("Would you like replace the existing file?"), std::string::npos);
  EXPECT_EQ(ReadFile(dest.Path() / "ABC0001.DV").size(), 3u);
  EXPECT_EQ(ReadFile(dest.Path() / "XYZ0001.DV").size(), 2000u);

  // Nobody left to answer: nothing is replaced and the import stops, as Cancel does.
  const ProcessResult cancelled = Cli({"import", Root(), Dest(), "--overwrite", "ask", "--json"});
  EXPECT_EQ(cancelled.exitCode, 1);
  EXPECT_NE(cancelled.out.find("\"cancelled\": true"), std::string::npos) << cancelled.out;
}

TEST_F(QuillonCli, AFailedClipPrintsTheFailureAndTheRestIsImported) {
  const ProcessResult r = Cli({"import", Root(), (dest.Path() / "missing").string(), "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Failed to import the files. Remove the Read-only attribute of the destination drive, or "
                       "increase its available space."),
            std::string::npos);
  EXPECT_NE(r.out.find("\"failed\": [\"ABC0001\", \"XYZ0001\"]"), std::string::npos) << r.out;
}

TEST_F(QuillonCli, InterruptCancelsAndDeletesTheIncompleteFile) {
  // A large sparse clip takes long enough at 1 KiB a block to be interrupted mid-copy.
  {
    std::ofstream big(flat / "BIG0001.DV", std::ios::binary);
    big.seekp((1ll << 30) - 1);
    big.put('\0');
  }
  BackgroundProcess cli({QUILLON_CLI_PATH, "import", Root(), Dest(), "BIG0001", "--json"});
  const fs::path out = dest.Path() / "BIG0001.DV";
  for (int i = 0; i < 500 && !(fs::exists(out) && fs::file_size(out) > 0); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(out));
  cli.Signal(SIGINT);
  const ProcessResult r = cli.Wait();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_NE(r.out.find("\"written\": [], \"discarded\": [\"" + out.string() + "\"]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"cancelled\": true"), std::string::npos);
}

}  // namespace
