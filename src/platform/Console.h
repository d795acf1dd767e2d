#pragma once
// The terminal a command-line program runs in: whether a standard stream is one, its width,
// the interrupt (Ctrl+C, a polite kill, the terminal going away), a line of input that an
// interrupt can end, and text written to standard output or standard error.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

enum class StdStream { In, Out, Err };

bool IsTerminal(StdStream stream);

// The columns of the terminal on standard error; 80 when it does not tell.
std::size_t TerminalColumns();

// From now on an interrupt sets Interrupted() instead of ending the process, and a reader of
// standard output that went away (a closed pipe) makes the write fail instead of ending it.
void CatchInterrupts();
bool Interrupted();
// As if an interrupt came.
void RaiseInterrupt();
// From now on the next interrupt ends the process at once with this exit status: for a user who
// asked twice while a call that cannot be cut short (a read of a disk that does not answer) holds
// up the orderly end.
void QuitAtNextInterrupt(int status);

// While one lives, threads that this thread starts take no interrupt, so that an interrupt
// always reaches this thread and ends a ReadLine it waits in.
class InterruptsKeptFromNewThreads {
 public:
  InterruptsKeptFromNewThreads();
  ~InterruptsKeptFromNewThreads();
  InterruptsKeptFromNewThreads(const InterruptsKeptFromNewThreads&) = delete;
  InterruptsKeptFromNewThreads& operator=(const InterruptsKeptFromNewThreads&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

// One line of standard input, without its end; nothing at the end of input, on an error, or
// once Interrupted() (looked at every wakeMs while it waits).
std::optional<std::string> ReadLine(int wakeMs = 50);

// Writes UTF-8 text to standard output or standard error, unbuffered: as UTF-16 characters to
// a Windows console, as the bytes themselves to anything else. False when not all of it was
// written; LastError() then tells why.
bool WriteText(StdStream stream, std::string_view utf8);

}  // namespace quillon::platform
