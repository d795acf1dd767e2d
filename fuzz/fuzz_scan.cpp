// The scan over a generated unit tree, then what the window and an import do with its
// clips: row texts, sizes, clip times, the recording-time probe, output names, and the copy
// into a destination outside the unit. The unit's files must come out of it unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>

#include "FuzzFile.h"
#include "ScanTree.h"
#include "catalogue/ClipCatalogue.h"
#include "import/CopyEngine.h"
#include "import/ImportJob.h"
#include "import/OutputName.h"
#include "import/RecordingTimeProbe.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;
using quillon::fuzz::Require;

// Clips larger than this are listed and probed but not copied.
constexpr std::uint64_t kMaxCopiedBytes = 1 << 20;

const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    fs::path f = fs::path(tmp && *tmp ? tmp : "/tmp") / ("quillon-fuzz-scan-" + std::to_string(::getpid()));
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(WorkFolder(), ec);
    });
    return f;
  }();
  return folder;
}

// Every regular file below root with its size, modification time and, when small, its bytes
// (the large ones are sparse files the fuzzer made).
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
    std::ostringstream state;
    const auto size = it->file_size(ec);
    state << size << ' ' << it->last_write_time(ec).time_since_epoch().count() << ' ';
    if (size <= kMaxCopiedBytes) state << std::ifstream(it->path(), std::ios::binary).rdbuf();
    files[it->path().string()] = state.str();
  }
  return files;
}

// Keeps the places of the outputs placed, and answers Yes to every question.
class Outputs final : public quillon::ImportEvents {
 public:
  void OnImportEvent(quillon::ImportEvent event) override {
    if (auto* asked = std::get_if<quillon::OverwriteAsked>(&event)) asked->answer->Give(quillon::OverwriteAnswer::Yes);
    if (auto* placed = std::get_if<quillon::PlacedOutput>(&event)) paths.push_back(placed->path);
  }
  std::vector<std::u16string> paths;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path unit = WorkFolder() / "unit";
  const fs::path dest = WorkFolder() / "dest";
  std::error_code ec;
  fs::remove_all(WorkFolder(), ec);
  fs::create_directories(dest, ec);

  const quillon::fuzz::Tree tree = quillon::fuzz::DecodeTree(data, size);
  quillon::fuzz::WriteTree(unit, tree);
  const auto before = Snapshot(unit);

  quillon::ClipCatalogue catalogue;
  catalogue.Scan(quillon::platform::FromUtf8(unit.string()), tree.hdv, tree.dv);
  std::vector<std::u16string> rows;
  catalogue.GetRowTexts(rows);
  Require(rows.size() == catalogue.Count());

  const std::u16string destination = quillon::platform::FromUtf8(dest.string());
  Outputs outputs;
  std::atomic<std::int64_t> lastNoTime{0};

  for (std::size_t i = 0; i < catalogue.Count(); ++i) {
    catalogue.GetClipSizeMiB(i);
    quillon::ClipHandle clip = catalogue.Handle(i);
    Require(!clip->chunks.empty());
    clip->ClipTime(clip->chunks.size() - 1);
    std::uint64_t bytes = 0;
    for (quillon::Chunk& chunk : clip->chunks) {
      bytes += chunk.Size();
      if (auto file = quillon::platform::Files().OpenRead(chunk.path)) quillon::ProbeRecordingTime(chunk, *file);
      const std::u16string name = quillon::OutputName(*clip, chunk, 0, lastNoTime);
      Require(!name.empty() && name.find(u'/') == std::u16string::npos);
    }
    if (bytes <= kMaxCopiedBytes) {
      // Each clip is an import of its own: a failure before it changes nothing.
      quillon::ImportRequest request = quillon::RequestFor(catalogue, {i});
      request.destination = destination;
      request.overwrite = quillon::OverwritePolicy::Ask;
      quillon::ImportJob job(std::move(request), outputs);
      job.Proceed();
      job.Start();
      job.Wait();
    }
  }
  const std::vector<std::u16string>& placed = outputs.paths;
  // Every output file the import kept lies in the destination, and the unit is as it was.
  for (const auto& path : placed) {
    Require(fs::path(quillon::platform::ToUtf8(path)).parent_path() == dest);
  }
  Require(Snapshot(unit) == before);
  return 0;
}
