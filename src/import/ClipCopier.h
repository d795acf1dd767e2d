#pragma once
// The copy of one clip, shared by the two ways of copying it: chunk by chunk (CopyEngine.cpp),
// and the rescue of a failing unit (RescueCopy.cpp). Only those two include this.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/CopyEngine.h"
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
    if (!out_) {
      // The existing file under this output's name is kept: its chunks count as done.
      observer_.Copied(chunk.Size());
      return std::nullopt;
    }
    if (Step end = CopyInto(*source, chunk)) return end;
    if (const auto status = UnitFileStatus(env_.unit, chunk.path)) outLastWrite_ = status->lastWrite;
    return std::nullopt;
  }

  // Copies the source into the open output in blocks.
  Step CopyInto(platform::File& source, const Chunk& chunk) {
    // A source that ends before the size it had when the copy began (cut short under the
    // copy, or a volume going away) has lost bytes on the way.
    const std::uint64_t size = source.Size().value_or(0);
    std::uint64_t copied = 0;
    for (;;) {
      const std::int64_t n = source.Read(buffer_, sizeof buffer_);
      if (n < 0) return Fail(FailureKind::ChunkRead, chunk.fileName, LastErrorText());
      if (n == 0) {
        if (copied < size) return Fail(FailureKind::ChunkEnded, chunk.fileName);
        return std::nullopt;
      }
      copied += static_cast<std::uint64_t>(n);
      hash_.Update(buffer_, static_cast<std::size_t>(n));
      if (out_->Write(buffer_, static_cast<std::size_t>(n)) != n) {
        const std::string error = LastErrorText();
        env_.status.SetFailure(WriteFailed);
        return Fail(FailureKind::OutputWrite, outName_, error);
      }
      outBytes_ += static_cast<std::uint64_t>(n);
      observer_.Copied(static_cast<std::uint64_t>(n));
      if (env_.verify && out_->OnDisk() > checked_) {
        if (Step end = CheckWhatIsOnDisk()) return end;
      }
      if (env_.status.StopRequested()) return Stopped();
    }
  }

  // Names, confirms and creates the output; out_ stays null when an existing file under its
  // name is kept.
  Step OpenOutput(const PlannedOutput& output) {
    const std::u16string& name = output.name;
    const auto existing = env_.folder.LinkStatus(name);
    const auto target = existing ? env_.folder.Status(name) : std::nullopt;
    const bool unitFile = target && IsUnitFile(target->id);
    switch (WhatMeetsName(existing, env_.status.State(), unitFile)) {
      case AtName::Stop:
        return Stopped();
      case AtName::KeepAfterCreateFailure:
        Kept(output, KeptBecause::CreateFailed);
        return Fail(FailureKind::ExistsAfterCreateFailure, name);
      case AtName::KeepAfterWriteFailure:
        Kept(output, KeptBecause::WriteFailed);
        reported_ = ClipFailure{clip_.name, FailureKind::ExistsAfterWriteFailure, name, {}};
        return std::nullopt;
      case AtName::Keep:
        Kept(output, KeptBecause::Choice);
        return std::nullopt;
      case AtName::UnitFile:
        env_.status.SetFailure(CreateFailed);
        return Fail(FailureKind::SameAsUnitFile, name);
      case AtName::Ask:
        if (Step end = AskAbout(output, *existing)) return end;
        if (!WillReplace()) {
          Kept(output, KeptBecause::Choice);
          return std::nullopt;
        }
        break;
      case AtName::Create:
      case AtName::Replace:
        break;
    }

    return CreateOutput(output, name);
  }

  // Creates the output under name; its bytes follow.
  Step CreateOutput(const PlannedOutput& output, const std::u16string& name) {
    std::unique_ptr<platform::OutputFile> file = env_.folder.CreateOutput(name);
    if (!file) {
      const std::string error = LastErrorText();
      env_.status.SetFailure(CreateFailed);
      return Fail(FailureKind::OutputCreate, name, error);
    }
    out_ = std::move(file);
    output_ = &output;
    outName_ = name;
    outBytes_ = 0;
    outLastWrite_.reset();
    hash_.Reset();
    check_.Reset();
    checked_ = 0;
    observer_.OutputBegun(output);
    return std::nullopt;
  }

  // The overwrite question; its answer is left in answer_.
  Step AskAbout(const PlannedOutput& output, const platform::FileStatus& existing) {
    OverwriteQuestion question{PathIn(env_.folder, output.name), std::nullopt, std::nullopt, output.chunks.bytes};
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

  void Kept(const PlannedOutput& output, KeptBecause why) {
    const std::u16string path = PathIn(env_.folder, output.name);
    TellRenamed(output, path);
    observer_.Happened(KeptOutput{clip_.name, path, why});
  }

  void TellRenamed(const PlannedOutput& output, const std::u16string& path) {
    if (output.name != output.chunks.name) {
      observer_.Happened(RenamedOutput{PathIn(env_.folder, output.chunks.name), path});
    }
  }

  // The open output is complete: it goes to the disk, is checked, and takes its name; it is told
  // as placed, or as rescued when that is given. A rescue's output is finished after a stop too:
  // what was rescued is kept.
  Step FinishOutput(bool evenIfStopped = false, std::optional<RescuedOutput> rescued = std::nullopt) {
    if (!out_) return std::nullopt;
    if (outLastWrite_) out_->SetLastWrite(*outLastWrite_);  // cosmetic: a failure loses nothing
    if (!out_->Sync()) {
      const std::string error = LastErrorText();
      env_.status.SetFailure(WriteFailed);
      return Fail(FailureKind::OutputSync, outName_, error);
    }
    if (env_.verify) {
      if (!evenIfStopped && env_.status.StopRequested()) return Stopped();
      if (Step end = CheckWhatIsOnDisk(evenIfStopped)) return end;
      if (checked_ != outBytes_ || check_.Digest() != hash_.Digest()) return Fail(FailureKind::OutputMismatch, outName_);
    }
    const bool placed = out_->Commit();
    if (!placed && !out_->InPlace()) {
      const std::string error = LastErrorText();
      env_.status.SetFailure(CreateFailed);
      return Fail(FailureKind::OutputPlace, outName_, error);
    }
    const std::string error = placed ? std::string() : LastErrorText();
    const std::u16string path = PathIn(env_.folder, outName_);
    TellRenamed(*output_, path);
    if (rescued) {
      rescued->path = path;
      rescued->bytes = outBytes_;
      rescued->hash = hash_.Hex();
      observer_.Happened(std::move(*rescued));
    } else {
      observer_.Happened(PlacedOutput{clip_.name, path, outBytes_, hash_.Hex()});
    }
    out_.reset();
    if (!placed) return Fail(FailureKind::FolderSync, outName_, error);
    return std::nullopt;
  }

  // Reads back what of the open output is on the disk already, while the copy goes on: so a
  // slow unit leaves little to read back at the end.
  Step CheckWhatIsOnDisk(bool evenIfStopped = false) {
    if (readBack_.empty()) readBack_.resize(kReadBackBlockSize);
    for (;;) {
      const std::int64_t n = out_->ReadBack(readBack_.data(), readBack_.size());
      if (n < 0) return Fail(FailureKind::OutputReadBack, outName_, LastErrorText());
      if (n == 0) return std::nullopt;
      check_.Update(readBack_.data(), static_cast<std::size_t>(n));
      checked_ += static_cast<std::uint64_t>(n);
      observer_.Copied(0);
      if (!evenIfStopped && env_.status.StopRequested()) return Stopped();
    }
  }

  // Deletes the open output's temporary file: the output is incomplete.
  void DiscardOutput() {
    if (!out_) return;
    if (out_->Discard()) {
      observer_.Happened(
          DiscardedOutput{clip_.name, PathIn(env_.folder, outName_), env_.folder.LinkStatus(outName_).has_value()});
    } else {
      observer_.Happened(UnremovedOutput{out_->TempPath(), LastErrorText()});
    }
    out_.reset();
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
      if (auto status = UnitFileStatus(env_.unit, c.path)) sources_.push_back(status->id);
    }
  }

  bool IsUnitFile(const platform::FileId& id) const {
    return std::find(sources_.begin(), sources_.end(), id) != sources_.end() ||
           std::find(env_.unitFiles.begin(), env_.unitFiles.end(), id) != env_.unitFiles.end();
  }

  Clip& clip_;
  const std::vector<PlannedOutput>& outputs_;
  CopyEnvironment& env_;
  CopyObserver& observer_;
  std::optional<ClipFailure> reported_;
  OverwriteAnswer answer_ = OverwriteAnswer::No;
  std::unique_ptr<platform::OutputFile> out_;
  const PlannedOutput* output_ = nullptr;
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


}  // namespace quillon::copying
