#include "cli/DryRun.h"

#include <algorithm>

#include "cli/Json.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

// A front end for a job that is prepared and never started.
class NoFrontEnd final : public ImportFrontEnd {
 public:
  bool ShowProgress(const ImportProgress&) override { return false; }
  void ClipFailed(const ClipFailure&) override {}
  void CopyEnded() override {}
  void Finished(const ImportOutcome&) override {}
  int AskOverwrite(const OverwriteQuestion&) override { return kAnswerCancel; }
};

// What the copy engine does with an existing entry at an output's name.
OutputAction ActionAt(const std::optional<platform::FileStatus>& existing, std::int32_t overwrite) {
  if (!existing) return OutputAction::New;
  if (overwrite == SkipAll) return OutputAction::Keep;
  if (overwrite == Ask) return OutputAction::Ask;
  return existing->isDirectory ? OutputAction::Fail : OutputAction::Replace;
}

const char* ActionText(OutputAction action) {
  switch (action) {
    case OutputAction::New: return "new";
    case OutputAction::Replace: return "would replace";
    case OutputAction::Keep: return "would keep";
    case OutputAction::Ask: return "would ask";
    case OutputAction::Fail: return "would fail";
  }
  return "";
}

const char* ActionToken(OutputAction action) {
  switch (action) {
    case OutputAction::New: return "new";
    case OutputAction::Replace: return "replace";
    case OutputAction::Keep: return "keep";
    case OutputAction::Ask: return "ask";
    case OutputAction::Fail: return "fail";
  }
  return "";
}

}  // namespace

bool DryRun::WouldSucceed() const {
  return !plan.refusal && plan.tooLarge.empty() &&
         std::none_of(files.begin(), files.end(), [](const PlannedFile& f) { return f.action == OutputAction::Fail; });
}

DryRun PlanImport(const ClipCatalogue& catalogue, int prefix, std::vector<std::size_t> rows,
                  const std::u16string& destination, const ImportOptions& options) {
  ImportOptions lookOnly = options;
  lookOnly.removeLeftovers = false;
  NoFrontEnd frontEnd;
  ImportJob job(frontEnd);
  DryRun run;
  run.plan = job.Prepare(catalogue, prefix, std::move(rows), destination, lookOnly);
  for (PlannedImportOutput& output : job.PlannedOutputs()) {
    run.files.push_back({output.clip, output.path, output.bytes, ActionAt(output.existing, options.overwrite)});
  }
  job.Conclude();
  return run;
}

std::string DryRunText(const DryRun& run) {
  std::size_t width = 1;
  for (const PlannedFile& f : run.files) width = std::max(width, std::to_string(f.bytes).size());
  std::string out;
  for (const PlannedFile& f : run.files) {
    const std::string size = std::to_string(f.bytes);
    std::string action = ActionText(f.action);
    action.resize(13, ' ');
    out += action + "  " + std::string(width - size.size(), ' ') + size + "  " + platform::ToUtf8(f.path) + "\n";
  }
  for (const ClipFailure& failure : run.plan.tooLarge) {
    out += "too large: " + platform::ToUtf8(failure.Describe()) + "\n";
  }
  out += run.plan.refusal ? "refused: " + platform::ToUtf8(run.plan.refusal->Describe()) + "\n" : "OK\n";
  return out;
}

std::string DryRunJson(const DryRun& run) {
  std::string out = "{\"outputs\": [";
  for (std::size_t i = 0; i < run.files.size(); ++i) {
    const PlannedFile& f = run.files[i];
    if (i) out += ", ";
    out += "{\"clip\": " + JsonString(f.clip) + ", \"path\": " + JsonString(f.path) +
           ", \"size\": " + std::to_string(f.bytes) + ", \"action\": \"" + ActionToken(f.action) + "\"}";
  }
  out += "], \"too_large\": [";
  for (std::size_t i = 0; i < run.plan.tooLarge.size(); ++i) {
    const ClipFailure& failure = run.plan.tooLarge[i];
    if (i) out += ", ";
    out += "{\"clip\": " + JsonString(failure.clip) + ", \"file\": " + JsonString(failure.file) +
           ", \"error\": " + JsonString(failure.Describe()) + "}";
  }
  out += "], \"refusal\": ";
  out += run.plan.refusal ? JsonString(run.plan.refusal->Describe()) : "null";
  return out + "}\n";
}

}  // namespace quillon::cli
