#include "import/CopyEngine.h"

#include <memory>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyMessage.h"
#include "import/OutputName.h"
#include "import/RecordingTimeProbe.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "unit/KindTable.h"

namespace quillon {

namespace {

constexpr std::uint16_t kNewStreamPid = 0x001E;
constexpr std::uint8_t kSyncByte = 0x47;

// Unwinds a failed clip to CopyChunks, which answers false.
struct ClipFailed {};

class ClipCopier {
 public:
  ClipCopier(Clip& clip, CopyEnvironment& env, const ProgressCallback& progress)
      : clip_(clip), env_(env), progress_(progress), fs_(platform::Files()) {}

  bool Run() {
    try {
      return CopyAll();
    } catch (const ClipFailed&) {
      return false;
    }
  }

 private:
  bool CopyAll() {
    RememberSourceFiles();
    std::size_t i = 0;
    for (Chunk& chunk : clip_.chunks) {
      // A chunk that may continue the open output file: if the copy ends here, that file
      // may lack its end and must not stay looking complete.
      const bool mayContinueOutput = i > 0 && chunk.continues && out_;
      if (State() == Stop) {
        if (mayContinueOutput) DiscardOutput();
        break;
      }
      std::unique_ptr<platform::File> source = fs_.OpenRead(chunk.path);
      if (!source) Fail(mayContinueOutput);

      const bool beginsOutput = BeginsNewOutput(i, chunk, *source);
      if (!source->Seek(0)) Fail(!beginsOutput && out_);

      if (beginsOutput) {
        ProbeRecordingTime(chunk, *source);
        if (!source->Seek(0)) Fail(false);
        CloseOutput();
        out_ = OpenOutput(chunk);
      }

      if (!out_) {
        const std::int32_t state = State();
        if (state == Stop || state == CreateFailed) throw ClipFailed{};
        if (progress_) progress_(static_cast<std::uint32_t>(chunk.Size() >> 10));
      } else if (!CopyInto(*source)) {
        return true;  // stopped on request; the open output stays flagged for deletion
      }
      ++i;
    }
    CloseOutput();
    env_.context.outputOpen.store(false);
    return true;
  }

  // Whether chunk i starts an output file of its own, or is appended to the current one.
  bool BeginsNewOutput(std::size_t i, const Chunk& chunk, platform::File& source) {
    if (i == 0 || !chunk.continues) return true;
    if (clip_.kindBits != kBitM2T) return false;
    std::uint8_t head[3];
    if (source.ReadFully(head, sizeof head) != static_cast<std::int64_t>(sizeof head)) return true;
    const std::uint16_t pid = static_cast<std::uint16_t>(((head[1] & 0x1F) << 8) | head[2]);
    return pid == kNewStreamPid || head[0] != kSyncByte;
  }

  // Copies the source into the open output in blocks; false when asked to stop.
  bool CopyInto(platform::File& source) {
    // A source that ends before the size it had when the copy began (cut short under the
    // copy, or a volume going away) has lost bytes on the way, like a read error.
    const std::uint64_t size = source.Size().value_or(0);
    std::uint64_t copied = 0;
    for (;;) {
      const std::int64_t n = source.Read(buffer_, sizeof buffer_);
      if (n < 0) Fail(true);  // a read error must not end as a complete-looking file
      if (n == 0) {
        if (copied < size) Fail(true);
        return true;
      }
      copied += static_cast<std::uint64_t>(n);
      if (out_->Write(buffer_, static_cast<std::size_t>(n)) != n) {
        env_.context.state.store(WriteFailed);
        Fail(true);
      }
      if (progress_ && progress_(1)) {
        out_->Close();
        out_.reset();
        return false;
      }
    }
  }

  std::unique_ptr<platform::File> OpenOutput(const Chunk& chunk) {
    const std::u16string destination = env_.context.Destination();
    const std::u16string path = destination + platform::kSeparator + OutputName(clip_, chunk, env_.naming);
    if (State() != OverwriteAll && fs_.Status(path)) {
      if (State() != Ask) return nullptr;
      switch (env_.asker.AskOverwrite(path)) {
        case kAnswerCancel:
          env_.context.state.store(Stop);
          return nullptr;
        case kAnswerYesToAll:
          env_.context.state.store(OverwriteAll);
          break;
        case kAnswerYes:
          break;
        case kAnswerNoToAll:
          env_.context.state.store(SkipAll);
          return nullptr;
        default:
          return nullptr;
      }
    }
    // An output that would be one of the clip's own files is refused, so the unit is never written.
    std::unique_ptr<platform::File> file = destination.empty() ? nullptr : fs_.CreateWrite(path, sources_);
    if (!file) {
      env_.context.state.store(CreateFailed);
      return nullptr;
    }
    env_.context.AddWritten(path);
    outPath_ = path;
    env_.context.outputOpen.store(true);
    return file;
  }

  // Closes a finished output file. A failing close may have lost data, so the file goes.
  void CloseOutput() {
    if (!out_) return;
    const bool closed = out_->Close();
    out_.reset();
    if (!closed) {
      env_.context.state.store(WriteFailed);
      RemoveOutputFile();
      throw ClipFailed{};
    }
    env_.context.outputOpen.store(false);
  }

  // Deletes the open output file: it is incomplete.
  void DiscardOutput() {
    if (!out_) return;
    out_->Close();
    out_.reset();
    RemoveOutputFile();
  }

  void RemoveOutputFile() {
    fs_.Remove(outPath_);
    env_.context.AddDiscarded(outPath_);
    env_.context.outputOpen.store(false);
  }

  // Fails the clip; the open output is deleted when the failure leaves it unfinished, and
  // closed as complete otherwise.
  [[noreturn]] void Fail(bool outputUnfinished) {
    if (outputUnfinished) {
      DiscardOutput();
    } else if (out_) {
      CloseOutput();
    }
    throw ClipFailed{};
  }

  void RememberSourceFiles() {
    for (const Chunk& c : clip_.chunks) {
      if (auto status = fs_.Status(c.path)) sources_.push_back(status->id);
    }
  }

  std::int32_t State() const { return env_.context.state.load(); }

  Clip& clip_;
  CopyEnvironment& env_;
  const ProgressCallback& progress_;
  platform::FileSystem& fs_;
  std::unique_ptr<platform::File> out_;
  std::u16string outPath_;
  std::vector<platform::FileId> sources_;
  unsigned char buffer_[kCopyBlockSize];
};

}  // namespace

bool CopyChunks(Clip& clip, CopyEnvironment& env, const ProgressCallback& progress) {
  return ClipCopier(clip, env, progress).Run();
}

bool CopyClip(const ClipCatalogue& catalogue, std::size_t index, CopyEnvironment& env,
              const ProgressCallback& progress) {
  return CopyChunks(*catalogue.Handle(index), env, progress);
}

}  // namespace quillon
