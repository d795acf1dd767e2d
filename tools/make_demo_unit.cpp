// quillon-demo-unit DIR: writes two small recording-unit trees for trying the program out.
//
// DIR/unit-flat     the flat layout, VIDEO/QVT:
//   HDV0001  index of three dated chunks; the third starts a new stream (first packet PID
//            0x1E) and so a new output file; a fourth dated chunk the index does not list
//   HDV0002  index of two "FILE" chunks, joined by HDV0002.DV: a mixed HDV and DV clip
//   BAD0001  an index that fails its check byte, beside its two chunks: a name clip
//   NAM0001  two M2T chunks without index; NAM0002 one M2T chunk without the TSHV registration
//   AVI0001  an AVI file with DV frames; DVC0001 a DV file; DVC0002 a DV file without
//            recording date and an AVI file
// DIR/unit-folders  the numbered layout, with an empty VIDEO/QVT so that it is the one read:
//   HDVF/001HDVF (a dated M2T chunk and one without TSHV), HDVF/002HDVF, DVF/001DVF (DV files
//   with and without recording date), DVF/002DVF (an AVI file)
//
// Every file and folder gets a fixed last-modified time, so the list rows read the same on
// every run. The chunks of a name clip share theirs: which of them is listed last follows the
// file system's order, and the row is dated by the last one.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/MediaBytes.h"
#include "support/UnitTree.h"

namespace {

namespace fs = std::filesystem;
namespace ts = quillon::testsupport;
using ts::Bytes;
using ts::RecDateTime;

constexpr std::size_t kChunkPackets = 256;  // 48 KiB per M2T chunk
constexpr std::size_t kDvFrames = 2;

// Seconds since 1970 of a UTC calendar time (days from the civil calendar).
std::int64_t UtcSeconds(const RecDateTime& t) {
  const int y = t.month <= 2 ? t.year - 1 : t.year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (t.month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + t.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

class DemoWriter {
 public:
  fs::path File(const fs::path& folder, const std::string& name, const Bytes& bytes, std::int64_t mtime) {
    const fs::path path = ts::PutFile(folder, name, bytes);
    ts::SetMtime(path, mtime);
    std::printf("%10zu  %s\n", bytes.size(), path.c_str());
    written_.push_back(path);
    total_ += bytes.size();
    return path;
  }

  // The chunk's bytes: a transport stream, its recording date in the private data when given.
  fs::path Chunk(const fs::path& folder, const std::string& name, std::optional<RecDateTime> date,
                 std::int64_t mtime, bool registration = true, std::uint16_t firstPid = 0) {
    ts::TsOptions opts;
    opts.date = date;
    opts.registration = registration;
    opts.packets = kChunkPackets;
    opts.firstPid = firstPid;
    opts.pcrEvery = 8;  // clock references, as a camcorder's stream has, to place damage by
    return File(folder, name, ts::TransportStream(opts), mtime);
  }

  fs::path Dv(const fs::path& folder, const std::string& name, std::optional<RecDateTime> date, std::int64_t mtime) {
    return File(folder, name, ts::DvFrames(date, kDvFrames), mtime);
  }

  fs::path Avi(const fs::path& folder, const std::string& name, std::optional<RecDateTime> date,
               ts::AviOffsets offsets, std::int64_t mtime) {
    return File(folder, name, ts::AviWithDv(ts::DvFrames(date, kDvFrames), ts::kNtscFrameSize, offsets), mtime);
  }

  // Folders are dated last, after the files in them were written.
  void DateFolders(const fs::path& root, std::int64_t mtime) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_directory()) ts::SetMtime(entry.path(), mtime);
    }
    ts::SetMtime(root, mtime);
  }

  std::size_t Count() const { return written_.size(); }
  std::uint64_t Total() const { return total_; }

 private:
  std::vector<fs::path> written_;
  std::uint64_t total_ = 0;
};

// A chunk closes some minutes after its recording began.
std::int64_t Closed(const RecDateTime& t) { return UtcSeconds(t) + 9 * 60 + 59; }

void WriteFlatUnit(DemoWriter& w, const fs::path& root) {
  const ts::UnitTree unit(root);
  const fs::path flat = unit.Flat();

  // HDV0001: three indexed chunks and one the index does not list.
  const RecDateTime h1[] = {{2008, 3, 14, 10, 15, 30}, {2008, 3, 14, 10, 25, 30}, {2008, 3, 14, 10, 35, 30},
                            {2008, 3, 14, 10, 45, 30}};
  ts::IdxBuilder idx1;
  for (int i = 0; i < 3; ++i) {
    idx1.Date(static_cast<std::uint8_t>(h1[i].year % 100), static_cast<std::uint8_t>(h1[i].month),
              static_cast<std::uint8_t>(h1[i].day), static_cast<std::uint8_t>(h1[i].hour),
              static_cast<std::uint8_t>(h1[i].minute), static_cast<std::uint8_t>(h1[i].second));
  }
  const auto names1 = idx1.ChunkNames("HDV0001");
  w.Chunk(flat, names1[0], h1[0], Closed(h1[0]));
  w.Chunk(flat, names1[1], h1[1], Closed(h1[1]));
  w.Chunk(flat, names1[2], h1[2], Closed(h1[2]), true, 0x001E);
  w.Chunk(flat, ts::IdxDateChunkName("HDV0001", 8, 3, 14, 10, 45, 30), h1[3], Closed(h1[3]));
  w.File(flat, "HDV0001.IDX", idx1.Build(), Closed(h1[3]));

  // HDV0002: chunks named by "FILE" entries, and a DV file of the same clip name.
  const RecDateTime h2{2008, 3, 15, 9, 0, 0};
  const RecDateTime h2b{2008, 3, 15, 9, 10, 0};
  const ts::IdxBuilder idx2 = ts::IdxBuilder().File("0001").File("0002");
  const auto names2 = idx2.ChunkNames("HDV0002");
  w.Chunk(flat, names2[0], h2, Closed(h2));
  w.Chunk(flat, names2[1], h2b, Closed(h2b));
  w.File(flat, "HDV0002.IDX", idx2.Build(), Closed(h2b));
  const RecDateTime h2dv{2008, 3, 15, 9, 30, 0};
  w.Dv(flat, "HDV0002.DV", h2dv, Closed(h2dv));

  // BAD0001: the index fails its check byte; its chunks are listed by name.
  const RecDateTime b1{2008, 3, 15, 16, 0, 0};
  const RecDateTime b2{2008, 3, 15, 16, 10, 0};
  const ts::IdxBuilder bad = ts::IdxBuilder().Date(8, 3, 15, 16, 0, 0).Date(8, 3, 15, 16, 10, 0).CheckByte(0x1B);
  const auto badNames = bad.ChunkNames("BAD0001");
  w.Chunk(flat, badNames[0], b1, Closed(b2));
  w.Chunk(flat, badNames[1], b2, Closed(b2));
  w.File(flat, "BAD0001.IDX", bad.Build(), Closed(b2));

  // Name clips of M2T chunks without index.
  const RecDateTime n1{2008, 3, 16, 8, 0, 0};
  const RecDateTime n2{2008, 3, 16, 8, 10, 0};
  w.Chunk(flat, ts::IdxDateChunkName("NAM0001", 8, 3, 16, 8, 0, 0), n1, Closed(n2));
  w.Chunk(flat, ts::IdxDateChunkName("NAM0001", 8, 3, 16, 8, 10, 0), n2, Closed(n2));
  const RecDateTime n3{2008, 3, 16, 12, 0, 0};
  w.Chunk(flat, "NAM0002.M2T", n3, Closed(n3), false);

  // DV and AVI clips.
  const RecDateTime d1{2008, 3, 17, 14, 0, 0};
  w.Dv(flat, "DVC0001.DV", d1, Closed(d1));
  const RecDateTime d2{2008, 3, 17, 15, 0, 0};
  w.Dv(flat, "DVC0002.DV", std::nullopt, Closed(d2) - 1800);
  w.Avi(flat, "DVC0002.AVI", d2, ts::AviOffsets::Absolute, Closed(d2));
  const RecDateTime a1{2008, 3, 18, 11, 0, 0};
  w.Avi(flat, "AVI0001.AVI", a1, ts::AviOffsets::RelativeToMovi, Closed(a1));

  w.DateFolders(root, Closed(a1));
}

void WriteFolderUnit(DemoWriter& w, const fs::path& root) {
  const ts::UnitTree unit(root);
  unit.Flat();  // present but empty: the numbered folders are read

  const fs::path hdv1 = unit.HdvFolder("001");
  const RecDateTime f1{2008, 4, 1, 10, 0, 0};
  w.Chunk(hdv1, "0001.M2T", f1, Closed(f1));
  w.Chunk(hdv1, "0002.M2T", std::nullopt, Closed(f1) + 600, false);

  const fs::path hdv2 = unit.HdvFolder("002");
  const RecDateTime f2{2008, 4, 2, 11, 0, 0};
  w.Chunk(hdv2, "0001.M2T", f2, Closed(f2));

  const fs::path dv1 = unit.DvFolder("001");
  const RecDateTime f3{2008, 4, 3, 12, 0, 0};
  w.Dv(dv1, "0001.DV", f3, Closed(f3));
  w.Dv(dv1, "0002.DV", std::nullopt, Closed(f3) + 600);

  const fs::path dv2 = unit.DvFolder("002");
  const RecDateTime f4{2008, 4, 4, 13, 0, 0};
  w.Avi(dv2, "0001.AVI", f4, ts::AviOffsets::RelativeToMovi, Closed(f4));

  w.DateFolders(root, Closed(f4));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: quillon-demo-unit DIR\n");
    return 2;
  }
  try {
    const fs::path dir(argv[1]);
    for (const char* name : {"unit-flat", "unit-folders"}) {
      if (fs::exists(dir / name)) {
        std::fprintf(stderr, "quillon-demo-unit: %s already exists\n", (dir / name).c_str());
        return 1;
      }
    }
    DemoWriter w;
    WriteFlatUnit(w, dir / "unit-flat");
    WriteFolderUnit(w, dir / "unit-folders");
    std::printf("%zu files, %llu bytes in %s/unit-flat and %s/unit-folders\n", w.Count(),
                static_cast<unsigned long long>(w.Total()), dir.c_str(), dir.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillon-demo-unit: %s\n", e.what());
    return 1;
  }
}
