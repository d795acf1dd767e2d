// What the Windows file system adds to the platform's file services: long paths, the hidden
// attribute, replacing through an open handle, sharing as the sign of a live writer, a folder
// held in place.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon::platform {
namespace {

using Bytes = std::vector<unsigned char>;

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// For messages: ASCII as it is, anything else as '?'.
std::string Narrow(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// Test helpers reach files by the \\?\ form, so they work at any length.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

void PutFile(const std::wstring& path, const Bytes& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  const HANDLE file = ::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create the test file";
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size());
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes ReadAll(const std::wstring& path) {
  Bytes bytes;
  const HANDLE file = ::CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  unsigned char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  ::CloseHandle(file);
  return bytes;
}

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(Long(path).c_str()); }
bool Exists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

// A symbolic link, or false where the system refuses it (no privilege, no developer mode) or
// does not really make one.
bool MakeLink(const std::wstring& link, const std::wstring& target, bool folder) {
  const DWORD kind = folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  if (!::CreateSymbolicLinkW(link.c_str(), target.c_str(), kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
      !::CreateSymbolicLinkW(link.c_str(), target.c_str(), kind)) {
    return false;
  }
  const DWORD attributes = Attributes(link);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(Long(path).c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data{};
    const HANDLE search = ::FindFirstFileW(Long(path + L"\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (::FindNextFileW(search, &data));
      ::FindClose(search);
    }
  }
  ::RemoveDirectoryW(Long(path).c_str());
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
    std::wstring root(base, n);
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    std::mt19937 random{std::random_device{}()};
    do path_ = root + L"\\quillon-" + std::to_wstring(random());
    while (!::CreateDirectoryW(path_.c_str(), nullptr));
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring Path(const std::wstring& relative) const { return path_ + L"\\" + relative; }
  std::u16string U(const std::wstring& relative = {}) const { return U16(relative.empty() ? path_ : Path(relative)); }

 private:
  std::wstring path_;
};

std::vector<std::u16string> SortedNames(const std::vector<DirEntry>& entries) {
  std::vector<std::u16string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Writes bytes through an output and puts it in place.
void Commit(const std::u16string& folder, const std::u16string& name, const Bytes& bytes) {
  auto out = NativeFiles().CreateOutput(folder, name);
  ASSERT_NE(out, nullptr) << ErrorText(LastError());
  ASSERT_EQ(out->Write(bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
  ASSERT_TRUE(out->Sync());
  ASSERT_TRUE(out->Commit()) << ErrorText(LastError());
}

TEST(Win32FileSystem, PathsBeyondMaxPathAreWrittenReadListedAndRemoved) {
  TempFolder dir;
  std::wstring deep = dir.Path();
  while (deep.size() < 300) {
    deep += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(::CreateDirectoryW(Long(deep).c_str(), nullptr));
  }
  const Bytes bytes = Text("a long way down");
  // The domain's paths are plain text: the file services alone must reach that far.
  for (const wchar_t separator : {L'\\', L'/'}) {
    SCOPED_TRACE(separator == L'/' ? "forward slashes" : "backslashes");
    std::wstring folder = deep;
    std::replace(folder.begin() + 3, folder.end(), L'\\', separator);
    Commit(U16(folder), u"A.M2T", bytes);
    const std::u16string file = U16(folder) + u"\\A.M2T";
    ASSERT_GT(file.size(), 300u);
    auto in = NativeFiles().OpenRead(file);
    ASSERT_NE(in, nullptr) << ErrorText(LastError());
    Bytes back(64);
    EXPECT_EQ(in->ReadFully(back.data(), back.size()), static_cast<std::int64_t>(bytes.size()));
    in.reset();
    EXPECT_EQ(NativeFiles().Status(file)->size, bytes.size());
    EXPECT_EQ(SortedNames(NativeFiles().Find(U16(folder), u"*.m2t")), std::vector<std::u16string>{u"A.M2T"});
    EXPECT_FALSE(NativeFiles().Ancestry(U16(folder)).empty());
    EXPECT_TRUE(NativeFiles().Remove(file));
    EXPECT_FALSE(Exists(deep + L"\\A.M2T"));
  }
}

TEST(Win32FileSystem, FindTellsHiddenByTheAttributeAndMatchesLongNamesOnly) {
  TempFolder dir;
  PutFile(dir.Path(L"ABC0001.M2T"), Text("12345"));
  PutFile(dir.Path(L"ABC0002.M2T"), Text("1"), FILE_ATTRIBUTE_HIDDEN);
  PutFile(dir.Path(L".ABC0003.M2T"), Text("1"));
  // Its 8.3 name, where the volume makes one, ends in ".M2T": the system's own matching would
  // list it.
  PutFile(dir.Path(L"ABC0004.M2TS"), Text("1"));
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"sub.m2t").c_str(), nullptr));
  const auto found = NativeFiles().Find(dir.U(), u"*.M2T");
  ASSERT_EQ(SortedNames(found),
            (std::vector<std::u16string>{u".ABC0003.M2T", u"ABC0001.M2T", u"ABC0002.M2T", u"sub.m2t"}));
  for (const auto& e : found) {
    SCOPED_TRACE(Narrow(e.name));
    EXPECT_EQ(e.isDirectory, e.name == u"sub.m2t");
    EXPECT_EQ(e.size, e.name == u"ABC0001.M2T" ? 5u : e.isDirectory ? 0u : 1u);
    EXPECT_EQ(e.path, dir.U() + u"\\" + e.name);
    // Wine lists a Unix dot file as hidden; Windows keeps to the attribute.
    if (e.name.front() == u'.') continue;
    EXPECT_EQ(e.isHidden, e.name == u"ABC0002.M2T");
    EXPECT_EQ(NativeFiles().Status(e.path)->isHidden, e.isHidden);
  }
  EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U(L"sub.m2t"), u"*")), (std::vector<std::u16string>{u".", u".."}));
  EXPECT_TRUE(NativeFiles().Find(dir.U(L"missing"), u"*").empty());
  EXPECT_EQ(LastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Win32FileSystem, OpenReadRefusesFoldersDevicesAndMissingFiles) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"ABC0001.M2T").c_str(), nullptr));
  EXPECT_EQ(NativeFiles().OpenRead(dir.U(L"ABC0001.M2T")), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(dir.U(L"NUL")), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(u"\\\\.\\NUL"), nullptr);
  EXPECT_EQ(NativeFiles().OpenRead(dir.U(L"missing.M2T")), nullptr);
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
  const std::string text = ErrorText(LastError());
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '.');
}

TEST(Win32Output, TheFinalNameKeepsTheOldBytesUntilTheCommit) {
  TempFolder dir;
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "dropped");
    PutFile(dir.Path(L"A.M2T"), Text("old"));
    auto out = NativeFiles().CreateOutput(dir.U(), u"A.M2T");
    ASSERT_NE(out, nullptr) << ErrorText(LastError());
    const std::wstring temp(out->TempPath().begin(), out->TempPath().end());
    EXPECT_TRUE(Attributes(temp) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(out->Write("new bytes", 9), 9);
    EXPECT_EQ(ReadAll(dir.Path(L"A.M2T")), Text("old"));
    char back[16] = {};
    EXPECT_EQ(out->ReadBack(back, sizeof back), 0) << "nothing is known to be on the disk yet";
    ASSERT_TRUE(out->Sync());
    EXPECT_EQ(out->ReadBack(back, sizeof back), 9);
    EXPECT_EQ(std::string(back, 9), "new bytes");
    EXPECT_EQ(ReadAll(dir.Path(L"A.M2T")), Text("old"));
    if (commit) {
      EXPECT_TRUE(out->SetLastWrite(1205489730));
      ASSERT_TRUE(out->Commit()) << ErrorText(LastError());
      EXPECT_TRUE(out->InPlace());
    }
    out.reset();
    EXPECT_FALSE(Exists(temp));
    EXPECT_EQ(ReadAll(dir.Path(L"A.M2T")), Text(commit ? "new bytes" : "old"));
    EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U(), u"*")), (std::vector<std::u16string>{u".", u"..", u"A.M2T"}));
  }
  const auto status = NativeFiles().Status(dir.U(L"A.M2T"));
  EXPECT_EQ(status->lastWrite, 1205489730);
  EXPECT_FALSE(status->isHidden) << "the temporary file's attribute stays behind";
}

TEST(Win32Output, ReadsBackWhatReachedTheDiskInPiecesThatCrossSectors) {
  TempFolder dir;
  auto out = NativeFiles().CreateOutput(dir.U(), u"BIG.M2T");
  ASSERT_NE(out, nullptr);
  Bytes written((9u << 20) + 123);
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<unsigned char>(i * 7 + i / 4099);
  for (std::size_t at = 0; at < written.size(); at += 65543) {
    const std::size_t n = std::min<std::size_t>(65543, written.size() - at);
    ASSERT_EQ(out->Write(written.data() + at, n), static_cast<std::int64_t>(n));
  }
  const std::uint64_t early = out->OnDisk();
  EXPECT_GE(early, 8u << 20) << "flushed as the writing goes on";
  EXPECT_LT(early, written.size());
  Bytes back;
  auto readBack = [&] {
    unsigned char piece[4093];
    for (std::int64_t n; (n = out->ReadBack(piece, sizeof piece)) > 0;) back.insert(back.end(), piece, piece + n);
  };
  readBack();
  EXPECT_EQ(back.size(), early) << "never past what is on the disk";
  ASSERT_TRUE(out->Sync());
  readBack();
  ASSERT_EQ(back.size(), written.size());
  EXPECT_TRUE(back == written);
}

TEST(Win32Output, ALinkAtTheFinalNameIsReplacedAndItsTargetNeverWritten) {
  TempFolder dir;
  PutFile(dir.Path(L"target.M2T"), Text("target"));
  if (!MakeLink(dir.Path(L"A.M2T"), dir.Path(L"target.M2T"), false) ||
      !MakeLink(dir.Path(L"B.M2T"), dir.Path(L"nowhere.M2T"), false)) {
    GTEST_SKIP() << "this system does not let the test make symbolic links";
  }
  EXPECT_TRUE(NativeFiles().LinkStatus(dir.U(L"B.M2T"))->isLink);
  EXPECT_FALSE(NativeFiles().Status(dir.U(L"B.M2T")).has_value());
  for (const std::u16string name : {u"A.M2T", u"B.M2T"}) {
    Commit(dir.U(), name, Text("xyz"));
    const auto placed = NativeFiles().LinkStatus(dir.U() + u"\\" + name);
    ASSERT_TRUE(placed.has_value());
    EXPECT_FALSE(placed->isLink);
    EXPECT_EQ(placed->size, 3u);
  }
  EXPECT_EQ(ReadAll(dir.Path(L"target.M2T")), Text("target"));
  EXPECT_FALSE(Exists(dir.Path(L"nowhere.M2T")));
}

TEST(Win32Output, IsRefusedForNamesWindowsWouldNotKeepAsTheyAre) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"out.M2T").c_str(), nullptr));
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U(), u"out.M2T"), nullptr) << "a folder holds the name";
  for (const char16_t* name : {u"", u"..", u"sub\\x.M2T", u"sub/x.M2T", u"A.M2T:stream", u"A.M2T.", u"A.M2T ",
                               u"CON", u"nul.M2T", u"Com1.dv", u"LPT9", u"a*b", u"a?b", u"a\u0001b"}) {
    EXPECT_EQ(NativeFiles().CreateOutput(dir.U(), name), nullptr) << Narrow(name);
    EXPECT_EQ(LastError(), ERROR_INVALID_NAME);
  }
  EXPECT_EQ(NativeFiles().CreateOutput(dir.U(L"missing"), u"out.M2T"), nullptr);
  EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U(), u"*")), (std::vector<std::u16string>{u".", u"..", u"out.M2T"}));
  // Names that only look close stay allowed.
  for (const char16_t* name : {u"CONSOLE.M2T", u"COM10.dv", u".hidden.M2T"}) {
    auto out = NativeFiles().CreateOutput(dir.U(), name);
    EXPECT_NE(out, nullptr) << Narrow(name);
  }
}

TEST(Win32Output, OnlyTemporaryFilesWhoseWriterIsGoneAreCleanedUp) {
  TempFolder dir;
  auto live = NativeFiles().CreateOutput(dir.U(), u"LIVE.DV");
  ASSERT_NE(live, nullptr);
  PutFile(dir.Path(L".DEAD.DV.abcdefgh.quillon-part"), Text("left by a killed import"), FILE_ATTRIBUTE_HIDDEN);
  PutFile(dir.Path(L".SHOWN.DV.abcdefgh.quillon-part"), Text("not hidden: not ours"));
  PutFile(dir.Path(L"DEAD.DV.quillon-part"), Text("no dot: not ours"), FILE_ATTRIBUTE_HIDDEN);
  PutFile(dir.Path(L".DEAD.DV"), Text("not ours either"), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L".DIR.DV.abcdefgh.quillon-part").c_str(), nullptr));
  ::SetFileAttributesW(dir.Path(L".DIR.DV.abcdefgh.quillon-part").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(NativeFiles().RemoveStaleOutputs(dir.U()),
            std::vector<std::u16string>{dir.U(L".DEAD.DV.abcdefgh.quillon-part")});
  EXPECT_FALSE(Exists(dir.Path(L".DEAD.DV.abcdefgh.quillon-part")));
  const std::wstring liveTemp(live->TempPath().begin(), live->TempPath().end());
  EXPECT_TRUE(Exists(liveTemp));
  for (const wchar_t* kept : {L".SHOWN.DV.abcdefgh.quillon-part", L"DEAD.DV.quillon-part", L".DEAD.DV",
                              L".DIR.DV.abcdefgh.quillon-part"}) {
    EXPECT_TRUE(Exists(dir.Path(kept)));
  }
  // Once its writer lets go, the same file is stale.
  live.reset();
  PutFile(liveTemp, Text("as if killed"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(NativeFiles().RemoveStaleOutputs(dir.U()), std::vector<std::u16string>{U16(liveTemp)});
}

// The destination of an import is held so that it stays where it was chosen until the end.
TEST(Win32Folder, CannotBeRenamedWhileHeldAndTellsWhereItIs) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"dest").c_str(), nullptr));
  {
    const auto folder = NativeFiles().OpenFolder(dir.U(L"dest"));
    ASSERT_NE(folder, nullptr) << ErrorText(LastError());
    EXPECT_EQ(folder->Path(), dir.U(L"dest"));
    EXPECT_EQ(folder->CurrentPath(), dir.U(L"dest"));
    EXPECT_FALSE(::MoveFileW(dir.Path(L"dest").c_str(), dir.Path(L"moved").c_str())) << "renamed while held";
    EXPECT_TRUE(Exists(dir.Path(L"dest")));
  }
  EXPECT_TRUE(::MoveFileW(dir.Path(L"dest").c_str(), dir.Path(L"moved").c_str())) << "held no more";
  EXPECT_TRUE(Exists(dir.Path(L"moved")));
}

TEST(Win32FileSystem, AncestryFollowsTheRealFoldersUpToTheDrive) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"unit").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"unit\\HDVF").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(dir.Path(L"elsewhere").c_str(), nullptr));
  const auto unit = NativeFiles().Status(dir.U(L"unit"))->id;
  const auto beside = NativeFiles().Ancestry(dir.U(L"elsewhere"));
  ASSERT_GE(beside.size(), 3u);
  EXPECT_EQ(beside.front(), NativeFiles().Status(dir.U(L"elsewhere"))->id);
  EXPECT_EQ(beside[1], NativeFiles().Status(dir.U())->id);
  EXPECT_EQ(beside.back(), NativeFiles().Status(std::u16string(1, dir.U()[0]) + u":")->id);
  EXPECT_EQ(std::find(beside.begin(), beside.end(), unit), beside.end());
  EXPECT_TRUE(NativeFiles().Ancestry(dir.U(L"missing")).empty());
  if (!MakeLink(dir.Path(L"elsewhere\\link"), dir.Path(L"unit\\HDVF"), true)) {
    GTEST_SKIP() << "this system does not let the test make symbolic links";
  }
  const auto through = NativeFiles().Ancestry(dir.U(L"elsewhere\\link"));
  EXPECT_NE(std::find(through.begin(), through.end(), unit), through.end());
}

TEST(Win32FileSystem, SpaceAndWritabilityOfTheTestFolder) {
  TempFolder dir;
  EXPECT_TRUE(NativeFiles().CanWriteIn(dir.U()));
  PutFile(dir.Path(L"file"), Text("x"));
  EXPECT_FALSE(NativeFiles().CanWriteIn(dir.U(L"file")));
  EXPECT_FALSE(NativeFiles().CanWriteIn(dir.U(L"missing")));
  EXPECT_EQ(SortedNames(NativeFiles().Find(dir.U(), u"*")), (std::vector<std::u16string>{u".", u"..", u"file"}))
      << "nothing is created to find out";

  const auto space = NativeFiles().Space(dir.U());
  ASSERT_TRUE(space.has_value());
  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(dir.Path().c_str(), &available, &total, nullptr));
  EXPECT_GT(space->freeBytes, 0u);
  EXPECT_LE(space->freeBytes, total.QuadPart);
  EXPECT_GE(space->blockSize, 512u);
  EXPECT_EQ(space->blockSize & (space->blockSize - 1), 0u) << "whole sectors";
  wchar_t type[MAX_PATH + 1] = {};
  const std::wstring root = dir.Path().substr(0, 3);
  ASSERT_TRUE(::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, type, MAX_PATH + 1));
  const std::wstring name = type;
  EXPECT_EQ(space->maxFileSize.has_value(), name.starts_with(L"FAT")) << "file system " << Narrow(U16(name));
  EXPECT_FALSE(NativeFiles().Space(dir.U(L"missing")).has_value());
}

}  // namespace
}  // namespace quillon::platform
