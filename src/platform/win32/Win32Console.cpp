#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/win32/Wide.h"

namespace quillon::platform {

namespace {

std::atomic<bool> g_interrupted{false};
// The status to end with at the next interrupt; -1 while none is asked for.
std::atomic<int> g_quitStatus{-1};

HANDLE Handle(StdStream stream) {
  switch (stream) {
    case StdStream::In: return ::GetStdHandle(STD_INPUT_HANDLE);
    case StdStream::Out: return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StdStream::Err: return ::GetStdHandle(STD_ERROR_HANDLE);
  }
  return INVALID_HANDLE_VALUE;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// Runs on a thread of the system's own. Ctrl+C and Ctrl+Break end nothing; closing the console
// (or logging off) ends the process when this returns, so it waits a while for the import to
// remove its incomplete file and end on its own.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (const int status = g_quitStatus.load(); status >= 0) ::ExitProcess(static_cast<UINT>(status));
  g_interrupted.store(true);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(4500);
  return TRUE;
}

// A console shows the progress bar's "\r\033[K" as cursor moves, not as characters.
void AllowEscapes(HANDLE console) {
  DWORD mode = 0;
  if (::GetConsoleMode(console, &mode) && !(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING))
    ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// The line ended by "\n" (and a "\r" before it), or nothing when it has no end yet.
std::optional<std::string> CompleteLine(std::string& pending) {
  const auto end = pending.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = pending.substr(0, end);
  pending.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// A key pressed down that gives a character: a line is being typed, so ReadConsoleW will answer.
// Other input (key releases, mouse, focus, resizing) is taken away so it stops waking the wait.
bool LineBeingTyped(HANDLE console) {
  INPUT_RECORD record;
  DWORD count = 0;
  while (::PeekConsoleInputW(console, &record, 1, &count) && count == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown && record.Event.KeyEvent.uChar.UnicodeChar != 0)
      return true;
    ::ReadConsoleInputW(console, &record, 1, &count);
  }
  return false;
}

}  // namespace

bool IsTerminal(StdStream stream) { return IsConsole(Handle(stream)); }

std::size_t TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(Handle(StdStream::Err), &info)) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) return static_cast<std::size_t>(columns);
  }
  return 80;
}

void CatchInterrupts() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return g_interrupted.load(); }

void RaiseInterrupt() { g_interrupted.store(true); }

void QuitAtNextInterrupt(int status) { g_quitStatus.store(status); }

// The console's handler runs on a thread of its own, never on one of ours: nothing to keep.
struct InterruptsKeptFromNewThreads::Saved {};

InterruptsKeptFromNewThreads::InterruptsKeptFromNewThreads() = default;

InterruptsKeptFromNewThreads::~InterruptsKeptFromNewThreads() = default;

std::optional<std::string> ReadLine(int wakeMs) {
  const HANDLE input = Handle(StdStream::In);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return std::nullopt;
  const bool console = IsConsole(input);
  const DWORD type = ::GetFileType(input);
  // Bytes read past the line's end wait here for the next call.
  static std::string pending;
  for (;;) {
    if (Interrupted()) return std::nullopt;
    if (auto line = CompleteLine(pending)) return line;
    if (console) {
      const DWORD waited = ::WaitForSingleObject(input, static_cast<DWORD>(wakeMs));
      if (waited == WAIT_TIMEOUT) continue;
      if (waited != WAIT_OBJECT_0) return std::nullopt;
      if (!LineBeingTyped(input)) continue;
      // The console edits the line and answers at Enter; Ctrl+C ends the read with nothing.
      wchar_t buffer[512];
      DWORD count = 0;
      if (!::ReadConsoleW(input, buffer, 512, &count, nullptr) || Interrupted()) return std::nullopt;
      if (count == 0) return std::nullopt;
      pending += ToUtf8(win32::FromWide(std::wstring_view(buffer, count)));
      continue;
    }
    if (type == FILE_TYPE_PIPE) {
      // A pipe's handle cannot be waited for: ask how much is there, and wait a while if nothing.
      DWORD available = 0;
      if (!::PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
        // The writer is gone: what is left is the last line.
        if (pending.empty()) return std::nullopt;
        return std::exchange(pending, {});
      }
      if (available == 0) {
        ::Sleep(static_cast<DWORD>(wakeMs < 10 ? wakeMs : 10));
        continue;
      }
    }
    char buffer[256];
    DWORD count = 0;
    if (!::ReadFile(input, buffer, sizeof buffer, &count, nullptr) || count == 0) {
      if (pending.empty()) return std::nullopt;
      return std::exchange(pending, {});
    }
    pending.append(buffer, count);
  }
}

bool WriteText(StdStream stream, std::string_view text) {
  const HANDLE output = Handle(stream);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (IsConsole(output)) {
    static std::atomic<bool> escapesAllowed{false};
    if (!escapesAllowed.exchange(true)) AllowEscapes(output);
    const std::u16string wide = FromUtf8(text);
    std::size_t done = 0;
    while (done < wide.size()) {
      // Consoles take at most some tens of kilobytes a call.
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      DWORD written = 0;
      if (!::WriteConsoleW(output, reinterpret_cast<const wchar_t*>(wide.data()) + done, piece, &written, nullptr) ||
          written == 0) {
        SetLastError(static_cast<int>(::GetLastError()));
        return false;
      }
      done += written;
    }
    return true;
  }
  while (!text.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(output, text.data(), piece, &written, nullptr) || written == 0) {
      SetLastError(static_cast<int>(::GetLastError()));
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

}  // namespace quillon::platform
