// quillon-cli on a unit whose reads really fail or hang: the demo unit mirrored through
// quillon-faultfs. Skipped, with the reason, where no FUSE mount can be made.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/FaultyMount.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using quillon::testsupport::BackgroundProcess;
using quillon::testsupport::FaultyMount;
using quillon::testsupport::ProcessResult;
using quillon::testsupport::ReadFile;
using quillon::testsupport::RunProcess;
using quillon::testsupport::TempDir;

std::string Bytes(const fs::path& path) {
  const auto bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

// User and system CPU time of a running process, from /proc.
std::chrono::duration<double> CpuTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));  // after the command's name
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return std::chrono::duration<double>(static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK)));
}

class FaultyUnitCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = FaultyMount::Unavailable()) GTEST_SKIP() << *why;
    const ProcessResult made = RunProcess({QUILLON_DEMO_PATH, work.Path().string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    unit = work.Path() / "unit-flat";
    qvt = unit / "VIDEO" / "QVT";
    dest = work.Path() / "dest";
    fs::create_directory(dest);
  }
  ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLON_CLI_PATH);
    return RunProcess(args);
  }

  TempDir work;
  fs::path unit, qvt, dest;
};

// What ddrescuelog makes of a map: its exit status and the bad-sector blocks it lists.
ProcessResult BadBlocks(const fs::path& map) { return RunProcess({"/usr/bin/ddrescuelog", "-l-", map.string()}); }

TEST_F(FaultyUnitCli, ARescueKeepsEveryByteTheUnitGivesWithAMapDdrescueReadsAndALaterRunCompletesIt) {
  if (::access("/usr/bin/ddrescuelog", X_OK) != 0) GTEST_SKIP() << "ddrescuelog is not installed (Debian: gddrescue)";
  // The first HDV output joins two chunks; the second has an area that never reads, the first a
  // weak one that reads on the third try. The DV clip has a bad area in its second frame.
  const std::string hdvA = "HDV0001_2008-03-14_101530.M2T", hdvB = "HDV0001_2008-03-14_102530.M2T";
  const std::string faults = "file VIDEO/QVT/" + hdvA + "\nweak 16384 512 2\n" +  //
                             "file VIDEO/QVT/" + hdvB + "\nbad 8192 4096\n" +      //
                             "file VIDEO/QVT/DVC0001.DV\nbad 122880 4096\n";
  const std::string joined = Bytes(qvt / hdvA) + Bytes(qvt / hdvB), dv = Bytes(qvt / "DVC0001.DV");
  const std::uint64_t hdvBad = Bytes(qvt / hdvA).size() + 8192;
  {
    FaultyMount mount(unit, faults);
    const ProcessResult clean = Cli({"import", mount.Path().string(), dest.string(), "HDV0001", "DVC0001"});
    EXPECT_EQ(clean.exitCode, 1);
    EXPECT_FALSE(fs::exists(dest / hdvA));
    EXPECT_FALSE(fs::exists(dest / "DVC0001.DV"));

    const ProcessResult r =
        Cli({"import", mount.Path().string(), dest.string(), "HDV0001", "DVC0001", "--rescue", "--json"});
    EXPECT_EQ(r.exitCode, 1) << "bytes are still missing";
    const std::string hdvOut = (dest / "HDV0001_2008-03-14_101530-rescued.M2T").string();
    const std::string dvOut = (dest / "DVC0001-rescued.DV").string();
    EXPECT_NE(r.out.find("\"rescued\": [{\"clip\": \"HDV0001\", \"path\": \"" + hdvOut + "\", \"map\": \"" + hdvOut +
                         ".map\", \"bad_bytes\": 4096, \"areas\": [{\"offset\": " + std::to_string(hdvBad) +
                         ", \"length\": 4096, \"at\": \"00:00:"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"clip\": \"DVC0001\", \"path\": \"" + dvOut + "\", \"map\": \"" + dvOut +
                         ".map\", \"bad_bytes\": 4096, \"areas\": [{\"offset\": 122880, \"length\": 4096, \"at\": \"00:00:00."),
              std::string::npos)
        << r.out;
    // The other two HDV outputs read well and are in place under their own names.
    EXPECT_TRUE(fs::exists(dest / "HDV0001_2008-03-14_103530.M2T"));
    EXPECT_TRUE(fs::exists(dest / "HDV0001_2008-03-14_104530.M2T"));

    // Every byte but the bad ones, which are zeros; the weak area was read.
    std::string expected = joined;
    expected.replace(hdvBad, 4096, 4096, '\0');
    EXPECT_TRUE(Bytes(hdvOut) == expected);
    expected = dv;
    expected.replace(122880, 4096, 4096, '\0');
    EXPECT_TRUE(Bytes(dvOut) == expected);
    const ProcessResult hdvMap = BadBlocks(hdvOut + ".map"), dvMap = BadBlocks(dvOut + ".map");
    EXPECT_EQ(hdvMap.exitCode, 0) << hdvMap.err;
    std::string blocks;
    for (std::uint64_t b = hdvBad / 512; b < (hdvBad + 4096) / 512; ++b) blocks += std::to_string(b) + "\n";
    EXPECT_EQ(hdvMap.out, blocks);
    EXPECT_EQ(dvMap.out, "240\n241\n242\n243\n244\n245\n246\n247\n");
    EXPECT_EQ(RunProcess({"/usr/bin/ddrescuelog", "-t", hdvOut + ".map"}).exitCode, 0);
  }

  // The unit reads again: only the missing bytes are read, and the outputs take their names.
  FaultyMount mount(unit, "");
  const ProcessResult r = Cli({"import", mount.Path().string(), dest.string(), "HDV0001", "DVC0001", "--rescue"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Bytes(dest / hdvA) == joined);
  EXPECT_TRUE(Bytes(dest / "DVC0001.DV") == dv);
  for (const char* gone : {"HDV0001_2008-03-14_101530-rescued.M2T", "HDV0001_2008-03-14_101530-rescued.M2T.map",
                           "DVC0001-rescued.DV", "DVC0001-rescued.DV.map"}) {
    EXPECT_FALSE(fs::exists(dest / gone)) << gone;
  }
  // The bad bytes, and the few that tell where each HDV stream goes on.
  EXPECT_LE(mount.ReadStats().bytes, 2 * 4096 + 64 * 1024u);
}

TEST_F(FaultyUnitCli, CtrlCDuringAReadThatHangsIsToldAtOnceCostsNoCpuAndEndsTheImport) {
  FaultyMount mount(unit, "file VIDEO/QVT/DVC0001.DV\nstall 100000 1 release\n");
  BackgroundProcess cli({QUILLON_CLI_PATH, "import", mount.Path().string(), dest.string(), "DVC0001"});
  ASSERT_TRUE(mount.WaitUntilStalled(1));
  const auto signalled = std::chrono::steady_clock::now();
  cli.Signal(SIGINT);
  const auto told = [&] {
    const std::string err = cli.ErrorSoFar();
    return err.find("import cancelled") != std::string::npos && err.find("waiting for the unit") != std::string::npos;
  };
  while (!told() && std::chrono::steady_clock::now() - signalled < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(told()) << cli.ErrorSoFar();
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2)) << cli.ErrorSoFar();
  // Waiting for the unit costs nothing.
  const auto cpuBefore = CpuTime(cli.Pid());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_LT(CpuTime(cli.Pid()).count(), 1.0);
  EXPECT_LT((CpuTime(cli.Pid()) - cpuBefore).count(), 0.2);
  mount.Release();
  const ProcessResult r = cli.Wait();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(fs::exists(dest / "DVC0001.DV"));
}

}  // namespace
