// Every step of a small import meets every fault a disk or a unit can throw at it: an open
// that fails, a read error, reads and writes that come short, a seek that fails, an output
// that cannot be created, a disk that fills up, a sync that loses data, a read-back that fails
// or differs, a rename into place that fails, and the user's Cancel. After each run: which
// clips failed and were reported, the import state, which output files are left (each must be
// complete), and that the unit is untouched. Each case runs twice: into an empty folder, and
// over older files under every output's name with "Yes to all", where each of those must
// afterwards hold either its old bytes or, if the import says it wrote it, the complete new ones.
//
// With QUILLON_FAULT_MATRIX=<file> set, the suite writes what each run ended with as a table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "import/CopyEngine.h"
#include "support/FaultyFileSystem.h"
#include "support/SmallImport.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::SmallImport;
using testsupport::TempDir;
using Chunk = SmallImport::Chunk;
using Output = SmallImport::Output;

enum class Fault {
  OpenFails,
  ReadError,
  EndsEarly,  // a read answers "end of file" before the chunk's last byte
  ShortRead,
  SeekFails,
  CreateFails,
  WriteError,
  ShortWrite,
  DiskFull,
  SyncFails,
  ReadBackFails,
  ReadBackDiffers,
  PlaceFails,
  Cancel
};
// Close: the output is complete and goes to the disk; Check: it is read back; Place: it takes its name.
enum class Step { Open, Probe, FirstBlock, MiddleBlock, LastBlock, Close, Check, Place };

constexpr int kHdvFails = 1, kDvFails = 2;

struct Expect {
  int failed;                // kHdvFails | kDvFails
  std::int32_t state;        // before the import is concluded
  std::set<Output> kept;     // the output files left, each complete
};

// A fault aims at a chunk of the unit (read side) or at an output file (write side).
struct Case {
  Fault fault;
  std::optional<Chunk> chunk;
  std::optional<Output> output;
  Step step;
  Expect expect;
};

const char* FaultName(Fault f) {
  switch (f) {
    case Fault::OpenFails: return "OpenFails";
    case Fault::ReadError: return "ReadError";
    case Fault::EndsEarly: return "EndsEarly";
    case Fault::ShortRead: return "ShortRead";
    case Fault::SeekFails: return "SeekFails";
    case Fault::CreateFails: return "CreateFails";
    case Fault::WriteError: return "WriteError";
    case Fault::ShortWrite: return "ShortWrite";
    case Fault::DiskFull: return "DiskFull";
    case Fault::SyncFails: return "SyncFails";
    case Fault::ReadBackFails: return "ReadBackFails";
    case Fault::ReadBackDiffers: return "ReadBackDiffers";
    case Fault::PlaceFails: return "PlaceFails";
    case Fault::Cancel: return "Cancel";
  }
  return "";
}

const char* StepName(Step s) {
  switch (s) {
    case Step::Open: return "Open";
    case Step::Probe: return "Probe";
    case Step::FirstBlock: return "FirstBlock";
    case Step::MiddleBlock: return "MiddleBlock";
    case Step::LastBlock: return "LastBlock";
    case Step::Close: return "Close";
    case Step::Check: return "Check";
    case Step::Place: return "Place";
  }
  return "";
}

const char* ChunkName(Chunk c) {
  static const char* names[] = {"A", "B", "C", "D"};
  return names[static_cast<int>(c)];
}

const char* OutputName(Output o) {
  static const char* names[] = {"AB", "A", "B", "C", "D"};
  return names[static_cast<int>(o)];
}

const char* StateName(std::int32_t s) {
  switch (s) {
    case Ask: return "Ask";
    case Stop: return "Stop";
    case SkipAll: return "SkipAll";
    case OverwriteAll: return "OverwriteAll";
    case CreateFailed: return "CreateFailed";
    case WriteFailed: return "WriteFailed";
  }
  return "?";
}

std::string TargetName(const Case& c) {
  return c.chunk ? std::string("chunk") + ChunkName(*c.chunk) : std::string("output") + OutputName(*c.output);
}

// The whole matrix. Chunk C carries the continuation flag (it comes from the index), but the
// plan read its first packet before the copy began: the file before it is known complete.
std::vector<Case> Matrix() {
  const std::set<Output> all = {Output::JoinedAB, Output::C, Output::D};
  std::vector<Case> m;
  const auto add = [&m](Fault f, std::optional<Chunk> ch, std::optional<Output> out, std::vector<Step> steps, Expect e) {
    for (Step s : steps) m.push_back({f, ch, out, s, e});
  };
  const std::vector<Step> blocks = {Step::FirstBlock, Step::MiddleBlock, Step::LastBlock};
  const std::vector<Step> reads = {Step::Probe, Step::FirstBlock, Step::MiddleBlock, Step::LastBlock};

  // The unit's side.
  add(Fault::OpenFails, Chunk::A, {}, {Step::Open}, {kHdvFails, Ask, {Output::D}});
  add(Fault::OpenFails, Chunk::B, {}, {Step::Open}, {kHdvFails, Ask, {Output::D}});
  add(Fault::OpenFails, Chunk::C, {}, {Step::Open}, {kHdvFails, Ask, {Output::JoinedAB, Output::D}});
  add(Fault::OpenFails, Chunk::D, {}, {Step::Open}, {kDvFails, Ask, {Output::JoinedAB, Output::C}});
  // A probe that cannot read finds no recording time; the copy reads the chunk again.
  add(Fault::ReadError, Chunk::A, {}, {Step::Probe}, {0, Ask, all});
  // B's stream check cannot read B's first packet: B begins a file of its own.
  add(Fault::ReadError, Chunk::B, {}, {Step::Probe}, {0, Ask, {Output::OnlyA, Output::OnlyB, Output::C, Output::D}});
  add(Fault::ReadError, Chunk::C, {}, {Step::Probe}, {0, Ask, all});
  add(Fault::ReadError, Chunk::D, {}, {Step::Probe}, {0, Ask, all});
  add(Fault::ReadError, Chunk::A, {}, blocks, {kHdvFails, Ask, {Output::D}});
  add(Fault::ReadError, Chunk::B, {}, blocks, {kHdvFails, Ask, {Output::D}});
  add(Fault::ReadError, Chunk::C, {}, blocks, {kHdvFails, Ask, {Output::JoinedAB, Output::D}});
  add(Fault::ReadError, Chunk::D, {}, blocks, {kDvFails, Ask, {Output::JoinedAB, Output::C}});
  // A chunk that ends before the size it had when opened (cut short under the copy) would
  // give a cut output file: it is a read error like any other.
  add(Fault::EndsEarly, Chunk::A, {}, blocks, {kHdvFails, Ask, {Output::D}});
  add(Fault::EndsEarly, Chunk::B, {}, blocks, {kHdvFails, Ask, {Output::D}});
  add(Fault::EndsEarly, Chunk::C, {}, blocks, {kHdvFails, Ask, {Output::JoinedAB, Output::D}});
  add(Fault::EndsEarly, Chunk::D, {}, blocks, {kDvFails, Ask, {Output::JoinedAB, Output::C}});
  for (Chunk ch : {Chunk::A, Chunk::B, Chunk::C, Chunk::D}) add(Fault::ShortRead, ch, {}, reads, {0, Ask, all});
  add(Fault::SeekFails, Chunk::A, {}, {Step::Probe}, {kHdvFails, Ask, {Output::D}});
  add(Fault::SeekFails, Chunk::B, {}, {Step::Probe}, {kHdvFails, Ask, {Output::D}});
  add(Fault::SeekFails, Chunk::C, {}, {Step::Probe}, {kHdvFails, Ask, {Output::JoinedAB, Output::D}});
  add(Fault::SeekFails, Chunk::D, {}, {Step::Probe}, {kDvFails, Ask, {Output::JoinedAB, Output::C}});

  // The destination's side.
  add(Fault::CreateFails, {}, Output::JoinedAB, {Step::Open}, {kHdvFails, CreateFailed, {Output::D}});
  add(Fault::CreateFails, {}, Output::C, {Step::Open}, {kHdvFails, CreateFailed, {Output::JoinedAB, Output::D}});
  add(Fault::CreateFails, {}, Output::D, {Step::Open}, {kDvFails, CreateFailed, {Output::JoinedAB, Output::C}});
  for (Fault f : {Fault::WriteError, Fault::ShortWrite}) {
    add(f, {}, Output::JoinedAB, blocks, {kHdvFails, WriteFailed, {Output::D}});
    add(f, {}, Output::C, blocks, {kHdvFails, WriteFailed, {Output::JoinedAB, Output::D}});
    add(f, {}, Output::D, blocks, {kDvFails, WriteFailed, {Output::JoinedAB, Output::C}});
  }
  // A full disk stays full: the DV clip after it fails as well.
  add(Fault::DiskFull, {}, Output::JoinedAB, blocks, {kHdvFails | kDvFails, WriteFailed, {}});
  add(Fault::DiskFull, {}, Output::C, blocks, {kHdvFails | kDvFails, WriteFailed, {Output::JoinedAB}});
  add(Fault::DiskFull, {}, Output::D, blocks, {kDvFails, WriteFailed, {Output::JoinedAB, Output::C}});
  // A write-back error is a write that did not reach the disk.
  add(Fault::SyncFails, {}, Output::JoinedAB, {Step::Close}, {kHdvFails, WriteFailed, {Output::D}});
  add(Fault::SyncFails, {}, Output::C, {Step::Close}, {kHdvFails, WriteFailed, {Output::JoinedAB, Output::D}});
  add(Fault::SyncFails, {}, Output::D, {Step::Close}, {kDvFails, WriteFailed, {Output::JoinedAB, Output::C}});
  // A copy that cannot be read back, or reads back other bytes, never takes its name.
  for (Fault f : {Fault::ReadBackFails, Fault::ReadBackDiffers}) {
    add(f, {}, Output::JoinedAB, {Step::Check}, {kHdvFails, Ask, {Output::D}});
    add(f, {}, Output::C, {Step::Check}, {kHdvFails, Ask, {Output::JoinedAB, Output::D}});
    add(f, {}, Output::D, {Step::Check}, {kDvFails, Ask, {Output::JoinedAB, Output::C}});
  }
  add(Fault::PlaceFails, {}, Output::JoinedAB, {Step::Place}, {kHdvFails, CreateFailed, {Output::D}});
  add(Fault::PlaceFails, {}, Output::C, {Step::Place}, {kHdvFails, CreateFailed, {Output::JoinedAB, Output::D}});
  add(Fault::PlaceFails, {}, Output::D, {Step::Place}, {kDvFails, CreateFailed, {Output::JoinedAB, Output::C}});

  // Cancel takes effect after the block being copied, or while the finished file is read
  // back; the file then open is deleted.
  const std::vector<Step> untilChecked = {Step::Open, Step::FirstBlock, Step::MiddleBlock, Step::LastBlock,
                                          Step::Close, Step::Check};
  add(Fault::Cancel, {}, Output::JoinedAB, untilChecked, {0, Stop, {}});
  add(Fault::Cancel, {}, Output::JoinedAB, {Step::Place}, {0, Stop, {Output::JoinedAB}});
  add(Fault::Cancel, {}, Output::C, untilChecked, {0, Stop, {Output::JoinedAB}});
  add(Fault::Cancel, {}, Output::C, {Step::Place}, {0, Stop, {Output::JoinedAB, Output::C}});
  add(Fault::Cancel, {}, Output::D, untilChecked, {0, Stop, {Output::JoinedAB, Output::C}});
  add(Fault::Cancel, {}, Output::D, {Step::Place}, {0, Stop, {Output::JoinedAB, Output::C, Output::D}});
  return m;
}

// Where in a run a step of one file falls: the call, counted among that file's calls of the
// same kind, and for a full disk the bytes written before it.
struct Aim {
  FileOp op;
  int nth;
  std::uint64_t bytesBefore = 0;
  std::size_t requested = 0;
};

// Finds the step in the calls of a run without faults.
Aim AimAt(const std::vector<FaultyFileSystem::Call>& log, const std::u16string& path, bool source, Step step) {
  struct Seen {
    int nth;
    std::size_t index;
  };
  std::vector<Seen> data;  // reads of a source's blocks, or writes of an output
  std::uint64_t written = 0;
  std::vector<std::uint64_t> writtenBefore;
  std::map<FileOp, int> count;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const auto& call = log[i];
    const bool mine = call.path == path;
    if (mine) ++count[call.op];
    if (mine && source && call.op == FileOp::Read && call.requested == kCopyBlockSize && call.result > 0)
      data.push_back({count[call.op], i});
    if (mine && !source && call.op == FileOp::Write) {
      data.push_back({count[call.op], i});
      writtenBefore.push_back(written);
    }
    if (call.op == FileOp::Write && call.result > 0) written += static_cast<std::uint64_t>(call.result);
  }
  const FileOp dataOp = source ? FileOp::Read : FileOp::Write;
  std::size_t k = 0;
  switch (step) {
    // The copy's own open of a chunk is its last: the size query of the import's start opens it too.
    case Step::Open: return {source ? FileOp::OpenRead : FileOp::Create, source ? count[FileOp::OpenRead] : 1};
    case Step::Probe: return {FileOp::Read, 1};  // the first read, before any block is copied
    case Step::Close: return {FileOp::Sync, 1};
    case Step::Check: return {FileOp::ReadBack, 1};
    case Step::Place: return {FileOp::Commit, 1};
    case Step::FirstBlock: k = 0; break;
    case Step::MiddleBlock: k = data.size() / 2; break;
    case Step::LastBlock: k = data.size() - 1; break;
  }
  EXPECT_GE(data.size(), 3u) << "each file is copied in three blocks or more";
  if (data.size() < 3) return {dataOp, 0};
  Aim aim{dataOp, data[k].nth};
  if (!source) aim.bytesBefore = writtenBefore[k];
  aim.requested = log[data[k].index].requested;
  return aim;
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << FaultName(c.fault) << " at " << TargetName(c) << " " << StepName(c.step);
}

std::vector<std::string> MatrixRows;

class CopyFaultMatrix : public ::testing::TestWithParam<Case> {
 protected:
  static void TearDownTestSuite() {
    const char* out = std::getenv("QUILLON_FAULT_MATRIX");
    if (!out || MatrixRows.empty()) return;
    std::ofstream file(out);
    file << "| fault | target | step | failed clips | state | files left |\n|---|---|---|---|---|---|\n";
    for (const auto& row : MatrixRows) file << row << "\n";
  }

  // A run without faults, watched, tells where each step of the path falls.
  Aim Watch(const Case& c) {
    TempDir dir;
    SmallImport import(dir.Path() / "unit", dir.Path() / "dest");
    FaultyFileSystem watcher;
    platform::ScopedFileSystem use(watcher);
    const SmallImport::Result r = import.Run();
    EXPECT_TRUE(r.failed.empty()) << "the run without faults must succeed";
    const std::u16string path = c.chunk ? import.ChunkU16(*c.chunk) : import.OutputU16(*c.output);
    return AimAt(watcher.Log(), path, c.chunk.has_value(), c.step);
  }
};

// Sets the fault of the case up on a file service, aimed where the watched run found its step.
void Arm(FaultyFileSystem& faulty, const Case& c, const Aim& aim, const std::u16string& path, SmallImport& import) {
  switch (c.fault) {
    case Fault::ShortRead: faulty.ShortenNth(aim.op, aim.nth, 1, path); break;
    case Fault::EndsEarly: faulty.ShortenNth(aim.op, aim.nth, 0, path); break;
    case Fault::ShortWrite: faulty.ShortenNth(aim.op, aim.nth, aim.requested / 2, path); break;
    case Fault::DiskFull: faulty.SetCapacity(aim.bytesBefore + aim.requested / 2); break;
    case Fault::Cancel: faulty.OnNth(aim.op, aim.nth, [&import] { import.CancelNow(); }, path); break;
    case Fault::SeekFails: faulty.FailNth(FileOp::Seek, 1, path); break;
    case Fault::ReadBackDiffers: faulty.CorruptNth(aim.op, aim.nth, path); break;
    default: faulty.FailNth(aim.op, aim.nth, path); break;
  }
}

SmallImport::Result RunWithFault(SmallImport& import, const Case& c, const Aim& aim) {
  const std::u16string path = c.chunk ? import.ChunkU16(*c.chunk) : import.OutputU16(*c.output);
  FaultyFileSystem faulty;
  Arm(faulty, c, aim, path, import);
  platform::ScopedFileSystem use(faulty);
  return import.Run();
}

TEST_P(CopyFaultMatrix, EndsWithCompleteFilesOnlyAndAnUntouchedUnit) {
  const Case c = GetParam();
  const Aim aim = Watch(c);
  ASSERT_GT(aim.nth, 0);

  TempDir dir;
  SmallImport import(dir.Path() / "unit", dir.Path() / "dest");
  const SmallImport::Result r = RunWithFault(import, c, aim);

  // The clips' results and the failure report.
  std::vector<std::u16string> failed;
  if (c.expect.failed & kHdvFails) failed.push_back(platform::FromUtf8(SmallImport::kHdvClip));
  if (c.expect.failed & kDvFails) failed.push_back(platform::FromUtf8(SmallImport::kDvClip));
  EXPECT_EQ(r.failed, failed);
  EXPECT_EQ(r.failureEvents, static_cast<int>(failed.size()));
  EXPECT_EQ(r.outcome.failures.size(), failed.size());
  for (const auto& failure : r.outcome.failures) {
    EXPECT_FALSE(failure.file.empty()) << "a failure names its file: " << static_cast<int>(failure.kind);
  }
  EXPECT_EQ(r.outcome.cancelled, c.fault == Fault::Cancel);
  EXPECT_EQ(r.state, c.expect.state) << StateName(r.state);

  // The files left are exactly the expected ones, each complete, with no temporary file beside
  // them; the import tells them apart from the ones it deleted.
  std::set<std::string> names;
  for (Output o : c.expect.kept) {
    names.insert(import.OutputPath(o).filename().string());
    EXPECT_TRUE(import.Complete(o)) << OutputName(o) << " is not complete";
  }
  EXPECT_EQ(import.DestFiles(), names);
  std::set<std::u16string> written;
  for (const PlacedOutput& o : r.outcome.written) written.insert(o.path);
  std::set<std::u16string> kept;
  for (Output o : c.expect.kept) kept.insert(import.OutputU16(o));
  EXPECT_EQ(written, kept);
  for (const auto& gone : r.outcome.discarded) EXPECT_EQ(kept.count(gone.path), 0u);
  EXPECT_TRUE(r.outcome.notRemoved.empty());
  EXPECT_TRUE(import.UnitUntouched());

  std::string left;
  for (Output o : c.expect.kept) left += std::string(left.empty() ? "" : " ") + OutputName(o);
  std::string failedText = c.expect.failed == 0 ? "none" : "";
  if (c.expect.failed & kHdvFails) failedText += "HDV";
  if (c.expect.failed & kDvFails) failedText += failedText.empty() ? "DV" : "+DV";
  if (!::testing::Test::HasFailure()) {
    MatrixRows.push_back(std::string("| ") + FaultName(c.fault) + " | " + TargetName(c) + " | " + StepName(c.step) +
                         " | " + failedText + " | " + StateName(r.state) + " | " + (left.empty() ? "none" : left) +
                         " |");
  }
}

TEST_P(CopyFaultMatrix, AnOlderFileUnderAnOutputsNameIsKeptWholeUnlessReplacedByACompleteCopy) {
  const Case c = GetParam();
  const Aim aim = Watch(c);
  ASSERT_GT(aim.nth, 0);

  TempDir dir;
  SmallImport import(dir.Path() / "unit", dir.Path() / "dest");
  const std::set<Output> outputs = {Output::JoinedAB, Output::OnlyB, Output::C, Output::D};
  for (Output o : outputs) import.PutOlder(o);
  import.SetOptions(OverwritePolicy::ReplaceAll);
  const SmallImport::Result r = RunWithFault(import, c, aim);

  std::set<std::string> names;
  for (Output o : outputs) {
    names.insert(import.OutputPath(o).filename().string());
    const bool replaced = std::any_of(r.outcome.written.begin(), r.outcome.written.end(),
                                      [&](const PlacedOutput& w) { return w.path == import.OutputU16(o); });
    // Where B could not be joined to A, A's name holds A alone.
    const bool complete = import.Complete(o) || (o == Output::JoinedAB && import.Complete(Output::OnlyA));
    EXPECT_TRUE(replaced ? complete : import.HoldsOlder(o))
        << OutputName(o) << (replaced ? " is said to be written but is not complete" : " lost its older bytes");
  }
  EXPECT_EQ(import.DestFiles(), names) << "no temporary file is left";
  EXPECT_TRUE(import.UnitUntouched());
}

INSTANTIATE_TEST_SUITE_P(EveryStep, CopyFaultMatrix, ::testing::ValuesIn(Matrix()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(FaultName(info.param.fault)) + "_" + TargetName(info.param) + "_" +
                                  StepName(info.param.step);
                         });

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// Another program cuts a chunk short on the unit while it is being copied: the bytes after
// the cut never arrive, so the output file must not stay looking complete.
TEST(CopyFaultStory, AChunkCutShortUnderTheCopyFailsItsClipInsteadOfLeavingACutFile) {
  TempDir dir;
  SmallImport import(dir.Path() / "unit", dir.Path() / "dest");
  FaultyFileSystem watcher;
  const std::filesystem::path b = import.ChunkPath(Chunk::B);
  // B's first read is its stream check; the second is its first copied block.
  watcher.OnNth(FileOp::Read, 2, [&b] { std::filesystem::resize_file(b, 1500); }, import.ChunkU16(Chunk::B));
  SmallImport::Result r;
  {
    platform::ScopedFileSystem use(watcher);
    r = import.Run();
  }
  EXPECT_EQ(r.failed, std::vector<std::u16string>{u"HDV0001"});
  EXPECT_FALSE(std::filesystem::exists(import.OutputPath(Output::JoinedAB)));
  EXPECT_TRUE(import.Complete(Output::D));
}

}  // namespace
}  // namespace quillon
