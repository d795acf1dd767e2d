// The import history: its text read back whatever the names hold, damaged and hostile lines
// skipped, a newer or foreign file refused, and its file replaced whole or not at all.
#include "import/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>

#include "platform/ContentHash.h"
#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::TempDir;

std::array<std::uint8_t, 16> Bytes16(std::uint8_t first) {
  std::array<std::uint8_t, 16> digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(first + i * 0x11);
  return digest;
}

HistoryRecord Record(std::u16string output, std::u16string clip = u"HDV0001") {
  HistoryRecord r;
  r.output = std::move(output);
  r.size = 1048576;
  r.hash = Bytes16(0x00);
  r.imported = 1715000000;
  r.clip = std::move(clip);
  r.chunks.push_back({u"HDVF/001HDVF/HDV0001.M2T", 1048576, 1205490330, Bytes16(0x0F)});
  return r;
}

// A line whose checksum is right, whatever its fields hold.
std::string Signed(const std::string& body) {
  platform::ContentHash hash;
  hash.Update(body.data(), body.size());
  return body + "\t" + hash.Hex() + "\n";
}

constexpr char kHeader[] = "quillon-history 1\n";

TEST(History, TextIsTheDocumentedLine) {
  // The example of docs/history.md; "printf '%s' BODY | xxhsum -H2" gives the same checksum.
  EXPECT_EQ(HistoryText({Record(u"HDV0001_2008-03-14_102530.M2T")}),
            "quillon-history 1\n"
            "imported\tHDV0001_2008-03-14_102530.M2T\t1048576\t00112233445566778899aabbccddeeff\t1715000000\tHDV0001\t"
            "HDVF/001HDVF/HDV0001.M2T\t1048576\t1205490330\t0f2031425364758697a8b9cadbecfd0e\t"
            "6d804e99566139692ec97e56d80bda94\n");
}

TEST(History, TextReadsBackTheSameRecordsWhateverTheNamesHold) {
  // Invalid UTF-8 bytes as the platform holds them: lone surrogates U+DC80..U+DCFF.
  const std::u16string notUtf8 = platform::FromUtf8("clip\xff\xc3(");
  ASSERT_NE(notUtf8, u"clip");
  std::vector<HistoryRecord> records = {
      Record(u"a b/100%.M2T", u"tab\there, line\nend, cr\r, back\\slash, 100%"),
      Record(u"Vid\u00e9os/\u65e5\u672c/\U0001F3A5.M2T", u"\u65e5\u672c\U0001F3A5"),
      Record(notUtf8 + u"/x\\y.M2T", notUtf8),
      Record(u"empty-clip.M2T", u""),
      Record(u"%25%2F.M2T", u"%0A"),  // escapes in the name itself stay text
  };
  HistoryRecord adopted = Record(u"adopted.DV");
  adopted.adopted = true;
  adopted.chunks = {{u"DVF/001DVF/DVC0001.DV", 12000000, -2208988800, std::nullopt},
                    {u"DVF/001DVF/DVC0002.DV", 0, 253402300799, std::nullopt}};
  records.push_back(adopted);
  HistoryRecord extremes = Record(u"extremes.M2T");
  extremes.size = std::numeric_limits<std::int64_t>::max();
  extremes.imported = 0;
  extremes.chunks.clear();
  records.push_back(extremes);

  const std::string text = HistoryText(records);
  const HistoryRead read = ParseHistory(text);
  EXPECT_FALSE(read.error);
  EXPECT_EQ(read.damaged, 0u);
  EXPECT_EQ(read.records, records);
  // One record a line: no name broke out of its field.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<std::ptrdiff_t>(records.size() + 1));
  // UTF-8 throughout: no byte of it reads as one that is not.
  const std::u16string wide = platform::FromUtf8(text);
  EXPECT_TRUE(std::none_of(wide.begin(), wide.end(), [](char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }));
}

TEST(History, ACutOrAlteredLineIsSkippedAndCountedAndTheOthersRead) {
  const std::vector<HistoryRecord> records = {Record(u"A.M2T"), Record(u"B.M2T"), Record(u"C.M2T")};
  const std::string text = HistoryText(records);
  const std::size_t middle = text.find("imported\tB");
  const std::size_t last = text.find("imported\tC");

  // Cut anywhere inside the last line, as a crash leaves an appended file.
  for (std::size_t end = last + 1; end + 1 < text.size(); ++end) {
    const HistoryRead read = ParseHistory(text.substr(0, end));
    EXPECT_EQ(read.damaged, 1u) << "cut at " << end;
    EXPECT_EQ(read.records, std::vector<HistoryRecord>(records.begin(), records.begin() + 2)) << "cut at " << end;
  }
  // Only the line end missing: the line is whole.
  EXPECT_EQ(ParseHistory(text.substr(0, text.size() - 1)).records, records);

  // Any one byte of the middle line altered, its line end aside.
  for (std::size_t at = middle; at < last - 1; ++at) {
    std::string altered = text;
    altered[at] = static_cast<char>(altered[at] ^ 0x01);
    const HistoryRead read = ParseHistory(altered);
    EXPECT_EQ(read.damaged, 1u) << "byte " << at;
    EXPECT_EQ(read.records, (std::vector<HistoryRecord>{records[0], records[2]})) << "byte " << at;
  }
}

TEST(History, ANewerVersionOrAnotherFileIsRefusedWhole) {
  const std::string line = HistoryText({Record(u"A.M2T")}).substr(sizeof kHeader - 1);
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"quillon-history 2\n" + line, "newer version of Quillon"},
      {"quillon-history 10\tmore\n", "newer version of Quillon"},
      {"quillon-history 99999999999999999999999999\n", "newer version of Quillon"},
      {"", "not a Quillon history"},
      {line, "not a Quillon history"},
      {"quillon-history\n" + line, "not a Quillon history"},
      {"quillon-history 01\n" + line, "not a Quillon history"},
      {"quillon-history 1 \n" + line, "not a Quillon history"},
      {"Quillon-History 1\n" + line, "not a Quillon history"},
      {"\x7f" "ELF\x02\x01\x01", "not a Quillon history"},
  };
  for (const auto& c : cases) {
    const HistoryRead read = ParseHistory(c.text);
    ASSERT_TRUE(read.error) << c.text;
    EXPECT_NE(read.error->find(c.error), std::string::npos) << *read.error;
    EXPECT_TRUE(read.records.empty()) << c.text;
  }
}

TEST(History, HeadersAsEditorsSaveThemRead) {
  const std::string line = HistoryText({Record(u"A.M2T")}).substr(sizeof kHeader - 1);
  for (const std::string& text : {"\xEF\xBB\xBF" + std::string(kHeader) + line,
                                  "quillon-history 1\r\n" + line.substr(0, line.size() - 1) + "\r\n",
                                  std::string("quillon-history 1"), kHeader + std::string("\n\n") + line}) {
    const HistoryRead read = ParseHistory(text);
    EXPECT_FALSE(read.error) << text;
    EXPECT_EQ(read.damaged, 0u) << text;
  }
}

TEST(History, HostileLinesAreSkippedAndCounted) {
  const std::string hash = "00112233445566778899aabbccddeeff";
  // The fields of a good record, each case bending one.
  const auto body = [&](const std::string& output, const std::string& size, const std::string& digest,
                        const std::string& time, const std::string& chunks) {
    return "imported\t" + output + "\t" + size + "\t" + digest + "\t" + time + "\tclip" + chunks;
  };
  const std::string chunk = "\tHDVF/001HDVF/HDV0001.M2T\t10\t1205490330\t" + hash;
  const std::string good = body("A.M2T", "10", hash, "1715000000", chunk);
  ASSERT_EQ(ParseHistory(kHeader + Signed(good)).records.size(), 1u) << "the cases bend a line that reads";

  const std::string cases[] = {
      body("/etc/passwd", "10", hash, "1715000000", chunk),               // outside the folder
      body("%2E%2E/x", "10", hash, "1715000000", chunk),                  // ".." escaped
      body("A.M2T", "10", hash, "1715000000", "\t../../x\t10\t1\t" + hash),  // a chunk outside the unit
      body("A.M2T", "9223372036854775808", hash, "1715000000", chunk),   // 2^63
      body("A.M2T", "99999999999999999999999999", hash, "1715000000", chunk),
      body("A.M2T", "010", hash, "1715000000", chunk),
      body("A.M2T", "+10", hash, "1715000000", chunk),
      body("A.M2T", "-10", hash, "1715000000", chunk),
      body("A.M2T", "", hash, "1715000000", chunk),
      body("A.M2T", "10", hash, "253402300800", chunk),  // after 9999
      body("A.M2T", "10", hash, "-2208988801", chunk),   // before 1900
      body("A.M2T", "10", hash, "-0", chunk),
      body("A.M2T", "10", hash, "-9223372036854775808", chunk),
      body("A.M2T", "10", hash.substr(1), "1715000000", chunk),
      body("A.M2T", "10", "00112233445566778899AABBCCDDEEFF", "1715000000", chunk),
      body("A.M2T", "10", hash, "1715000000", chunk + "\textra"),
      body("A.M2T", "10", hash, "1715000000", "\tHDVF/x.M2T\t10\t1205490330\tnone"),
      body("A.M2T%G1", "10", hash, "1715000000", chunk),
      body("A.M2T%4", "10", hash, "1715000000", chunk),
      body("A.M2T", "10", hash, "1715000000", chunk).replace(good.find("clip"), 4, "cl\x01ip"),
      "imported\tA.M2T\t10\t" + hash + "\t1715000000",  // no clip
      "adopted",
  };
  for (const std::string& c : cases) {
    const HistoryRead read = ParseHistory(kHeader + Signed(good) + Signed(c) + Signed(good));
    EXPECT_EQ(read.damaged, 1u) << c;
    EXPECT_EQ(read.records.size(), 1u) << c;
  }
}

TEST(History, LinesOfKindsThisVersionDoesNotKnowAreKeptApart) {
  const std::string other = Signed("forgotten\tA.M2T\twhatever a later version adds");
  const HistoryRead read = ParseHistory(kHeader + other + HistoryText({Record(u"A.M2T")}).substr(sizeof kHeader - 1));
  EXPECT_EQ(read.damaged, 0u);
  EXPECT_EQ(read.records.size(), 1u);
  EXPECT_EQ(read.otherLines, std::vector<std::string>{other.substr(0, other.size() - 1)});
}

TEST(History, TheLaterRecordOfAnOutputCounts) {
  HistoryRecord newer = Record(u"A.M2T");
  newer.imported += 3600;
  const HistoryRead read = ParseHistory(HistoryText({Record(u"A.M2T"), Record(u"B.M2T"), newer}));
  EXPECT_EQ(read.records, (std::vector<HistoryRecord>{Record(u"B.M2T"), newer}));
}

TEST(History, PathsInsideTheFolder) {
  // "a\\b" is one Linux name, or a folder and a name on Windows: inside either way.
  const std::u16string_view inside[] = {u"A.M2T", u"HDVF/001HDVF/HDV0001.M2T", u".hidden", u"a..b/...", u"ab:c", u"a\\b"};
  const std::u16string_view outside[] = {u"", u"/abs", u"\\abs", u"C:/x", u"c:x", u"c:", u"..", u"a/../b", u"a\\..\\b", u".",
                                         u"a/./b", u"a//b", u"a/", u"a\\\\b", u"a\nb", u"a\x7f", std::u16string_view(u"a\0b", 3)};
  for (std::u16string_view path : inside) EXPECT_TRUE(IsHistoryPath(path)) << platform::ToUtf8(path);
  for (std::u16string_view path : outside) EXPECT_FALSE(IsHistoryPath(path)) << platform::ToUtf8(path);
}

TEST(History, SameUnitTime) {
  constexpr std::int64_t t = 1205490330;
  constexpr std::int64_t kMinute = 60;
  constexpr std::int64_t kHour = 3600;
  for (std::int64_t apart : {std::int64_t{0}, 30 * kMinute, kHour, 5 * kHour + 30 * kMinute, 24 * kHour}) {
    EXPECT_TRUE(SameUnitTime(t, t + apart)) << apart;
    EXPECT_TRUE(SameUnitTime(t, t - apart)) << -apart;
  }
  // FAT's two seconds are not a zone's.
  for (std::int64_t apart : {24 * kHour + 30 * kMinute, 17 * kMinute, std::int64_t{1}, std::int64_t{2}}) {
    EXPECT_FALSE(SameUnitTime(t, t + apart)) << apart;
    EXPECT_FALSE(SameUnitTime(t, t - apart)) << -apart;
  }
  EXPECT_FALSE(SameUnitTime(std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()));
}

// A destination folder with its history, through the file service in use.
class HistoryFile : public ::testing::Test {
 protected:
  std::unique_ptr<platform::Folder> Open() {
    auto folder = platform::Files().OpenFolder(dir_.U16());
    EXPECT_TRUE(folder);
    return folder;
  }
  std::filesystem::path File() const { return dir_.Path() / ".quillon-history"; }
  std::string Text() const {
    const auto bytes = testsupport::ReadFile(File());
    return std::string(bytes.begin(), bytes.end());
  }
  void Put(std::string_view text) const { testsupport::WriteFile(File(), text); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) names.push_back(entry.path().filename().string());
    return names;
  }
  bool Add(const std::vector<HistoryRecord>& records, std::string& error) {
    const auto folder = Open();
    return folder && AddToHistory(*folder, records, error);
  }

  TempDir dir_;
};

TEST_F(HistoryFile, AddCreatesAddsAndReplacesTheRecordOfTheSameOutput) {
  {
    const auto folder = Open();
    const HistoryRead none = LoadHistory(*folder);
    EXPECT_FALSE(none.error);
    EXPECT_TRUE(none.records.empty());
  }
  std::string error;
  ASSERT_TRUE(Add({Record(u"A.M2T")}, error)) << error;
  EXPECT_EQ(Text(), HistoryText({Record(u"A.M2T")}));

  HistoryRecord again = Record(u"A.M2T");
  again.imported += 86400;
  ASSERT_TRUE(Add({Record(u"B.M2T"), again}, error)) << error;
  EXPECT_EQ(Text(), HistoryText({Record(u"B.M2T"), again}));
  EXPECT_EQ(Entries(), std::vector<std::string>{".quillon-history"}) << "no temporary file left";
}

TEST_F(HistoryFile, AddDropsDamagedLinesAndKeepsLinesOfOtherKinds) {
  const std::string other = Signed("forgotten\tA.M2T");
  const std::string a = HistoryText({Record(u"A.M2T")}).substr(sizeof kHeader - 1);
  Put(kHeader + other + a.substr(0, a.size() / 2) + "\n" + a);
  std::string error;
  ASSERT_TRUE(Add({Record(u"B.M2T")}, error)) << error;
  EXPECT_EQ(Text(), HistoryText({Record(u"A.M2T"), Record(u"B.M2T")}, {other.substr(0, other.size() - 1)}));
}

TEST_F(HistoryFile, AddLeavesANewerOrForeignFileAlone) {
  for (const std::string text : {"quillon-history 2\nwhatever version 2 holds\n", "my notes\n"}) {
    Put(text);
    std::string error;
    EXPECT_FALSE(Add({Record(u"A.M2T")}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Text(), text);
  }
}

TEST_F(HistoryFile, AddRefusesARecordThatWouldNotReadBack) {
  Put(HistoryText({Record(u"A.M2T")}));
  HistoryRecord outside = Record(u"../B.M2T");
  HistoryRecord late = Record(u"C.M2T");
  late.imported = kMaxHistoryTime + 1;
  HistoryRecord noName = Record(u"D.M2T", std::u16string(1, u'\xD800'));  // no bytes hold a lone high surrogate
  for (const HistoryRecord& r : {outside, late, noName}) {
    std::string error;
    EXPECT_FALSE(Add({Record(u"E.M2T"), r}, error)) << platform::ToUtf8(r.output);
    EXPECT_NE(error.find("cannot hold"), std::string::npos) << error;
    EXPECT_EQ(Text(), HistoryText({Record(u"A.M2T")}));
  }
}

TEST_F(HistoryFile, AFailedRenameLeavesTheOldFileAndSaysWhy) {
  Put(HistoryText({Record(u"A.M2T")}));
  FaultyFileSystem faulty;
  faulty.FailNth(FileOp::Commit, 1, u".quillon-history");
  platform::ScopedFileSystem use(faulty);
  std::string error;
  EXPECT_FALSE(Add({Record(u"B.M2T")}, error));
  EXPECT_EQ(error, platform::ErrorText(EIO));
  EXPECT_EQ(Text(), HistoryText({Record(u"A.M2T")}));
  EXPECT_EQ(Entries(), std::vector<std::string>{".quillon-history"}) << "no temporary file left";
}

TEST_F(HistoryFile, TheFileIsTheOldTextUntilTheRenameAndTheNewOneAfter) {
  const std::string old = HistoryText({Record(u"A.M2T")});
  Put(old);
  FaultyFileSystem faulty;
  int looked = 0;
  // A kill at any of these steps leaves what the file holds as the step begins.
  for (FileOp op : {FileOp::Write, FileOp::Sync, FileOp::Commit}) {
    faulty.OnNth(op, 1, [&] {
      EXPECT_EQ(Text(), old);
      ++looked;
    });
  }
  platform::ScopedFileSystem use(faulty);
  std::string error;
  ASSERT_TRUE(Add({Record(u"B.M2T")}, error)) << error;
  EXPECT_EQ(looked, 3);
  EXPECT_EQ(Text(), HistoryText({Record(u"A.M2T"), Record(u"B.M2T")}));
}

TEST_F(HistoryFile, LoadRefusesAFileLargerThanItsLimit) {
  // A history of blank lines, which would read without the limit.
  Put(kHeader + std::string(kMaxHistorySize + 1 - (sizeof kHeader - 1), '\n'));
  const auto folder = Open();
  const HistoryRead read = LoadHistory(*folder);
  ASSERT_TRUE(read.error);
  EXPECT_NE(read.error->find("larger than 64 MiB"), std::string::npos) << *read.error;
}

#ifndef _WIN32
TEST_F(HistoryFile, LoadRefusesALinkUnderTheName) {
  // Read through the link but written over it, the history would split in two.
  TempDir elsewhere;
  testsupport::WriteFile(elsewhere.Path() / "history", HistoryText({Record(u"A.M2T")}));
  std::filesystem::create_symlink(elsewhere.Path() / "history", File());
  const auto folder = Open();
  const HistoryRead read = LoadHistory(*folder);
  EXPECT_TRUE(read.error);
  EXPECT_TRUE(read.records.empty());
}
#endif

}  // namespace
}  // namespace quillon
