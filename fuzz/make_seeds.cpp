// Writes the fuzzers' seed corpora: index files, streams and trees built by the test
// builders, and, when a demo unit's folder is given, its files (cut short: the readers look
// at the first few KiB only).
//   quillon-fuzz-seeds OUTDIR [DEMO_UNIT_DIR]
// The committed corpus was made by: quillon-demo-unit DEMO && quillon-fuzz-seeds fuzz/corpus DEMO
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ScanTree.h"
#include "support/MediaBytes.h"

namespace {

namespace fs = std::filesystem;
namespace ts = quillon::testsupport;
using Bytes = std::vector<std::uint8_t>;
using quillon::fuzz::Tree;
using quillon::fuzz::TreeKind;

// Probes read a transport stream's first packets and a DV file's first DIF sequences.
constexpr std::size_t kSeedCut = 32 * 1024;

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
void Put(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  Put(folder, name, std::string(bytes.begin(), bytes.end()));
}

std::string Cut(const Bytes& bytes, std::size_t size = kSeedCut) {
  return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
}

// An index: magic, flag, check byte, four-digit count, then 16-byte entries.
struct Idx {
  std::vector<std::string> entries;
  int count = -1;  // -1: the number of entries
  Idx& Date(int y, int mo, int d, int h, int mi, int s) {
    std::string e(16, '\0');
    e[0] = 'D', e[1] = 'T';
    const int fields[] = {y, mo, d, h, mi, s};
    for (int k = 0; k < 6; ++k) e[2 + k] = static_cast<char>(fields[k]);
    entries.push_back(e);
    return *this;
  }
  Idx& File(const std::string& four) {
    std::string e = "FILE" + four;
    e.resize(16, '\0');
    entries.push_back(e);
    return *this;
  }
  std::string Bytes() const {
    std::string out = "INDXV200";
    out += '\x80';
    out += std::string(2, '\0');
    out += '\x1A';
    const int n = count < 0 ? static_cast<int>(entries.size()) : count;
    for (int div : {1000, 100, 10, 1}) out += static_cast<char>('0' + (n / div) % 10);
    for (const auto& e : entries) out += e;
    return out;
  }
};

Bytes Stream(std::optional<ts::RecDateTime> date, std::size_t packets = 12) {
  ts::TsOptions o;
  o.date = date;
  o.packets = packets;
  return ts::TransportStream(o);
}

// An AVI whose index claims a whole DV frame while only the frame's first sequence is kept.
Bytes ShortAvi(ts::AviOffsets offsets) {
  const Bytes dv = ts::DvFrames(ts::RecDateTime{2007, 5, 31, 14, 23, 14}, 1);
  // The probe leaves the index's last entry out, so an audio chunk follows the frame.
  Bytes avi = ts::AviFile({ts::AviChunk{{'0', '0', 'd', 'c'}, Bytes(dv.begin(), dv.begin() + ts::kDifSequenceSize)},
                           ts::AviChunk{{'0', '1', 'w', 'b'}, Bytes(64, 0)}},
                          offsets);
  const std::size_t idx1 = ts::FindFourcc(avi, "idx1");
  if (idx1 + 8 + 16 <= avi.size()) ts::PutLe32(avi, idx1 + 8 + 12, static_cast<std::uint32_t>(ts::kNtscFrameSize));
  return avi;
}

// The wildcard fuzzer's bytes: a split byte, then pattern and name; '*' and '?' are 0 and 1.
std::string WildcardSeed(const std::string& pattern, const std::string& name) {
  std::string out(1, static_cast<char>(pattern.size()));
  for (char c : pattern + name) out += c == '*' ? '\0' : c == '?' ? '\1' : c;
  return out;
}

void Entry(Tree& t, TreeKind kind, std::string path, std::string content = {}) {
  t.entries.push_back({kind, std::move(path), std::move(content)});
}

void ScanSeeds(const fs::path& out) {
  const ts::RecDateTime when{2007, 5, 31, 14, 23, 14};
  {
    Tree t;  // an indexed HDV clip of three chunks, the third restarting the stream
    Idx idx;
    idx.Date(7, 5, 31, 14, 23, 14).Date(7, 5, 31, 14, 40, 2).File("0003");
    Entry(t, TreeKind::File, "VIDEO/QVT/ABC0001.IDX", idx.Bytes());
    Entry(t, TreeKind::File, "VIDEO/QVT/ABC0001_2007-05-31_142314.M2T", Cut(Stream(when)));
    Entry(t, TreeKind::File, "VIDEO/QVT/ABC0001_2007-05-31_144002.M2T", Cut(Stream(std::nullopt, 4)));
    ts::TsOptions restart;
    restart.firstPid = 0x1E;
    restart.packets = 6;
    Entry(t, TreeKind::File, "VIDEO/QVT/ABC0001_0000-00-00_000003.M2T", Cut(ts::TransportStream(restart)));
    Put(out, "indexed-hdv-clip", quillon::fuzz::EncodeTree(t));
  }
  {
    Tree t;  // flat DV and AVI clips, with an empty, a hidden and a folder entry among them
    Entry(t, TreeKind::File, "VIDEO/QVT/DVC0001A.DV", Cut(ts::DvFrames(when, 1), ts::kDifSequenceSize));
    Entry(t, TreeKind::File, "VIDEO/QVT/DVC0001B.DV", Cut(ts::DvFrames(std::nullopt, 1), 4000));
    Entry(t, TreeKind::File, "VIDEO/QVT/AVI0001.AVI", Cut(ShortAvi(ts::AviOffsets::RelativeToMovi), 65535));
    Entry(t, TreeKind::File, "VIDEO/QVT/EMP0001.DV");
    Entry(t, TreeKind::File, "VIDEO/QVT/.HID0001.DV", "x");
    Entry(t, TreeKind::Folder, "VIDEO/QVT/DIR0001.M2T");
    Put(out, "flat-dv-avi", quillon::fuzz::EncodeTree(t));
  }
  {
    Tree t;  // numbered folders only
    Entry(t, TreeKind::File, "HDVF/001HDVF/A.M2T", Cut(Stream(when)));
    Entry(t, TreeKind::File, "HDVF/001HDVF/B.M2T", Cut(Stream(std::nullopt, 3)));
    Entry(t, TreeKind::File, "DVF/002DVF/C.DV", Cut(ts::DvFrames(when, 1), ts::kDifSequenceSize));
    Entry(t, TreeKind::File, "DVF/003DVF/D.AVI", Cut(ShortAvi(ts::AviOffsets::Absolute), 65535));
    Entry(t, TreeKind::Folder, "DVF/XYZDVF");
    Put(out, "numbered-folders", quillon::fuzz::EncodeTree(t));
  }
  {
    Tree t;  // what a hostile unit holds: links, a FIFO, a huge sparse chunk, odd names
    Idx idx;
    idx.File("../.").File(std::string("\0\0\0\0", 4)).Date(99, 99, 99, 99, 99, 99);
    idx.count = 9;
    Entry(t, TreeKind::File, "VIDEO/QVT/BAD0001.IDX", idx.Bytes());
    Entry(t, TreeKind::Link, "VIDEO/QVT/LNK0001.DV", "VIDEO/QVT/LNK0001.DV");
    Entry(t, TreeKind::Link, "VIDEO/QVT/LNK0002.DV", "VIDEO");
    Entry(t, TreeKind::Fifo, "VIDEO/QVT/FIF0001.M2T");
    Entry(t, TreeKind::Sparse, "VIDEO/QVT/BIG0001.DV", std::string(64, 'x'));
    Entry(t, TreeKind::File, "VIDEO/QVT/\xff\xfe\x80name.DV", "bytes");
    Entry(t, TreeKind::File, "VIDEO/QVT/ABC0001A.dv", "lower case");
    Put(out, "hostile-unit", quillon::fuzz::EncodeTree(t));
  }
}

// The damage-place fuzzer's bytes: the kind (1 M2T, 2 DV, 3 AVI), two areas and a join
// (offset, length, offset: little-endian), then the output with zeros in the areas.
Bytes DamageSeed(std::uint8_t kind, Bytes output, std::uint32_t offset, std::uint32_t length, std::uint32_t join = 0) {
  const std::uint32_t small = offset / 2;  // a second area, of 200 bytes, before the first
  const auto zero = [&output](std::size_t from, std::size_t size) {
    for (std::size_t i = from; i < output.size() && i < from + size; ++i) output[i] = 0;
  };
  zero(offset, length);
  zero(small, 200);
  Bytes out(1 + 5 * 4);
  out[0] = kind;
  std::size_t at = 1;
  for (const std::uint32_t value : {offset, length, small, 200u, join}) {
    ts::PutLe32(out, at, value);
    at += 4;
  }
  out.insert(out.end(), output.begin(), output.end());
  return out;
}

void DamageSeeds(const fs::path& out) {
  const ts::RecDateTime when{2007, 5, 31, 14, 23, 14};
  const std::uint32_t ntsc = ts::kNtscFrameSize, pal = ts::kPalFrameSize;
  Put(out, "ntsc-timecode", DamageSeed(2, ts::DvFrames(when, 2, false, ts::Timecode{1, 0, 0, 0}), ntsc + 500, 1000));
  Put(out, "pal-dated", DamageSeed(2, ts::DvFrames(when, 2, true), 0, pal / 2));
  const Bytes avi = ts::AviWithDv(ts::DvFrames(when, 2), ntsc, ts::AviOffsets::RelativeToMovi);
  Put(out, "avi", DamageSeed(3, avi, ntsc + 2000, 300));
  ts::TsOptions hdv;
  hdv.packets = 300;
  hdv.pcrEvery = 10;
  hdv.pcrAtStart = ts::kPcrWrap - 100000;
  Put(out, "hdv-wrapping", DamageSeed(1, ts::TransportStream(hdv), 150 * 188, 20 * 188));
  ts::TsOptions restart = hdv;
  restart.pcrAtStart = 5;
  restart.pcrDiscontinuity = true;
  Bytes joined = ts::TransportStream(hdv);
  const Bytes second = ts::TransportStream(restart);
  joined.insert(joined.end(), second.begin(), second.end());
  Put(out, "hdv-joined", DamageSeed(1, joined, 450 * 188, 188, 300 * 188));
}

void DemoSeeds(const fs::path& out, const fs::path& demo) {
  std::map<std::string, int> perKind;  // a few files of each kind are enough
  for (const auto& unit : fs::directory_iterator(demo)) {
    if (!unit.is_directory()) continue;
    Tree t;
    for (const auto& f : fs::recursive_directory_iterator(unit.path())) {
      if (f.is_directory()) continue;
      const std::string rel = fs::relative(f.path(), unit.path()).string();
      std::ifstream in(f.path(), std::ios::binary);
      Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const std::string ext = f.path().extension().string();
      std::string name = "demo-" + unit.path().filename().string() + "-" + f.path().filename().string();
      const int taken = perKind[ext]++;
      if (ext == ".IDX" && taken < 3) Put(out / "idx", name, bytes);
      if (ext == ".M2T" && taken < 3) Put(out / "ts_probe", name, Cut(bytes, 16 * ts::kTsPacketSize));
      if (ext == ".DV" && taken < 2) Put(out / "dv_probe", name, Cut(bytes, ts::kDifSequenceSize));
      // An AVI's index lies at its end, behind whole frames: too large for a seed, so the AVI
      // seeds are the short ones built above.
      Entry(t, TreeKind::File, rel, Cut(bytes, 4 * 1024));
    }
    Put(out / "scan", "demo-" + unit.path().filename().string(), quillon::fuzz::EncodeTree(t));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: quillon-fuzz-seeds OUTDIR [DEMO_UNIT_DIR]\n";
    return 2;
  }
  const fs::path out = argv[1];
  const ts::RecDateTime when{2007, 5, 31, 14, 23, 14};

  Idx plain;
  plain.Date(7, 5, 31, 14, 23, 14).File("0002").Date(10, 2, 16, 9, 0, 0);
  Put(out / "idx", "dates-and-files", plain.Bytes());
  Idx overclaimed = plain;
  overclaimed.count = 9999;
  Put(out / "idx", "count-beyond-entries", overclaimed.Bytes());
  Idx odd;
  odd.File(std::string("/\0\xff.", 4)).Date(255, 255, 255, 255, 255, 255);
  odd.entries.push_back(std::string("XX unknown entry", 16));
  Put(out / "idx", "odd-entries", odd.Bytes() + "trailing");

  Put(out / "ts_probe", "dated", Stream(when, 8));
  ts::TsOptions deep;
  deep.date = when;
  deep.dateBeforeTables = true;
  deep.packets = 8;
  Put(out / "ts_probe", "date-before-tables", ts::TransportStream(deep));
  ts::TsOptions unregistered;
  unregistered.date = when;
  unregistered.registration = false;
  unregistered.packets = 5;
  Put(out / "ts_probe", "no-registration", ts::TransportStream(unregistered));

  Put(out / "dv_probe", "ntsc-dated", Cut(ts::DvFrames(when, 1), ts::kDifSequenceSize + 480));
  Put(out / "dv_probe", "pal-undated", Cut(ts::DvFrames(std::nullopt, 1, true), 2 * ts::kDifSequenceSize));

  Put(out / "avi_probe", "relative-offsets", ShortAvi(ts::AviOffsets::RelativeToMovi));
  Put(out / "avi_probe", "absolute-offsets", ShortAvi(ts::AviOffsets::Absolute));

  Put(out / "wildcard", "flat-pattern", WildcardSeed("???????*.M2T", "ABC0001_2007-05-31_142314.m2t"));
  Put(out / "wildcard", "folder-pattern", WildcardSeed("???HDVF", "001hdvf"));
  Put(out / "wildcard", "stars", WildcardSeed("*a*?*b*", "xxaxxxbxx\xe0\xc0"));

  Put(out / "text", "utf8-name", std::string("ABC0001_\xe6\x97\xa5\xe6\x9c\xac.DV"));
  Put(out / "text", "invalid-bytes", std::string("\xff\xfe\xed\xa0\x80\xf0\x9f\x98\x80\xc0\xaf", 11));

  // Mapfiles: one GNU ddrescue 1.27 wrote at the end of a rescue, and one a rescue stopped
  // while retrying leaves, with a subsector and numbers as edited by hand.
  Put(out / "rescue_map", "ddrescue-finished",
      std::string("# Mapfile. Created by GNU ddrescue version 1.27\n"
                  "# Command line: ddrescue -r1 /dev/sdb image map\n"
                  "# Start time:   2026-12-10 16:27:54\n"
                  "# Current time: 2026-12-10 16:27:54\n"
                  "# Finished\n"
                  "# current_pos  current_status  current_pass\n"
                  "0x00101E00     +               1\n"
                  "#      pos        size  status\n"
                  "0x00000000  0x00100000  +\n"
                  "0x00100000  0x00002000  -\n"
                  "0x00102000  0x002FE000  +\n"));
  Put(out / "rescue_map", "retrying",
      std::string("# Mapfile. Created by Quillon version 1.1\n"
                  "0x00020000     -               2\n"
                  "0 0x1FFFF +\n"
                  "0x1FFFF 1 -\n"
                  "0x20000 01000 +  # octal\n"
                  "131584 0x7FFFFFFFFFFDFDFF ?\r\n"));

  ScanSeeds(out / "scan");
  DamageSeeds(out / "damage_place");
  if (argc > 2) DemoSeeds(out, argv[2]);
  return 0;
}
