// How many bytes the recording-time probe reads from each file it is given.
//   quillon-probe-bytes FILE...
#include <cstdio>

#include "import/RecordingTimeProbe.h"
#include "platform/FileSystem.h"
#include "platform/LocalTime.h"
#include "platform/Text.h"
#include "unit/Chunk.h"

namespace {

class CountingFile final : public quillon::platform::File {
 public:
  explicit CountingFile(std::unique_ptr<quillon::platform::File> inner) : inner_(std::move(inner)) {}
  std::int64_t Read(void* b, std::size_t n) override {
    const std::int64_t r = inner_->Read(b, n);
    if (r > 0) bytes += static_cast<std::uint64_t>(r);
    ++reads;
    return r;
  }
  std::int64_t Write(const void* b, std::size_t n) override { return inner_->Write(b, n); }
  bool Seek(std::uint64_t p) override { return inner_->Seek(p); }
  std::optional<std::uint64_t> Tell() override { return inner_->Tell(); }
  std::optional<std::uint64_t> Size() override { return inner_->Size(); }
  bool Close() override { return inner_->Close(); }
  std::uint64_t bytes = 0;
  std::uint64_t reads = 0;

 private:
  std::unique_ptr<quillon::platform::File> inner_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace quillon;
  std::printf("%-60s %10s %8s %s\n", "file", "bytes", "reads", "recording time");
  for (int i = 1; i < argc; ++i) {
    const std::u16string path = platform::FromUtf8(argv[i]);
    auto inner = platform::Files().OpenRead(path);
    if (!inner) {
      std::printf("%-60s cannot be opened\n", argv[i]);
      continue;
    }
    CountingFile file(std::move(inner));
    Chunk chunk(path);
    const bool found = ProbeRecordingTime(chunk, file);
    const std::string when = found ? platform::ToUtf8(platform::FormatLocal(chunk.recordingTime, "%Y-%m-%d %H:%M:%S")) : "none";
    std::printf("%-60s %10llu %8llu %s\n", argv[i], static_cast<unsigned long long>(file.bytes),
                static_cast<unsigned long long>(file.reads), when.c_str());
  }
  return 0;
}
