#pragma once
// The copy of one clip, shared by the two ways of copying it: chunk by chunk (CopyEngine.cpp),
// and the rescue of a failing unit (RescueCopy.cpp). Only those two include this.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/CopyEngine.h"
#include "import/History.h"
#include "import/RecordingTimeProbe.h"
#include "import/RescueMap.h"
#include "platform/ContentHash.h"
#include "platform/Path.h"

namespace quillon::copying {

inline std::string LastErrorText() { return platform::ErrorText(platform::LastError()); }

using End = CopyResult::End;
// Where a step ends the clip's copy: nothing while the copy goes on.
using Step = std::optional<CopyResult>;

class ClipCopier {
 public:
  ClipCopier(Clip& clip, const std::vector<PlannedOutput>& outputs, CopyEnvironment& env, CopyObserver& observer)
      : clip_(clip), outputs_(outputs), env_(env), observer_(observer) {}

  CopyResult Run() {
    RememberSourceFiles();
    for (const PlannedOutput& output : outputs_) {
      if (env_.rescue) {
        if (Step end = RescueOutput(output)) return *end;
        continue;
      }
      for (std::size_t i = output.chunks.firstChunk; i < output.chunks.endChunk; ++i) {
        if (Step end = CopyChunk(output, i)) return *end;
      }
      if (Step end = FinishOutput()) return *end;
    }
    return {End::Done, std::move(reported_)};
  }

  // Anything thrown on the way fails the clip, with what it said.
  CopyResult Unexpected(const char* what) {
    DiscardOutput();
    return {End::Failed, ClipFailure{clip_.name, FailureKind::Internal, {}, what}};
  }

 private:
  // An output open in one folder.
  struct Target {
    std::size_t copy = 0;
    std::unique_ptr<platform::OutputFile> out;
    std::unique_ptr<platform::ContentHash> check = std::make_unique<platform::ContentHash>();  // of its bytes read back
    std::uint64_t checked = 0;
  };

  // A rescue of the output (RescueCopy.cpp): every byte the unit gives, under the clean name
  // when that is all of them, else under a name that says so, beside its map.
  Step RescueOutput(const PlannedOutput& output);
  Step WriteRescued(const PlannedOutput& output, platform::OutputFile& scratch, const std::u16string& name,
                    std::optional<std::int64_t> lastWrite, std::optional<RescuedOutput> rescued);

  Step CopyChunk(const PlannedOutput& output, std::size_t i) {
    Chunk& chunk = clip_.chunks[i];
    // A stop before a chunk that continues the open output leaves that output without its end:
    // it goes. Before a chunk that begins an output, the one before is complete already.
    if (env_.status.StopRequested()) return Stopped();
    std::unique_ptr<platform::File> source = OpenUnitFile(env_.unit, chunk.path);
    if (!source) return Fail(FailureKind::ChunkOpen, chunk.fileName, LastErrorText());
    // Copying always starts at a chunk's first byte, also after the probe has read it.
    if (!source->Seek(0)) return Fail(FailureKind::ChunkRead, chunk.fileName, LastErrorText());
    if (i == output.chunks.firstChunk) {
      if (!chunk.probed) {
        ProbeRecordingTime(chunk, *source);
        if (!source->Seek(0)) return Fail(FailureKind::ChunkRead, chunk.fileName, LastErrorText());
      }
      if (Step end = OpenOutput(output)) return *end;
    }
    if (targets_.empty()) {
      // The existing files under this output's name are kept: its chunks count as done.
      observer_.Copied(chunk.Size());
      return std::nullopt;
    }
    SourceChunk seen{chunk.path, 0, 0, std::nullopt};
    if (Step end = CopyInto(*source, chunk, seen)) return end;
    if (const auto status = UnitFileStatus(env_.unit, chunk.path)) {
      outLastWrite_ = status->lastWrite;
      seen.lastWrite = status->lastWrite.value_or(0);
    }
    sources_.push_back(std::move(seen));
    return std::nullopt;
  }

  // Copies the source into the open outputs in blocks; seen takes its size and fingerprint.
  Step CopyInto(platform::File& source, const Chunk& chunk, SourceChunk& seen) {
    // A source that ends before the size it had when the copy began (cut short under the
    // copy, or a volume going away) has lost bytes on the way.
    const std::uint64_t size = source.Size().value_or(0);
    std::uint64_t copied = 0;
    head_.Reset();
    for (;;) {
      const std::int64_t n = source.Read(buffer_, sizeof buffer_);
      if (n < 0) return Fail(FailureKind::ChunkRead, chunk.fileName, LastErrorText());
      if (n == 0) {
        if (copied < size) return Fail(FailureKind::ChunkEnded, chunk.fileName);
        seen.size = copied;
        seen.head = head_.Digest();
        return std::nullopt;
      }
      if (copied < kFingerprintBytes) {
        head_.Update(buffer_, std::min<std::size_t>(static_cast<std::size_t>(n), kFingerprintBytes - copied));
      }
      copied += static_cast<std::uint64_t>(n);
      if (Step end = WriteBlock(buffer_, static_cast<std::size_t>(n))) return end;
      observer_.Copied(static_cast<std::uint64_t>(n));
      if (Step end = CheckWhatIsOnDisk()) return end;
      if (env_.status.StopRequested()) return Stopped();
    }
  }

  // One block read from the unit, into every open output. An output that cannot take it goes,
  // and the others go on.
  Step WriteBlock(const void* block, std::size_t size) {
    hash_.Update(block, size);
    for (std::size_t t = 0; t < targets_.size();) {
      if (targets_[t].out->Write(block, size) == static_cast<std::int64_t>(size)) {
        ++t;
        continue;
      }
      const std::string error = LastErrorText();
      env_.status.SetFailure(WriteFailed);
      if (Step end = Drop(t, FailureKind::OutputWrite, error)) return end;
    }
    outBytes_ += size;
    return std::nullopt;
  }

  // Names, confirms and creates the output in each folder; none is open when the existing files
  // under its name are kept.
  Step OpenOutput(const PlannedOutput& output) {
    outName_ = output.name;
    output_ = &output;
    outBytes_ = 0;
    outLastWrite_.reset();
    hash_.Reset();
    sources_.clear();
    targets_.clear();
    std::optional<bool> replace;  // the answer to the question, once asked for this output
    for (const std::size_t copy : Copies()) {
      platform::Folder& folder = FolderOf(copy);
      const std::u16string& name = output.name;
      const auto existing = folder.LinkStatus(name);
      const auto target = existing ? folder.Status(name) : std::nullopt;
      const bool unitFile = target && IsUnitFile(target->id);
      switch (WhatMeetsName(existing, env_.status.State(), unitFile)) {
        case AtName::Stop:
          return Stopped();
        case AtName::KeepAfterCreateFailure:
          Kept(output, copy, KeptBecause::CreateFailed);
          if (Step end = FailCopy(copy, FailureKind::ExistsAfterCreateFailure, name)) return end;
          continue;
        case AtName::KeepAfterWriteFailure:
          Kept(output, copy, KeptBecause::WriteFailed);
          reported_ = ClipFailure{clip_.name, FailureKind::ExistsAfterWriteFailure, FileIn(copy, name), {}};
          continue;
        case AtName::Keep:
          Kept(output, copy, KeptBecause::Choice);
          continue;
        case AtName::UnitFile:
          env_.status.SetFailure(CreateFailed);
          if (Step end = FailCopy(copy, FailureKind::SameAsUnitFile, name)) return end;
          continue;
        case AtName::Ask:
          // One question for the output: its answer holds in both folders.
          if (!replace) {
            if (Step end = AskAbout(folder, output, *existing)) return end;
            replace = WillReplace();
          }
          if (!*replace) {
            Kept(output, copy, KeptBecause::Choice);
            continue;
          }
          break;
        case AtName::Create:
        case AtName::Replace:
          break;
      }
      if (Step end = CreateOutput(output, copy)) return end;
    }
    if (!targets_.empty()) observer_.OutputBegun(output);
    return std::nullopt;
  }

  // Creates the output in the folder of copy; its bytes follow. A folder where it cannot be
  // created fails its copy, and the others go on.
  Step CreateOutput(const PlannedOutput& output, std::size_t copy) {
    std::unique_ptr<platform::OutputFile> file = FolderOf(copy).CreateOutput(output.name);
    if (!file) {
      const std::string error = LastErrorText();
      env_.status.SetFailure(CreateFailed);
      return FailCopy(copy, FailureKind::OutputCreate, output.name, error);
    }
    targets_.push_back(Target{copy, std::move(file)});
    return std::nullopt;
  }

  // For a rescue: the output under name in the destination alone.
  Step CreateRescueOutput(const PlannedOutput& output, const std::u16string& name) {
    output_ = &output;
    outName_ = name;
    outBytes_ = 0;
    outLastWrite_.reset();
    hash_.Reset();
    sources_.clear();
    targets_.clear();
    std::unique_ptr<platform::OutputFile> file = env_.folder.CreateOutput(name);
    if (!file) {
      const std::string error = LastErrorText();
      env_.status.SetFailure(CreateFailed);
      return Fail(FailureKind::OutputCreate, name, error);
    }
    targets_.push_back(Target{0, std::move(file)});
    observer_.OutputBegun(output);
    return std::nullopt;
  }

  // The overwrite question about the file under the output's name in folder; its answer is
  // left in answer_.
  Step AskAbout(platform::Folder& folder, const PlannedOutput& output, const platform::FileStatus& existing) {
    OverwriteQuestion question{PathIn(folder, output.name), std::nullopt, std::nullopt, output.chunks.bytes};
    if (!existing.isDirectory && !existing.isLink) {
      question.existingSize = existing.size;
      question.existingTime = existing.lastWrite;
    }
    const std::optional<OverwriteAnswer> answer = observer_.Ask(question);
    // A stop asked for while the question was open wins over its answer.
    if (!answer || env_.status.StopRequested()) return Stopped();
    answer_ = *answer;
    switch (*answer) {
      case OverwriteAnswer::Cancel:
        env_.status.RequestStop();
        return Stopped();
      case OverwriteAnswer::YesToAll:
        env_.status.SetPolicy(OverwritePolicy::ReplaceAll);
        break;
      case OverwriteAnswer::NoToAll:
        env_.status.SetPolicy(OverwritePolicy::KeepAll);
        break;
      case OverwriteAnswer::Yes:
      case OverwriteAnswer::No:
        break;
    }
    return std::nullopt;
  }

  bool WillReplace() const { return answer_ == OverwriteAnswer::Yes || answer_ == OverwriteAnswer::YesToAll; }

  void Kept(const PlannedOutput& output, KeptBecause why) { Kept(output, 0, why); }
  void Kept(const PlannedOutput& output, std::size_t copy, KeptBecause why) {
    const std::u16string path = PathIn(FolderOf(copy), output.name);
    if (copy == 0) TellRenamed(output, path);
    observer_.Happened(KeptOutput{clip_.name, path, why, copy});
  }

  void TellRenamed(const PlannedOutput& output, const std::u16string& path) {
    if (output.name != output.chunks.name) {
      observer_.Happened(RenamedOutput{PathIn(env_.folder, output.chunks.name), path});
    }
  }

  // The open outputs are complete: each goes to the disk, is checked, and takes its name; each
  // is told as placed, or as rescued when that is given. A rescue's output is finished after a
  // stop too: what was rescued is kept.
  Step FinishOutput(bool evenIfStopped = false, std::optional<RescuedOutput> rescued = std::nullopt) {
    if (targets_.empty()) return std::nullopt;
    for (std::size_t t = 0; t < targets_.size();) {
      Target& target = targets_[t];
      if (outLastWrite_) target.out->SetLastWrite(*outLastWrite_);  // cosmetic: a failure loses nothing
      if (!target.out->Sync()) {
        const std::string error = LastErrorText();
        env_.status.SetFailure(WriteFailed);
        if (Step end = Drop(t, FailureKind::OutputSync, error)) return end;
        continue;
      }
      ++t;
    }
    if (env_.verify) {
      if (!evenIfStopped && env_.status.StopRequested()) return Stopped();
      if (Step end = CheckWhatIsOnDisk(evenIfStopped)) return end;
      for (std::size_t t = 0; t < targets_.size();) {
        if (targets_[t].checked == outBytes_ && targets_[t].check->Digest() == hash_.Digest()) {
          ++t;
          continue;
        }
        if (Step end = Drop(t, FailureKind::OutputMismatch, {})) return end;
      }
    }
    if (sources_.empty()) {
      // A rescue reads out of order: its chunks are told without fingerprints.
      for (std::size_t i = output_->chunks.firstChunk; i < output_->chunks.endChunk; ++i) {
        Chunk& chunk = clip_.chunks[i];
        const auto status = UnitFileStatus(env_.unit, chunk.path);
        const std::int64_t lastWrite = status ? status->lastWrite.value_or(0) : 0;
        sources_.push_back(SourceChunk{chunk.path, chunk.Size(), lastWrite, std::nullopt});
      }
    }
    std::optional<ClipFailure> unsynced;
    std::vector<Target> targets = std::move(targets_);
    targets_.clear();
    for (std::size_t t = 0; t < targets.size(); ++t) {
      Target& target = targets[t];
      const bool placed = target.out->Commit();
      if (!placed && !target.out->InPlace()) {
        const std::string error = LastErrorText();
        env_.status.SetFailure(CreateFailed);
        if (targets.size() == 1) {
          targets_ = std::move(targets);
          return Fail(FailureKind::OutputPlace, outName_, error);
        }
        // The other folder's output is placed all the same.
        const ClipFailure failure{clip_.name, FailureKind::OutputPlace, FileIn(target.copy, outName_), error};
        DiscardTarget(target);
        observer_.Happened(failure);
        continue;
      }
      const std::string error = placed ? std::string() : LastErrorText();
      const std::u16string path = PathIn(FolderOf(target.copy), outName_);
      if (target.copy == 0) TellRenamed(*output_, path);
      if (rescued) {
        rescued->path = path;
        rescued->bytes = outBytes_;
        rescued->hash = hash_.Hex();
        observer_.Happened(std::move(*rescued));
        rescued.reset();
      } else {
        observer_.Happened(PlacedOutput{clip_.name, path, outBytes_, hash_.Hex(), sources_, target.copy});
      }
      target.out.reset();
      if (!placed && !unsynced) unsynced = ClipFailure{clip_.name, FailureKind::FolderSync, FileIn(target.copy, outName_), error};
    }
    if (unsynced) return CopyResult{End::Failed, std::move(unsynced)};
    return std::nullopt;
  }

  // Reads back what of the open outputs is on the disk already, while the copy goes on: so a
  // slow unit leaves little to read back at the end.
  Step CheckWhatIsOnDisk(bool evenIfStopped = false) {
    if (!env_.verify) return std::nullopt;
    for (std::size_t t = 0; t < targets_.size();) {
      Target& target = targets_[t];
      if (target.out->OnDisk() <= target.checked) {
        ++t;
        continue;
      }
      if (readBack_.empty()) readBack_.resize(kReadBackBlockSize);
      bool failed = false;
      for (;;) {
        const std::int64_t n = target.out->ReadBack(readBack_.data(), readBack_.size());
        if (n < 0) {
          failed = true;
          break;
        }
        if (n == 0) break;
        target.check->Update(readBack_.data(), static_cast<std::size_t>(n));
        target.checked += static_cast<std::uint64_t>(n);
        observer_.Copied(0);
        if (!evenIfStopped && env_.status.StopRequested()) return Stopped();
      }
      if (failed) {
        if (Step end = Drop(t, FailureKind::OutputReadBack, LastErrorText())) return end;
        continue;
      }
      ++t;
    }
    return std::nullopt;
  }

  // The output of copy failed: when it is the last one open, the clip fails; else it goes, its
  // failure is told, and the copy goes on into the others.
  Step Drop(std::size_t t, FailureKind kind, std::string detail) {
    if (targets_.size() == 1) return Fail(kind, FileIn(targets_[t].copy, outName_), std::move(detail));
    Target target = std::move(targets_[t]);
    targets_.erase(targets_.begin() + static_cast<std::ptrdiff_t>(t));
    DiscardTarget(target);
    observer_.Happened(ClipFailure{clip_.name, kind, FileIn(target.copy, outName_), std::move(detail)});
    return std::nullopt;
  }

  // A copy that fails before its output is open: the clip fails when no other copy is open or
  // still to come; else its failure is told and the others go on.
  Step FailCopy(std::size_t copy, FailureKind kind, const std::u16string& name, std::string detail = {}) {
    const ClipFailure failure{clip_.name, kind, FileIn(copy, name), std::move(detail)};
    if (targets_.empty() && copy + 1 == Copies().size()) return Fail(failure.kind, failure.file, failure.detail);
    observer_.Happened(failure);
    return std::nullopt;
  }

  // Deletes the open outputs' temporary files: the output is incomplete.
  void DiscardOutput() {
    for (Target& target : targets_) DiscardTarget(target);
    targets_.clear();
  }

  void DiscardTarget(Target& target) {
    if (!target.out) return;
    platform::Folder& folder = FolderOf(target.copy);
    if (target.out->Discard()) {
      observer_.Happened(DiscardedOutput{clip_.name, PathIn(folder, outName_), folder.LinkStatus(outName_).has_value()});
    } else {
      observer_.Happened(UnremovedOutput{target.out->TempPath(), LastErrorText()});
    }
    target.out.reset();
  }

  // The copy stops at the user's request; an output it was writing is incomplete and goes.
  CopyResult Stopped() {
    DiscardOutput();
    return {End::Stopped, std::nullopt};
  }

  // Fails the clip; an output it was writing is incomplete and goes.
  CopyResult Fail(FailureKind kind, const std::u16string& file, std::string detail = {}) {
    DiscardOutput();
    return {End::Failed, ClipFailure{clip_.name, kind, file, std::move(detail)}};
  }

  void RememberSourceFiles() {
    for (const Chunk& c : clip_.chunks) {
      if (auto status = UnitFileStatus(env_.unit, c.path)) sourceIds_.push_back(status->id);
    }
  }

  bool IsUnitFile(const platform::FileId& id) const {
    return std::find(sourceIds_.begin(), sourceIds_.end(), id) != sourceIds_.end() ||
           std::find(env_.unitFiles.begin(), env_.unitFiles.end(), id) != env_.unitFiles.end();
  }

  // The folders written: the destination, then the second copy's.
  std::vector<std::size_t> Copies() const {
    if (env_.second && !env_.rescue) return {0, 1};
    return {0};
  }
  platform::Folder& FolderOf(std::size_t copy) const { return copy == 0 ? env_.folder : *env_.second; }
  // How a failure names an output: by its name when it goes to one folder, by its whole path
  // when it goes to two, so that the report tells which folder it was.
  std::u16string FileIn(std::size_t copy, const std::u16string& name) const {
    return Copies().size() == 1 ? name : PathIn(FolderOf(copy), name);
  }

  Clip& clip_;
  const std::vector<PlannedOutput>& outputs_;
  CopyEnvironment& env_;
  CopyObserver& observer_;
  std::optional<ClipFailure> reported_;
  OverwriteAnswer answer_ = OverwriteAnswer::No;
  std::vector<Target> targets_;  // the output being written, in each folder that takes it
  const PlannedOutput* output_ = nullptr;
  std::u16string outName_;
  std::uint64_t outBytes_ = 0;
  std::optional<std::int64_t> outLastWrite_;
  std::vector<SourceChunk> sources_;  // of the output being written
  platform::ContentHash hash_;  // of the bytes read from the unit into the open output
  platform::ContentHash head_;  // of the first bytes of the chunk being copied
  std::vector<platform::FileId> sourceIds_;
  std::vector<unsigned char> readBack_;
  unsigned char buffer_[kCopyBlockSize];
};


}  // namespace quillon::copying
