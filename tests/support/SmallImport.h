#pragma once
// A small import with every step of the copy in it, for tests that break one step at a time.
// The unit holds an indexed HDV clip of three chunks, A, B and C, where B continues A's
// stream (one output file A+B) and C restarts it (a second output file), and then a DV clip
// of one chunk D (a third output file). Every chunk is three copy blocks long: a first, a
// middle and a short last one. Header-only, as it drives the import job of the tests' build.
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/ImportJob.h"
#include "platform/Text.h"
#include "support/RecordingEvents.h"
#include "support/MediaBytes.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::testsupport {

// An import of every clip of the unit at root into dest, as a front end asks for it.
inline ImportRequest RequestForAll(const std::filesystem::path& root, const std::filesystem::path& dest) {
  ClipCatalogue catalogue;
  catalogue.Scan(U16(root), true, true);
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < catalogue.Count(); ++i) rows.push_back(i);
  ImportRequest request = RequestFor(catalogue, rows);
  request.destination = U16(dest);
  return request;
}

class SmallImport {
 public:
  enum class Chunk { A, B, C, D };
  // The output files an import of the unit can leave: A and B joined, or each alone when the
  // stream check could not join them; C's own file; the DV clip's file.
  enum class Output { JoinedAB, OnlyA, OnlyB, C, D };

  static constexpr const char* kHdvClip = "HDV0001";
  static constexpr const char* kDvClip = "DVC0001";

  // Writes the unit below unitRoot; output files go to the folder dest (created).
  SmallImport(std::filesystem::path unitRoot, std::filesystem::path dest)
      : root_(std::move(unitRoot)), dest_(std::move(dest)) {
    const RecDateTime when{2007, 5, 31, 14, 23, 14};
    const Bytes a = Stream(when, 0);
    const Bytes b = Stream(std::nullopt, kVideoPid);  // continues the stream: joined to A
    const Bytes c = Stream(std::nullopt, 0x001E);     // the new-stream PID: a file of its own
    const std::vector<std::uint8_t> dv = DvFrames(when, 1);
    const Bytes d(dv.begin(), dv.begin() + kChunkBytes);

    IdxBuilder idx;
    idx.Date(7, 5, 31, 14, 23, 14).Date(7, 5, 31, 14, 33, 14).Date(7, 5, 31, 14, 43, 14);
    const std::filesystem::path flat = root_ / "VIDEO" / "QVT";
    PutFile(flat, std::string(kHdvClip) + ".IDX", idx.Build());
    const std::vector<std::string> names = idx.ChunkNames(kHdvClip);
    const Bytes* contents[] = {&a, &b, &c};
    for (std::size_t k = 0; k < names.size(); ++k) chunks_.push_back({PutFile(flat, names[k], *contents[k]), *contents[k]});
    chunks_.push_back({PutFile(flat, std::string(kDvClip) + ".DV", d), d});
    std::filesystem::create_directories(dest_);
    unitBefore_ = Snapshot(root_);
  }

  std::filesystem::path ChunkPath(Chunk c) const { return chunks_[static_cast<int>(c)].path; }
  std::u16string ChunkU16(Chunk c) const { return U16(ChunkPath(c)); }
  std::size_t ChunkSize(Chunk c) const { return chunks_[static_cast<int>(c)].bytes.size(); }

  std::filesystem::path OutputPath(Output o) const {
    switch (o) {
      case Output::JoinedAB:
      case Output::OnlyA:
        return dest_ / ChunkPath(Chunk::A).filename();
      case Output::OnlyB:
        return dest_ / ChunkPath(Chunk::B).filename();
      case Output::C:
        return dest_ / ChunkPath(Chunk::C).filename();
      case Output::D:
        return dest_ / ChunkPath(Chunk::D).filename();
    }
    return {};
  }
  std::u16string OutputU16(Output o) const { return U16(OutputPath(o)); }

  // The bytes the output file holds when it is complete.
  Bytes Expected(Output o) const {
    const auto bytesOf = [this](Chunk c) { return chunks_[static_cast<int>(c)].bytes; };
    switch (o) {
      case Output::JoinedAB: {
        Bytes ab = bytesOf(Chunk::A);
        const Bytes b = bytesOf(Chunk::B);
        ab.insert(ab.end(), b.begin(), b.end());
        return ab;
      }
      case Output::OnlyA:
        return bytesOf(Chunk::A);
      case Output::OnlyB:
        return bytesOf(Chunk::B);
      case Output::C:
        return bytesOf(Chunk::C);
      case Output::D:
        return bytesOf(Chunk::D);
    }
    return {};
  }

  // What one import of both clips ended with.
  struct Result {
    std::vector<std::u16string> failed;  // clips the import reported as failed
    int failureEvents = 0;               // ClipFailure events told while copying
    std::int32_t state = Ask;            // the import state at the end
    std::optional<Refusal> refusal;      // why the import copied nothing at all
    ImportOutcome outcome;
  };

  // Scans the unit and imports both clips, the way a front end runs an import. A Cancel asked
  // for during the run (CancelNow) stops it as the progress window's Cancel does.
  Result Run() {
    ImportRequest request = RequestForAll(root_, dest_);
    if (second_) request.secondCopy = U16(*second_);
    request.overwrite = policy_;
    request.verify = verify_;
    RecordingEvents events;
    events.onQuestion = [this](const OverwriteQuestion& q) {
      return frontEndAnswer_ ? frontEndAnswer_(q.path) : OverwriteAnswer::No;
    };
    ImportJob job(std::move(request), events);
    {
      std::lock_guard lock(mutex_);
      running_ = &job;
    }
    job.Proceed();
    job.Start();
    job.Wait();
    Result r;
    r.state = job.State();
    r.outcome = events.Outcome();
    r.refusal = r.outcome.refusal;
    r.failureEvents = static_cast<int>(events.All<ClipFailure>().size());
    r.failed = r.outcome.FailedClips();
    {
      std::lock_guard lock(mutex_);
      running_ = nullptr;
    }
    return r;
  }

  // The user presses Cancel in the progress window.
  void CancelNow() {
    std::lock_guard lock(mutex_);
    if (running_) running_->RequestStop();
  }

  // How the next Run treats existing files and whether it reads its outputs back.
  void SetOptions(OverwritePolicy policy, bool verify = true) {
    policy_ = policy;
    verify_ = verify;
  }

  // The next Run writes a second copy into folder too (which must exist).
  void SetSecondCopy(std::filesystem::path folder) { second_ = std::move(folder); }

  // An older file under the output's name, as an earlier import or the user left it.
  void PutOlder(Output o) const { WriteFile(OutputPath(o), Older(o)); }
  bool HoldsOlder(Output o) const {
    std::error_code ec;
    return std::filesystem::is_regular_file(OutputPath(o), ec) && ReadFile(OutputPath(o)) == Older(o);
  }

  // Names of the files in the destination, sorted.
  std::set<std::string> DestFiles() const {
    const std::vector<std::string> names = EntryNames(dest_);
    return {names.begin(), names.end()};
  }

  // The output file is there and holds exactly what it should.
  bool Complete(Output o) const {
    std::error_code ec;
    return std::filesystem::is_regular_file(OutputPath(o), ec) && ReadFile(OutputPath(o)) == Expected(o);
  }

  // Every file of the unit has its bytes and its modification time, and no file came or went.
  // A unit that was unmounted is looked at where its files still are (root).
  bool UnitUntouched() const { return UnitUntouched(root_); }
  bool UnitUntouched(const std::filesystem::path& root) const { return Snapshot(root) == unitBefore_; }

  // Answers the overwrite question (default: No); runs on the worker thread.
  void OnQuestion(std::function<OverwriteAnswer(const std::u16string&)> answer) { frontEndAnswer_ = std::move(answer); }

  static constexpr std::size_t kChunkBytes = 2600;  // blocks of 1024, 1024 and 552 bytes

 private:
  Bytes Older(Output o) const {
    const std::string text = "older " + OutputPath(o).filename().string();
    return Bytes(text.begin(), text.end());
  }

 public:

 private:
  struct ChunkFile {
    std::filesystem::path path;
    Bytes bytes;
  };

  // A transport stream of kChunkBytes whose first packet is on firstPid (0: the tables).
  static Bytes Stream(std::optional<RecDateTime> date, std::uint16_t firstPid) {
    TsOptions o;
    o.date = date;
    o.firstPid = firstPid;
    o.packets = kChunkBytes / kTsPacketSize + 1;
    std::vector<std::uint8_t> s = TransportStream(o);
    return Bytes(s.begin(), s.begin() + kChunkBytes);
  }

  static std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
      const std::string key = std::filesystem::relative(e.path(), root).string();
      if (!e.is_regular_file()) {
        files[key] = "folder";
        continue;
      }
      const Bytes bytes = ReadFile(e.path());
      files[key] = std::to_string(e.last_write_time().time_since_epoch().count()) + ":" +
                                 std::string(bytes.begin(), bytes.end());
    }
    return files;
  }

  std::optional<std::filesystem::path> second_;
  std::filesystem::path root_, dest_;
  std::vector<ChunkFile> chunks_;
  std::map<std::string, std::string> unitBefore_;
  std::mutex mutex_;
  ImportJob* running_ = nullptr;
  OverwritePolicy policy_ = OverwritePolicy::Ask;
  bool verify_ = true;
  std::function<OverwriteAnswer(const std::u16string&)> frontEndAnswer_;
};

}  // namespace quillon::testsupport
