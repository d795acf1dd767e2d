// Soak: many imports in one process, the way the desktop program runs one after another for
// hours: scan, import every clip into one destination, with the overwrite handling cycling
// through replace-all, keep-all and answered questions (Yes, No, Yes to all, No to all,
// Cancel). Prints the process's resident memory and open descriptors as it goes and fails
// when either keeps growing.
//   quillon-soak-import UNIT_ROOT[,UNIT_ROOT...] DEST [IMPORTS]
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyMessage.h"
#include "import/ImportJob.h"
#include "platform/Text.h"
#include "support/FakeFrontEnd.h"

namespace {

using namespace quillon;

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
    ::closedir(d);
    --n;  // the one opendir holds
  }
  return n;
}

struct Mode {
  const char* name;
  ImportState initial;
  std::deque<int> answers;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillon-soak-import UNIT_ROOT[,UNIT_ROOT...] DEST [IMPORTS]\n");
    return 2;
  }
  std::vector<std::u16string> units;
  std::stringstream list(argv[1]);
  for (std::string u; std::getline(list, u, ',');) units.push_back(platform::FromUtf8(u));
  const std::u16string dest = platform::FromUtf8(argv[2]);
  const int imports = argc > 3 ? std::atoi(argv[3]) : 500;

  const std::vector<Mode> modes = {
      {"all", OverwriteAll, {}},
      {"none", SkipAll, {}},
      {"ask y/n", Ask, {kAnswerYes, kAnswerNo, kAnswerYes, kAnswerNo, kAnswerYes, kAnswerNo, kAnswerYes, kAnswerNo}},
      {"ask yes-to-all", Ask, {kAnswerYesToAll}},
      {"ask no-to-all", Ask, {kAnswerNoToAll}},
      {"ask cancel", Ask, {kAnswerYes, kAnswerCancel}},
  };

  const int fdsAtStart = OpenDescriptors();
  std::printf("%8s %10s %6s %8s %7s %9s\n", "imports", "rss_kib", "fds", "written", "failed", "cancelled");
  long rssAfterWarmUp = 0, rssMax = 0;
  int fdsMax = fdsAtStart;
  int written = 0, failed = 0, cancelled = 0;
  ClipCatalogue catalogue;
  for (int i = 1; i <= imports; ++i) {
    const Mode& mode = modes[static_cast<std::size_t>(i - 1) % modes.size()];
    catalogue.Scan(units[static_cast<std::size_t>(i - 1) % units.size()], true, true);
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < catalogue.Count(); ++r) rows.push_back(r);

    testsupport::FakeFrontEnd frontEnd(mode.answers);
    ImportJob job(frontEnd);
    ImportOptions options;
    options.overwrite = mode.initial;
    job.Prepare(catalogue, 0, rows, dest, options);
    job.StartWorker();
    job.Join();
    const ImportOutcome outcome = job.Conclude();
    written += static_cast<int>(outcome.written.size());
    failed += static_cast<int>(outcome.failed.size());
    cancelled += outcome.cancelled;

    const long rss = ResidentKiB();
    const int fds = OpenDescriptors();
    rssMax = std::max(rssMax, rss);
    fdsMax = std::max(fdsMax, fds);
    if (i == std::min(imports, 50)) rssAfterWarmUp = rss;
    if (i == 1 || i % 50 == 0 || i == imports)
      std::printf("%8d %10ld %6d %8d %7d %9d\n", i, rss, fds, written, failed, cancelled);
  }
  const long rssEnd = ResidentKiB();
  const int fdsEnd = OpenDescriptors();
  std::printf("fds: %d at start, %d at most, %d at the end\n", fdsAtStart, fdsMax, fdsEnd);
  std::printf("rss: %ld KiB after 50 imports, %ld KiB at most, %ld KiB at the end\n", rssAfterWarmUp, rssMax, rssEnd);

  // Flat: no descriptor left open, and memory after the warm-up within a few pages' noise.
  constexpr long kRssSlackKiB = 512;
  const bool flat = fdsEnd == fdsAtStart && rssEnd - rssAfterWarmUp <= kRssSlackKiB;
  std::printf("%s\n", flat ? "flat" : "GROWING");
  return flat ? 0 : 1;
}
