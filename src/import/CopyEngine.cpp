#include "import/CopyEngine.h"

#include <algorithm>
#include <memory>

#include "catalogue/ClipCatalogue.h"
#include "import/CopyMessage.h"
#include "import/OutputName.h"
#include "import/OutputPlan.h"
#include "import/RecordingTimeProbe.h"
#include "platform/ContentHash.h"
#include "platform/Path.h"

namespace quillon {

namespace {

// Unwinds a failed clip to CopyChunks, which answers false; the cause is in env.failure.
struct ClipFailed {};
// Unwinds a copy stopped by the user while an output was read back: CopyChunks answers true.
struct CopyStopped {};

std::string LastErrorText() { return platform::ErrorText(platform::LastError()); }

class ClipCopier {
 public:
  ClipCopier(Clip& clip, CopyEnvironment& env, const ProgressCallback& progress)
      : clip_(clip), env_(env), progress_(progress), fs_(platform::Files()) {}

  bool Run() {
    env_.failure.reset();
    try {
      return CopyAll();
    } catch (const ClipFailed&) {
      return false;
    } catch (const CopyStopped&) {
      return true;
    } catch (const std::exception& e) {
      return Unexpected(e.what());
    } catch (...) {
      return Unexpected("unknown exception");
    }
  }

 private:
  bool CopyAll() {
    RememberSourceFiles();
    std::size_t i = 0;
    for (Chunk& chunk : clip_.chunks) {
      // A chunk that may continue the open output file: if the copy ends here, that file
      // may lack its end and must not take its name.
      const bool mayContinueOutput = i > 0 && chunk.continues && out_;
      if (env_.context.StopRequested()) {
        if (mayContinueOutput) DiscardOutput();
        break;
      }
      std::unique_ptr<platform::File> source = fs_.OpenRead(chunk.path);
      if (!source) Fail(FailureKind::ChunkOpen, chunk.fileName, mayContinueOutput, LastErrorText());

      const bool beginsOutput = BeginsNewOutput(clip_, i, *source);
      if (!source->Seek(0)) Fail(FailureKind::ChunkRead, chunk.fileName, !beginsOutput && out_, LastErrorText());

      if (beginsOutput) {
        ProbeRecordingTime(chunk, *source);
        if (!source->Seek(0)) Fail(FailureKind::ChunkRead, chunk.fileName, false, LastErrorText());
        FinishOutput();
        out_ = OpenOutput(i);
      }

      if (!out_) {
        // The existing file under this output's name is kept: its chunks count as done.
        if (progress_) progress_(static_cast<std::uint32_t>(chunk.Size() >> 10));
      } else if (!CopyInto(*source, chunk)) {
        DiscardOutput();  // stopped on request: the open output is incomplete
        return true;
      } else if (const auto status = fs_.Status(chunk.path)) {
        outLastWrite_ = status->lastWrite;
      }
      ++i;
    }
    FinishOutput();
    return true;
  }

  // Copies the source into the open output in blocks; false when asked to stop.
  bool CopyInto(platform::File& source, const Chunk& chunk) {
    // A source that ends before the size it had when the copy began (cut short under the
    // copy, or a volume going away) has lost bytes on the way.
    const std::uint64_t size = source.Size().value_or(0);
    std::uint64_t copied = 0;
    for (;;) {
      const std::int64_t n = source.Read(buffer_, sizeof buffer_);
      if (n < 0) Fail(FailureKind::ChunkRead, chunk.fileName, true, LastErrorText());
      if (n == 0) {
        if (copied < size) Fail(FailureKind::ChunkEnded, chunk.fileName, true);
        return true;
      }
      copied += static_cast<std::uint64_t>(n);
      hash_.Update(buffer_, static_cast<std::size_t>(n));
      if (out_->Write(buffer_, static_cast<std::size_t>(n)) != n) {
        const std::string error = LastErrorText();
        env_.context.SetFailure(WriteFailed);
        Fail(FailureKind::OutputWrite, outName_, true, error);
      }
      outBytes_ += static_cast<std::uint64_t>(n);
      if (env_.verify && out_->OnDisk() > checked_) CheckWhatIsOnDisk();
      if (progress_ && progress_(1)) return false;
    }
  }

  // Names, confirms and creates the output that chunk begins; null when an existing file
  // under its name is kept. Refusals that fail the clip or stop the import unwind.
  std::unique_ptr<platform::OutputFile> OpenOutput(std::size_t first) {
    const Chunk& chunk = clip_.chunks[first];
    const std::u16string destination = env_.context.Destination();
    const std::u16string wanted = destination + platform::kSeparator + OutputName(clip_, chunk, env_.naming);
    // A later output of this import never replaces an earlier one: it takes a numbered name.
    const std::u16string path = env_.context.ClaimName(wanted);
    const std::u16string name(platform::LastComponent(path));
    if (destination.empty()) {
      env_.context.SetFailure(CreateFailed);
      Fail(FailureKind::OutputCreate, name, false, "no destination folder");
    }

    if (const auto existing = fs_.LinkStatus(path)) {
      const std::int32_t state = env_.context.State();
      if (state == Stop) StopQuietly();
      if (state == CreateFailed) Fail(FailureKind::ExistsAfterFailure, name, false);
      if (state != Ask && state != OverwriteAll) return Keep(path);  // SkipAll, WriteFailed
      // Whatever the answer, a name that leads to a file of the unit is never written over.
      if (const auto target = fs_.Status(path); target && IsUnitFile(target->id)) {
        env_.context.SetFailure(CreateFailed);
        Fail(FailureKind::SameAsUnitFile, name, false);
      }
      if (state == Ask) {
        OverwriteQuestion question{path, std::nullopt, std::nullopt, PlannedOutputBytes(clip_, first)};
        if (!existing->isDirectory && !existing->isLink) {
          question.existingSize = existing->size;
          question.existingTime = existing->lastWrite;
        }
        const int answer = env_.asker.AskOverwrite(question);
        // A stop asked for while the question was open wins over its answer.
        if (env_.context.StopRequested()) StopQuietly();
        switch (answer) {
          case kAnswerCancel:
            env_.context.RequestStop();
            StopQuietly();
          case kAnswerYesToAll:
            env_.context.SetOverwriteChoice(OverwriteAll);
            break;
          case kAnswerYes:
            break;
          case kAnswerNoToAll:
            env_.context.SetOverwriteChoice(SkipAll);
            return Keep(path);
          default:
            return Keep(path);
        }
      }
    }

    std::unique_ptr<platform::OutputFile> file = fs_.CreateOutput(destination, name);
    if (!file) {
      const std::string error = LastErrorText();
      env_.context.SetFailure(CreateFailed);
      Fail(FailureKind::OutputCreate, name, false, error);
    }
    env_.context.BeginOutput(path);
    outPath_ = path;
    outName_ = name;
    outBytes_ = 0;
    outLastWrite_.reset();
    hash_.Reset();
    check_.Reset();
    checked_ = 0;
    if (env_.outputBegun) env_.outputBegun(name);
    return file;
  }

  std::unique_ptr<platform::OutputFile> Keep(const std::u16string& path) {
    env_.context.OutputKept(path);
    return nullptr;
  }
  // The user stopped the import: the clip ends without a failure of its own.
  [[noreturn]] void StopQuietly() { throw ClipFailed{}; }

  // The open output is complete: it goes to the disk, is checked, and takes its name.
  void FinishOutput() {
    if (!out_) return;
    if (outLastWrite_) out_->SetLastWrite(*outLastWrite_);  // cosmetic: a failure loses nothing
    if (!out_->Sync()) {
      const std::string error = LastErrorText();
      env_.context.SetFailure(WriteFailed);
      Fail(FailureKind::OutputSync, outName_, true, error);
    }
    if (env_.verify) VerifyOutput();
    if (!out_->Commit()) {
      const std::string error = LastErrorText();
      if (out_->InPlace()) {
        env_.context.OutputPlaced(outPath_, hash_.Hex(), outBytes_);
        out_.reset();
        Fail(FailureKind::FolderSync, outName_, false, error);
      }
      env_.context.SetFailure(CreateFailed);
      Fail(FailureKind::OutputPlace, outName_, true, error);
    }
    env_.context.OutputPlaced(outPath_, hash_.Hex(), outBytes_);
    out_.reset();
  }

  // Reads back what of the open output is on the disk already, while the copy goes on: so a
  // slow unit leaves little to read back at the end.
  void CheckWhatIsOnDisk() {
    if (readBack_.empty()) readBack_.resize(kReadBackBlockSize);
    for (;;) {
      const std::int64_t n = out_->ReadBack(readBack_.data(), readBack_.size());
      if (n < 0) Fail(FailureKind::OutputReadBack, outName_, true, LastErrorText());
      if (n == 0) return;
      check_.Update(readBack_.data(), static_cast<std::size_t>(n));
      checked_ += static_cast<std::uint64_t>(n);
      if (progress_ && progress_(0)) StopWhileChecking();
    }
  }

  // Reads the rest of the synced output back from the disk and compares the whole with the
  // bytes read from the unit.
  void VerifyOutput() {
    if (progress_ && progress_(0)) StopWhileChecking();
    CheckWhatIsOnDisk();
    if (checked_ != outBytes_ || check_.Digest() != hash_.Digest()) Fail(FailureKind::OutputMismatch, outName_, true);
  }

  [[noreturn]] void StopWhileChecking() {
    DiscardOutput();
    throw CopyStopped{};
  }

  // Anything else thrown on the way fails the clip too, with what it said.
  bool Unexpected(const char* what) {
    DiscardOutput();
    env_.failure = ClipFailure{clip_.name, FailureKind::Internal, {}, what};
    return false;
  }

  // Deletes the open output's temporary file: the output is incomplete.
  void DiscardOutput() {
    if (!out_) return;
    if (out_->Discard()) {
      env_.context.OutputDiscarded(outPath_);
    } else {
      env_.context.OutputNotRemoved({out_->TempPath(), LastErrorText()});
    }
    out_.reset();
  }

  // Fails the clip. The open output is discarded when the failure leaves it unfinished, and
  // finished as complete otherwise.
  [[noreturn]] void Fail(FailureKind kind, const std::u16string& file, bool outputUnfinished, std::string detail = {}) {
    if (outputUnfinished) {
      DiscardOutput();
    } else {
      FinishOutput();
    }
    env_.failure = ClipFailure{clip_.name, kind, file, std::move(detail)};
    throw ClipFailed{};
  }

  void RememberSourceFiles() {
    for (const Chunk& c : clip_.chunks) {
      if (auto status = fs_.Status(c.path)) sources_.push_back(status->id);
    }
  }

  bool IsUnitFile(const platform::FileId& id) const {
    return std::find(sources_.begin(), sources_.end(), id) != sources_.end() ||
           std::find(env_.unitFiles.begin(), env_.unitFiles.end(), id) != env_.unitFiles.end();
  }

  Clip& clip_;
  CopyEnvironment& env_;
  const ProgressCallback& progress_;
  platform::FileSystem& fs_;
  std::unique_ptr<platform::OutputFile> out_;
  std::u16string outPath_;
  std::u16string outName_;
  std::uint64_t outBytes_ = 0;
  std::optional<std::int64_t> outLastWrite_;
  platform::ContentHash hash_;   // of the bytes read from the unit into the open output
  platform::ContentHash check_;  // of the open output's bytes read back from the disk
  std::uint64_t checked_ = 0;
  std::vector<platform::FileId> sources_;
  std::vector<unsigned char> readBack_;
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
