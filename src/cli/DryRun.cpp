#include "cli/DryRun.h"

#include <algorithm>

#include "cli/Json.h"
#include "frontend/Texts.h"
#include "import/ImportJob.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

// A job that is only prepared tells nothing.
class NoEvents final : public ImportEvents {
 public:
  void OnImportEvent(ImportEvent) override {}
};

// What the copy does with what is at an output's name.
OutputAction ActionAt(AtName atName, const std::optional<platform::FileStatus>& existing) {
  switch (atName) {
    case AtName::Create: return OutputAction::New;
    case AtName::Ask: return OutputAction::Ask;
    case AtName::Replace: return existing->isDirectory ? OutputAction::Fail : OutputAction::Replace;
    case AtName::UnitFile: return OutputAction::Fail;
    default: return OutputAction::Keep;
  }
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

std::string RefusalLine(const Refusal& refusal) {
  const frontend::Notice notice = frontend::RefusedNotice(refusal);
  std::string line = platform::ToUtf8(frontend::English(notice.text));
  if (!notice.detail.Empty()) line += " (" + platform::ToUtf8(frontend::English(notice.detail)) + ")";
  return line;
}

DryRun PlanImport(ImportRequest request) {
  request.lookOnly = true;
  NoEvents events;
  ImportJob job(std::move(request), events);
  DryRun run;
  run.plan = job.Prepare();
  const ImportRequest& asked = job.Request();
  const bool second = !asked.secondCopy.empty() && !asked.rescue;
  for (const PlannedOutput& output : run.plan.outputs) {
    run.files.push_back({output.clipName, platform::JoinPath(asked.destination, {output.name}), output.chunks.bytes,
                         ActionAt(output.atName, output.existing)});
    if (second) {
      run.files.push_back({output.clipName, platform::JoinPath(asked.secondCopy, {output.name}), output.chunks.bytes,
                           ActionAt(output.secondAtName, output.secondExisting)});
    }
  }
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
    out += "too large: " + platform::ToUtf8(frontend::English(frontend::FailureLine(failure))) + "\n";
  }
  out += run.plan.refusal ? "refused: " + RefusalLine(*run.plan.refusal) + "\n" : "OK\n";
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
           ", \"error\": " + JsonString(frontend::English(frontend::FailureLine(failure))) + "}";
  }
  out += "], \"refusal\": ";
  out += run.plan.refusal ? JsonString(platform::FromUtf8(RefusalLine(*run.plan.refusal))) : "null";
  return out + "}\n";
}

}  // namespace quillon::cli
