// The ASC MHL history: C4 ids, the readers of a chain and a manifest over hostile text, the
// generations as written (checked against the ASC's schemas and verified by its reference tool),
// and histories that are damaged or whose writing fails.
#include "import/AscMhl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>

#include "platform/ContentHash.h"
#include "platform/HostName.h"
#include "platform/Sha512.h"
#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "version/Version.h"
#ifndef _WIN32
#include "support/AscMhlReference.h"
#include "support/Process.h"
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

constexpr std::int64_t kNow = 1717165394;  // 2024-05-31T14:23:14Z

std::string Text(const fs::path& path) {
  const auto bytes = testsupport::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string C4IdOf(std::string_view bytes) {
  platform::Sha512 sha;
  sha.Update(bytes.data(), bytes.size());
  return C4Id(sha.Digest().value());
}

// Writes a file into dir as an import would have placed it, and what its copy knew of it.
MhlFile Placed(const TempDir& dir, const std::string& name, std::string_view bytes, std::int64_t lastWrite = 0) {
  testsupport::WriteFile(dir.Path() / name, bytes);
  platform::ContentHash hash;
  hash.Update(bytes.data(), bytes.size());
  return {platform::FromUtf8(name), bytes.size(), lastWrite, hash.Digest()};
}

// The names in dir/ascmhl, sorted.
std::vector<std::string> HistoryNames(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Path() / "ascmhl")) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Add(const TempDir& dir, const std::vector<MhlFile>& files, std::string& error, std::int64_t now = kNow) {
  auto folder = platform::Files().OpenFolder(dir.U16());
  return folder && AddMhlGeneration(*folder, files, now, error);
}

void AddOk(const TempDir& dir, const std::vector<MhlFile>& files, std::int64_t now = kNow) {
  std::string error;
  ASSERT_TRUE(Add(dir, files, error, now)) << error;
}

// --- C4 ids --------------------------------------------------------------------------------

TEST(C4Id, OfDigestsIsPaddedBase58) {
  std::array<std::uint8_t, 64> digest{};
  EXPECT_EQ(C4Id(digest), "c4" + std::string(88, '1'));
  digest[63] = 57;
  EXPECT_EQ(C4Id(digest), "c4" + std::string(87, '1') + "z");
  digest[63] = 58;
  EXPECT_EQ(C4Id(digest), "c4" + std::string(86, '1') + "21");
}

// Values from the reference tool's hasher (ascmhl.hasher.hash_file(path, "c4")).
TEST(C4Id, OfFilesMatchesTheReferenceTool) {
  struct Case {
    std::string bytes;
    const char* c4;
  };
  for (const Case& c : {Case{"", "c459dsjfscH38cYeXXYogktxf4Cd9ibshE3BHUo6a58hBXmRQdZrAkZzsWcbWtDg5oQstpDuni4Hirj75GEmTc1sFT"},
                        Case{"hello", "c447Fm3BJZQ62765jMZJH4m28hrDM7Szbj9CUmj4F4gnvyDYXYz4WfnK2nYRhFvRgYEectEXYBYWLDpLo6XGNAfKdt"}}) {
    TempDir dir;
    testsupport::WriteFile(dir.Path() / "known", c.bytes);
    EXPECT_EQ(C4IdOf(Text(dir.Path() / "known")), c.c4);
  }
}

// --- Reading a chain -----------------------------------------------------------------------

constexpr char kC4A[] = "c44tjhqbdhy59oDH9vETfJwujAdPWbEB6jVFVsgCigbK6L4mauKd7QQ3U8nNvxg4vHEDeSbzL282QVHfk9hfMHYZtb";
constexpr char kC4B[] = "c45HvmmcXzMW53T8mW3mAejaA72KQTDJUm9bH2A4g77h6tBt24vRJQfY9MrzB3nqzgtXQFxZTAWRyaG98X16dXq1Am";

std::string Chain(std::string_view generations) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ascmhldirectory xmlns=\"urn:ASC:MHL:DIRECTORY:v2.0\">\n" +
         std::string(generations) + "</ascmhldirectory>\n";
}

std::string Generation(std::string_view attributes, std::string_view path, std::string_view c4) {
  return "  <hashlist" + std::string(attributes) + ">\n    <path>" + std::string(path) + "</path>\n    <c4>" +
         std::string(c4) + "</c4>\n  </hashlist>\n";
}

TEST(MhlChain, ReadsWhatTheReferenceToolAndOthersWrite) {
  const std::vector<MhlChainEntry> two{{1, "0001_Sample_2026-12-10_182853Z.mhl", kC4A},
                                       {2, "0002_Sample_2026-12-11_090000Z.mhl", kC4B}};
  const std::string reference = Chain(Generation(" sequencenr=\"1\"", two[0].name, kC4A) +
                                      Generation(" sequencenr=\"2\"", two[1].name, kC4B));
  struct Case {
    const char* what;
    std::string text;
    std::vector<MhlChainEntry> entries;
  };
  std::string crlf;
  for (const char c : reference) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const Case cases[] = {
      {"as written", reference, two},
      {"its own text", MhlChainText(two), two},
      {"CRLF lines", crlf, two},
      {"a byte order mark and comments", "\xEF\xBB\xBF" + reference.substr(0, 39) + "<!-- a -->" + reference.substr(39) + "<!-- end -->", two},
      {"a prefix, quotes, references, CDATA",
       "<d:ascmhldirectory xmlns:d='urn:ASC:MHL:DIRECTORY:v2.0'><d:hashlist sequencenr=' 1 '><d:path>&#48;001_<![CDATA[a&b]]>.mhl</d:path>"
       "<d:c4>" + std::string(kC4A) + "</d:c4></d:hashlist></d:ascmhldirectory>",
       {{1, "0001_a&b.mhl", kC4A}}},
      {"no sequence number", Chain(Generation("", "x.mhl", kC4A)), {{std::nullopt, "x.mhl", kC4A}}},
      {"no generation", Chain(""), {}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto entries = ReadMhlChain(c.text, error);
    ASSERT_TRUE(entries) << c.what << ": " << error;
    EXPECT_EQ(*entries, c.entries) << c.what;
  }
}

TEST(MhlChain, RefusesWhatIsNoChain) {
  const std::string good = Generation(" sequencenr=\"1\"", "0001_a.mhl", kC4A);
  struct Case {
    std::string text;
    const char* because;
  };
  const Case cases[] = {
      {"", "ends early"},
      {Chain(good).substr(0, 120), "ends early"},
      {"<hashlist version=\"2.0\"/>", "root element is <hashlist>"},
      {Chain(good + "<other/>"), "<other> among the generations"},
      {Chain("<hashlist><path>a.mhl</path></hashlist>"), "without its path or its c4"},
      {Chain("<hashlist><path>a.mhl</path><path>b.mhl</path><c4/></hashlist>"), "<path> in a generation"},
      {Chain(Generation("", "a.mhl", std::string(kC4A).substr(0, 89))), "a c4 id"},
      {Chain(Generation("", "a.mhl", "c40" + std::string(kC4A).substr(3))), "a c4 id"},
      {Chain(Generation("", "../a.mhl", kC4A)), "a manifest named"},
      {Chain(Generation("", "", kC4A)), "a manifest named"},
      {Chain(Generation(" sequencenr=\"x1\"", "a.mhl", kC4A)), "sequence number"},
      {Chain(Generation(" sequencenr=\"99999999\"", "a.mhl", kC4A)), "sequence number"},
      {Chain(Generation(" sequencenr=\"1\" sequencenr=\"1\"", "a.mhl", kC4A)), "given twice"},
      {Chain("junk" + good), "text between"},
      {Chain(Generation("", "a<b>c</b>.mhl", kC4A)), "<b> inside <path>"},
      {"<!DOCTYPE x [<!ENTITY e \"a\">]>" + Chain(good), "document type"},
      {Chain(Generation("", "&e;.mhl", kC4A)), "entity"},
      {Chain(Generation("", "&#0;.mhl", kC4A)), "does not allow"},
      {Chain(Generation("", "&#x110000;.mhl", kC4A)), "does not allow"},
      {Chain(Generation("", "\xC0\xAF.mhl", kC4A)), "UTF-8"},
      {Chain(Generation("", "\x01.mhl", kC4A)), "UTF-8"},
      {Chain(Generation("", "a.mhl", kC4A)).replace(0, 38, "<?xml version=\"1.0\" encoding=\"latin1\"?>"), "UTF-8"},
      {"\n" + Chain(good), "does not come first"},
      {Chain(good) + "<ascmhldirectory/>", "a second root"},
      {Chain("<hashlist><path>a.mhl</c4></hashlist>"), "closes no open element"},
      {"<ascmhldirectory><hashlist><path", "tag without its end"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadMhlChain(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.because), std::string::npos) << c.text << "\n" << error;
  }
}

// --- Reading a manifest --------------------------------------------------------------------

// A generation of the reference tool (ascmhl create -h xxh128), with a directory hash added.
constexpr char kReferenceManifest[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<hashlist version="2.0" xmlns="urn:ASC:MHL:v2.0">
  <creatorinfo>
    <creationdate>2026-12-10T18:28:53+00:00</creationdate>
    <hostname>vm</hostname>
    <tool version="1.1">ascmhl</tool>
  </creatorinfo>
  <processinfo>
    <process>in-place</process>
    <roothash>
      <content>
        <xxh128 hashdate="2026-12-10T18:28:53.477179+00:00">7ab5cd93351ac84c376bb081f11d4aec</xxh128>
      </content>
      <structure>
        <xxh128 hashdate="2026-12-10T18:28:53.477179+00:00">63ff692e6dc1394c7b06274dd3b47adf</xxh128>
      </structure>
    </roothash>
    <ignore>
      <pattern>.DS_Store</pattern>
      <pattern>ascmhl</pattern>
      <pattern>ascmhl/</pattern>
    </ignore>
  </processinfo>
  <hashes>
    <hash>
      <path size="5" lastmodificationdate="2026-12-10T18:28:22+00:00">a.m2t</path>
      <xxh128 action="original" hashdate="2026-12-10T18:28:53.476939+00:00">b5e9c1ad071b3e7fc779cfaa5e523818</xxh128>
    </hash>
    <hash>
      <path size="6" lastmodificationdate="2026-12-10T18:28:22+00:00">b.dv</path>
      <md5 action="original">0123456789abcdef0123456789abcdef</md5>
      <xxh128 action="verified">33D167DE115CCFEE02F61C0C874C21A6</xxh128>
    </hash>
    <directoryhash>
      <path lastmodificationdate="2026-12-10T18:28:22+00:00">Clips/</path>
      <content><xxh128>7680e5f98f4a80fd7680e5f98f4a80fd</xxh128></content>
      <structure><xxh128>8f4a80fd7680e5f98f4a80fd7680e5f9</xxh128></structure>
      <metadata>test<foo bar="1">lorem</foo></metadata>
    </directoryhash>
  </hashes>
</hashlist>
)";

TEST(MhlManifest, ReadsTheHashesAndIgnorePatternsOfTheReferenceTool) {
  std::string error;
  const auto manifest = ReadMhlManifest(kReferenceManifest, error);
  ASSERT_TRUE(manifest) << error;
  EXPECT_EQ(manifest->ignore, (std::vector<std::string>{".DS_Store", "ascmhl", "ascmhl/"}));
  EXPECT_EQ(manifest->hashes, (std::vector<MhlRecordedHash>{{"a.m2t", true, "b5e9c1ad071b3e7fc779cfaa5e523818"},
                                                            {"b.dv", true, "33d167de115ccfee02f61c0c874c21a6"}}));
}

TEST(MhlManifest, RefusesWhatIsNoManifest) {
  const auto hashes = [](std::string_view inside) {
    return "<hashlist version=\"2.0\"><hashes>" + std::string(inside) + "</hashes></hashlist>";
  };
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += "<m>";
  struct Case {
    std::string text;
    const char* because;
  };
  const Case cases[] = {
      {Chain(""), "root element is <ascmhldirectory>"},
      {hashes("<hash><xxh128>00000000000000000000000000000000</xxh128></hash>"), "without its path"},
      {hashes("<hash><path>a</path><path>b</path></hash>"), "two paths"},
      {hashes("<hash><path>a<b/></path></hash>"), "<b> inside <path>"},
      {hashes("<hash><path>a</path><xxh128>xyz</xxh128></hash>"), "an xxh128 hash"},
      {"<hashlist><metadata>" + deep, "nested too deep"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadMhlManifest(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.because), std::string::npos) << c.text << "\n" << error;
  }
}

// --- Writing generations -------------------------------------------------------------------

TEST(AscMhl, WritesAManifestAndAChainThatListsItByItsC4Id) {
  TempDir dir;
  const std::vector<MhlFile> files{Placed(dir, "A&B 0001.m2t", "hello", 1717156800),
                                   Placed(dir, "b.dv", "", -1),
                                   Placed(dir, "c.avi", "x", std::numeric_limits<std::int64_t>::max())};
  AddOk(dir, files);

  const std::string name = "0001_" + dir.Path().filename().string() + "_2024-05-31_142314Z.mhl";
  ASSERT_EQ(HistoryNames(dir), (std::vector<std::string>{name, "ascmhl_chain.xml"}));
  const std::string manifest = Text(dir.Path() / "ascmhl" / name);
  const std::string host = platform::ToUtf8(platform::HostName());
  std::string tag;
  for (int i = 0; i < 8; ++i) tag += "[0-9a-z]";
  EXPECT_EQ(manifest,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<hashlist version=\"2.0\" xmlns=\"urn:ASC:MHL:v2.0\">\n"
            "  <creatorinfo>\n"
            "    <creationdate>2024-05-31T14:23:14+00:00</creationdate>\n"
            "    <hostname>" + host + "</hostname>\n"
            "    <tool version=\"" + std::string(kVersion) + "\">Quillon</tool>\n"
            "  </creatorinfo>\n"
            "  <processinfo>\n"
            "    <process>transfer</process>\n"
            "    <ignore>\n"
            "      <pattern>.DS_Store</pattern>\n"
            "      <pattern>ascmhl</pattern>\n"
            "      <pattern>ascmhl/</pattern>\n"
            "      <pattern>.quillon-history</pattern>\n"
            "      <pattern>.*." + tag + ".quillon-part</pattern>\n"
            "    </ignore>\n"
            "  </processinfo>\n"
            "  <hashes>\n"
            "    <hash>\n"
            "      <path size=\"5\" lastmodificationdate=\"2024-05-31T12:00:00+00:00\">A&amp;B 0001.m2t</path>\n"
            "      <xxh128 action=\"original\">b5e9c1ad071b3e7fc779cfaa5e523818</xxh128>\n"
            "    </hash>\n"
            "    <hash>\n"
            "      <path size=\"0\" lastmodificationdate=\"1969-12-31T23:59:59+00:00\">b.dv</path>\n"
            "      <xxh128 action=\"original\">99aa06d3014798d86001c324468d497f</xxh128>\n"
            "    </hash>\n"
            "    <hash>\n"
            "      <path size=\"1\">c.avi</path>\n"
            "      <xxh128 action=\"original\">5c7401c0ec22eeeeeaf06c6480b2cd11</xxh128>\n"
            "    </hash>\n"
            "  </hashes>\n"
            "</hashlist>\n");
  EXPECT_EQ(Text(dir.Path() / "ascmhl" / "ascmhl_chain.xml"), MhlChainText({{1, name, C4IdOf(manifest)}}));
}

TEST(AscMhl, AReimportedPathIsVerifiedOrFailedAgainstItsFirstHash) {
  struct Case {
    const char* second;
    const char* action;
  };
  for (const Case& c : {Case{"hello", "verified"}, Case{"hullo", "failed"}}) {
    TempDir dir;
    AddOk(dir, {Placed(dir, "a.m2t", "hello")});
    AddOk(dir, {Placed(dir, "a.m2t", c.second), Placed(dir, "b.m2t", "b")}, kNow + 60);
    const auto names = HistoryNames(dir);
    ASSERT_EQ(names.size(), 3u);
    ASSERT_TRUE(names[1].starts_with("0002_")) << names[1];
    const std::string second = Text(dir.Path() / "ascmhl" / names[1]);
    EXPECT_NE(second.find(std::string("<xxh128 action=\"") + c.action + "\">"), std::string::npos) << second;
    EXPECT_NE(second.find("<xxh128 action=\"original\">"), std::string::npos) << second;  // b.m2t
    std::string error;
    const auto chain = ReadMhlChain(Text(dir.Path() / "ascmhl" / "ascmhl_chain.xml"), error);
    ASSERT_TRUE(chain) << error;
    EXPECT_EQ(*chain, (std::vector<MhlChainEntry>{{1, names[0], C4IdOf(Text(dir.Path() / "ascmhl" / names[0]))},
                                                  {2, names[1], C4IdOf(second)}}));
  }
}

// A run that stopped between its manifest and its chain leaves a manifest the chain misses: its
// number is not taken again.
TEST(AscMhl, NumbersPastManifestsThatTheChainMisses) {
  TempDir dir;
  AddOk(dir, {Placed(dir, "a.m2t", "a")});
  fs::remove(dir.Path() / "ascmhl" / "ascmhl_chain.xml");
  AddOk(dir, {Placed(dir, "b.m2t", "b")});
  const auto names = HistoryNames(dir);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_TRUE(names[0].starts_with("0001_") && names[1].starts_with("0002_")) << names[0] << " " << names[1];
  EXPECT_EQ(Text(dir.Path() / "ascmhl" / "ascmhl_chain.xml"),
            MhlChainText({{2, names[1], C4IdOf(Text(dir.Path() / "ascmhl" / names[1]))}}));
}

TEST(AscMhl, RefusesNamesThatAManifestCannotListBeforeWritingAnything) {
  for (const std::u16string& path : {std::u16string(u""), std::u16string(u"/a.m2t"), std::u16string(u"a//b.m2t"),
                                     std::u16string(u"../a.m2t"), std::u16string(u"./a.m2t"), std::u16string(u"a/"),
                                     std::u16string(u"a\x01.m2t"), std::u16string(u"a\xDC80.m2t")}) {
    TempDir dir;
    MhlFile file;
    file.path = path;
    std::string error;
    EXPECT_FALSE(Add(dir, {file}, error));
    EXPECT_NE(error.find("cannot list"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.Path() / "ascmhl"));
  }
  TempDir dir;
  std::string error;
  EXPECT_TRUE(Add(dir, {}, error)) << error;
  EXPECT_FALSE(fs::exists(dir.Path() / "ascmhl"));
}

// Every file and link under dir, with its bytes or its target.
std::map<std::string, std::string> Snapshot(const TempDir& dir) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(dir.Path()); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), dir.Path()).generic_string();
    if (it->is_symlink()) entries[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file()) entries[name] = Text(it->path());
    else entries[name] = "(folder)";
  }
  return entries;
}

TEST(AscMhl, ADamagedHistoryIsAnErrorAndStaysAsItWas) {
  using Damage = std::function<void(const fs::path& history, const fs::path& manifest)>;
  struct Case {
    const char* what;
    Damage damage;
    const char* because;
  };
  const auto rewrite = [](const fs::path& path, const std::function<std::string(std::string)>& change) {
    testsupport::WriteFile(path, change(Text(path)));
  };
  const Case cases[] = {
      {"garbage for a chain",
       [](const fs::path& h, const fs::path&) { testsupport::WriteFile(h / "ascmhl_chain.xml", std::string("\0\xFF\x13rubbish", 10)); },
       "cannot read ascmhl/ascmhl_chain.xml: not an ASC MHL chain: it is not UTF-8"},
      {"a chain cut short",
       [&](const fs::path& h, const fs::path&) { rewrite(h / "ascmhl_chain.xml", [](std::string t) { return t.substr(0, t.size() / 2); }); },
       "ends early"},
      {"a manifest for a chain",
       [](const fs::path& h, const fs::path& m) { testsupport::WriteFile(h / "ascmhl_chain.xml", Text(m)); },
       "its root element is <hashlist>"},
      {"a manifest missing", [](const fs::path&, const fs::path& m) { fs::remove(m); }, "which is missing"},
      {"a manifest altered",
       [&](const fs::path&, const fs::path& m) { rewrite(m, [](std::string t) { return t + " "; }); },
       "was altered"},
      {"a manifest outside the chain damaged",
       [](const fs::path& h, const fs::path&) { testsupport::WriteFile(h / "0007_x.mhl", "<hashlist><hashes>"); },
       "cannot read ascmhl/0007_x.mhl: not an ASC MHL manifest"},
#ifndef _WIN32
      {"a chain that is a link",
       [](const fs::path& h, const fs::path&) {
         fs::rename(h / "ascmhl_chain.xml", h.parent_path() / "chain.xml");
         fs::create_symlink(h.parent_path() / "chain.xml", h / "ascmhl_chain.xml");
       },
       "no plain file"},
      {"ascmhl a link to another folder",
       [](const fs::path& h, const fs::path&) {
         fs::rename(h, h.parent_path() / "elsewhere");
         fs::create_directory_symlink(h.parent_path() / "elsewhere", h);
       },
       "cannot open or make the folder ascmhl"},
#endif
  };
  for (const Case& c : cases) {
    TempDir dir;
    AddOk(dir, {Placed(dir, "a.m2t", "a")});
    const MhlFile b = Placed(dir, "b.m2t", "b");
    c.damage(dir.Path() / "ascmhl", dir.Path() / "ascmhl" / HistoryNames(dir).front());
    const auto before = Snapshot(dir);
    std::string error;
    EXPECT_FALSE(Add(dir, {b}, error, kNow + 60)) << c.what;
    EXPECT_NE(error.find(c.because), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(Snapshot(dir), before) << c.what;
  }
}

TEST(AscMhl, AFailedWriteLeavesTheHistoryAsItWas) {
  using testsupport::FileOp;
  struct Case {
    FileOp op;
    const char16_t* pathPart;
    const char* because;
  };
  const Case cases[] = {
      {FileOp::Commit, u"ascmhl_chain.xml", "cannot write ascmhl/ascmhl_chain.xml"},
      {FileOp::Sync, u"ascmhl_chain.xml", "cannot write ascmhl/ascmhl_chain.xml"},
      {FileOp::Commit, u".mhl", "cannot write ascmhl/0002_"},
      {FileOp::Write, u".mhl", "cannot write ascmhl/0002_"},
      {FileOp::Create, u"ascmhl", "cannot open or make the folder ascmhl"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    AddOk(dir, {Placed(dir, "a.m2t", "a")});
    const MhlFile b = Placed(dir, "b.m2t", "b");
    const auto before = Snapshot(dir);
    testsupport::FaultyFileSystem faulty;
    platform::ScopedFileSystem scope(faulty);
    faulty.FailAlways(c.op, c.pathPart);
    auto folder = faulty.OpenFolder(dir.U16());
    ASSERT_TRUE(folder);
    std::string error;
    EXPECT_FALSE(AddMhlGeneration(*folder, {b}, kNow + 60, error)) << c.because;
    EXPECT_NE(error.find(c.because), std::string::npos) << error;
    EXPECT_EQ(Snapshot(dir), before) << c.because;
  }
}

// --- The ASC's schemas and reference tool ----------------------------------------------------

#ifdef QUILLON_ASCMHL_REF
const fs::path kReferenceRun = testsupport::kAscMhlReference;
using testsupport::AscMhlReferenceMissing;
using testsupport::AscMhlReference;

TEST(AscMhl, GenerationsValidateAgainstTheAscSchemas) {
  const fs::path xsd = kReferenceRun.parent_path() / "xsd";
  if (!fs::exists(xsd / "ASCMHL.xsd")) GTEST_SKIP() << "the ASC's schemas are not at " << xsd;
  auto lint = testsupport::RunProcess({"/bin/sh", "-c", "command -v xmllint"});
  if (lint.exitCode != 0) GTEST_SKIP() << "xmllint is not installed (Debian: libxml2-utils)";
  lint.out.erase(lint.out.find_last_not_of("\n") + 1);
  const auto validate = [&](const fs::path& file, const char* schema) {
    return testsupport::RunProcess({lint.out, "--noout", "--nonet", "--schema", (xsd / schema).string(), file.string()});
  };
  TempDir dir;
  AddOk(dir, {Placed(dir, "a.m2t", "a"), Placed(dir, "b.m2t", "b")});
  AddOk(dir, {Placed(dir, "a.m2t", "a"), Placed(dir, "c.m2t", "c")}, kNow + 60);
  for (const std::string& name : HistoryNames(dir)) {
    const bool chain = name == "ascmhl_chain.xml";
    const auto result = validate(dir.Path() / "ascmhl" / name, chain ? "ASCMHLDirectory__combined.xsd" : "ASCMHL.xsd");
    EXPECT_EQ(result.exitCode, 0) << name << "\n" << result.err;
  }
  // The schema refuses what it should: a process the format does not know.
  const fs::path first = dir.Path() / "ascmhl" / HistoryNames(dir).front();
  std::string wrong = Text(first);
  wrong.replace(wrong.find("transfer"), 8, "copy");
  testsupport::WriteFile(dir.Path() / "wrong.mhl", wrong);
  EXPECT_NE(validate(dir.Path() / "wrong.mhl", "ASCMHL.xsd").exitCode, 0);
}

TEST(AscMhl, TheReferenceToolVerifiesEachGenerationAndFindsWhatChanged) {
  if (const auto missing = AscMhlReferenceMissing()) GTEST_SKIP() << *missing;
  TempDir dir;
  const std::string folder = dir.Path().string();
  const auto verify = [&] {
    const auto result = AscMhlReference({"ascmhl-debug", "verify", folder});
    return result.exitCode;
  };
  AddOk(dir, {Placed(dir, "a.m2t", "first clip"), Placed(dir, "b.dv", "second clip")});
  EXPECT_EQ(verify(), 0);
  // Quillon's own files, and those the tool leaves out by default, stand beside the imports.
  testsupport::WriteFile(dir.Path() / ".quillon-history", "x");
  testsupport::WriteFile(dir.Path() / ".c.m2t.0a1b2c3z.quillon-part", "part");
  testsupport::WriteFile(dir.Path() / ".DS_Store", "x");
  AddOk(dir, {Placed(dir, "c.m2t", "third clip")}, kNow + 60);
  EXPECT_EQ(verify(), 0);
  // A file that no generation lists (21), one byte of a copy changed (11).
  testsupport::WriteFile(dir.Path() / "notes.txt", "x");
  EXPECT_EQ(verify(), 21);
  fs::remove(dir.Path() / "notes.txt");
  testsupport::WriteFile(dir.Path() / "a.m2t", "first clap");
  EXPECT_EQ(verify(), 11);
}

// The reference tool's generations and ours, one on the other: its ignore patterns carried on,
// its hashes verified against.
TEST(AscMhl, GenerationsFollowAndPrecedeThoseOfTheReferenceTool) {
  if (const auto missing = AscMhlReferenceMissing()) GTEST_SKIP() << *missing;
  TempDir dir;
  const std::string folder = dir.Path().string();
  testsupport::WriteFile(dir.Path() / "notes.txt", "left out by the first generation");
  const MhlFile a = Placed(dir, "a.m2t", "first clip");
  auto result = AscMhlReference({"ascmhl", "create", folder, "-h", "xxh128", "-i", "*.txt"});
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

  AddOk(dir, {a, Placed(dir, "b.m2t", "second clip")});
  auto names = HistoryNames(dir);
  ASSERT_EQ(names.size(), 3u);
  ASSERT_TRUE(names[1].starts_with("0002_")) << names[1];
  const std::string ours = Text(dir.Path() / "ascmhl" / names[1]);
  EXPECT_NE(ours.find("<pattern>*.txt</pattern>"), std::string::npos) << ours;
  EXPECT_NE(ours.find("<xxh128 action=\"verified\">"), std::string::npos) << ours;
  result = AscMhlReference({"ascmhl-debug", "verify", folder});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;

  result = AscMhlReference({"ascmhl", "create", folder, "-h", "xxh128"});
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  AddOk(dir, {Placed(dir, "c.m2t", "third clip")}, kNow + 60);
  names = HistoryNames(dir);
  ASSERT_EQ(names.size(), 5u);
  EXPECT_TRUE(names[3].starts_with("0004_")) << names[3];
  result = AscMhlReference({"ascmhl-debug", "verify", folder});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
}
#endif

}  // namespace
}  // namespace quillon
