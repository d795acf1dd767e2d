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
#include "import/ImportJob.h"
#include "platform/Text.h"
#include "support/RecordingEvents.h"

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
  OverwritePolicy initial;
  std::deque<OverwriteAnswer> answers;
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

  constexpr OverwriteAnswer Yes = OverwriteAnswer::Yes, No = OverwriteAnswer::No;
  const std::vector<Mode> modes = {
      {"all", OverwritePolicy::ReplaceAll, {}},
      {"none", OverwritePolicy::KeepAll, {}},
      {"ask y/n", OverwritePolicy::Ask, {Yes, No, Yes, No, Yes, No, Yes, No}},
      {"ask yes-to-all", OverwritePolicy::Ask, {OverwriteAnswer::YesToAll}},
      {"ask no-to-all", OverwritePolicy::Ask, {OverwriteAnswer::NoToAll}},
      {"ask cancel", OverwritePolicy::Ask, {Yes, OverwriteAnswer::Cancel}},
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

    testsupport::RecordingEvents events(mode.answers);
    ImportRequest request = RequestFor(catalogue, rows);
    request.destination = dest;
    request.overwrite = mode.initial;
    const ImportOutcome outcome = testsupport::RunToEnd(std::move(request), events);
    written += static_cast<int>(outcome.written.size());
    failed += static_cast<int>(outcome.FailedClips().size());
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
