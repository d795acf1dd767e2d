#pragma once
// import --dry-run: the output files an import would write and whether it could start, found
// with the import's own checks and naming, without writing or removing anything.
#include <cstdint>
#include <string>
#include <vector>

#include "import/ImportRequest.h"
#include "import/OutputPlan.h"

namespace quillon::cli {

// What the import would do at an output's name, given the overwrite mode.
enum class OutputAction {
  New,      // nothing has the name
  Replace,  // --overwrite all: the existing file would be replaced
  Keep,     // --overwrite none: the existing file (or folder) would be kept
  Ask,      // --overwrite ask: the question would come
  Fail,     // --overwrite all over a folder: the output could not be created
};

struct PlannedFile {
  std::u16string clip;
  std::u16string path;      // with the "_2" of a name an earlier output of the import takes
  std::uint64_t bytes = 0;
  OutputAction action = OutputAction::New;
};

struct DryRun {
  ImportPlan plan;                 // the checks before the copy: refusal, clips left out
  std::vector<PlannedFile> files;  // outputs of the clips that would be copied, in copy order
  // No refusal, no clip left out, no output that would fail.
  bool WouldSucceed() const;
};

// Runs the import's preparation, only looking, and tells the outputs of the clips it would copy.
DryRun PlanImport(ImportRequest request);

// Why the import cannot start, in one line: the reason, and the system's error text where it
// tells more.
std::string RefusalLine(const Refusal& refusal);

// One line per output ("would replace  3000  PATH"), the clips left out as too large, and
// the verdict: "OK" or "refused: " and why.
std::string DryRunText(const DryRun& run);
std::string DryRunJson(const DryRun& run);

}  // namespace quillon::cli
