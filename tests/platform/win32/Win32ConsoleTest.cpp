#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace quillon::platform {
namespace {

// Puts a handle in place of a standard handle for the lifetime of the object.
class StdHandleSwap {
 public:
  StdHandleSwap(DWORD which, HANDLE handle) : which_(which), previous_(::GetStdHandle(which)) {
    ::SetStdHandle(which, handle);
  }
  ~StdHandleSwap() { ::SetStdHandle(which_, previous_); }
  StdHandleSwap(const StdHandleSwap&) = delete;
  StdHandleSwap& operator=(const StdHandleSwap&) = delete;

 private:
  DWORD which_;
  HANDLE previous_;
};

struct Pipe {
  HANDLE read = nullptr, write = nullptr;
  Pipe() { ::CreatePipe(&read, &write, nullptr, 0); }
  ~Pipe() {
    if (read) ::CloseHandle(read);
    if (write) ::CloseHandle(write);
  }
  void CloseWrite() {
    ::CloseHandle(write);
    write = nullptr;
  }
  std::string ReadAll() {
    std::string out;
    char buffer[256];
    DWORD n = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    return out;
  }
};

TEST(Win32Console, RedirectedOutputIsTheUtf8BytesAndNotATerminal) {
  for (const auto& [which, stream] : {std::pair{STD_OUTPUT_HANDLE, StdStream::Out}, {STD_ERROR_HANDLE, StdStream::Err}}) {
    Pipe pipe;
    {
      StdHandleSwap swap(which, pipe.write);
      EXPECT_FALSE(IsTerminal(stream));
      EXPECT_TRUE(WriteText(stream, "caf\xC3\xA9 \xE6\x97\xA5\n"));
      EXPECT_TRUE(WriteText(stream, ""));
    }
    pipe.CloseWrite();
    EXPECT_EQ(pipe.ReadAll(), "caf\xC3\xA9 \xE6\x97\xA5\n");
  }
}

TEST(Win32Console, AWriteToAReaderThatWentAwayFailsWithTheSystemsError) {
  Pipe pipe;
  ::CloseHandle(pipe.read);
  pipe.read = nullptr;
  StdHandleSwap swap(STD_OUTPUT_HANDLE, pipe.write);
  EXPECT_FALSE(WriteText(StdStream::Out, "lost\n"));
  EXPECT_NE(LastError(), 0);
}

TEST(Win32Console, LinesFromAPipeLoseTheirEndsAndTheLastNeedsNone) {
  Pipe pipe;
  const std::string input = "y\r\n\nno to all\nc";
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(pipe.write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr));
  pipe.CloseWrite();
  StdHandleSwap swap(STD_INPUT_HANDLE, pipe.read);
  EXPECT_FALSE(IsTerminal(StdStream::In));
  EXPECT_EQ(ReadLine(5), "y");
  EXPECT_EQ(ReadLine(5), "");
  EXPECT_EQ(ReadLine(5), "no to all");
  EXPECT_EQ(ReadLine(5), "c");
  EXPECT_EQ(ReadLine(5), std::nullopt);
}

TEST(Win32Console, ALineWrittenLaterIsWaitedFor) {
  Pipe pipe;
  StdHandleSwap swap(STD_INPUT_HANDLE, pipe.read);
  std::thread writer([&] {
    ::Sleep(150);
    DWORD written = 0;
    ::WriteFile(pipe.write, "a", 1, &written, nullptr);
    ::Sleep(50);
    ::WriteFile(pipe.write, "ll\n", 3, &written, nullptr);
  });
  EXPECT_EQ(ReadLine(10), "all");
  writer.join();
}

}  // namespace
}  // namespace quillon::platform
