// The least a 1024-byte block copy can cost: read and write calls and nothing else.
//   quillon-copy-loop [--sync] [--writeback MIB] DEST SRC...   appends every SRC to DEST
// With --sync, DEST is fdatasync'ed before it is closed, as an import does before an output
// takes its name: the loop plus the one call that puts its bytes on the disk. With --writeback,
// each further MIB MiB written is handed to the disk at once (sync_file_range, without waiting),
// so that little is left for that fdatasync: what an import would gain by doing the same.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  int first = 1;
  bool sync = false;
  off_t every = 0;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "--sync") == 0) {
      sync = true;
    } else if (std::strcmp(argv[first], "--writeback") == 0 && first + 1 < argc) {
      every = static_cast<off_t>(std::atol(argv[++first])) << 20;
    } else {
      break;
    }
  }
  if (argc < first + 2) {
    std::fprintf(stderr, "usage: quillon-copy-loop [--sync] [--writeback MIB] DEST SRC...\n");
    return 2;
  }
  const int out = ::open(argv[first], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return 1;
  char buffer[1024];
  off_t written = 0, handedOver = 0;
  for (int i = first + 1; i < argc; ++i) {
    const int in = ::open(argv[i], O_RDONLY);
    if (in < 0) return 1;
    ssize_t n;
    while ((n = ::read(in, buffer, sizeof buffer)) > 0) {
      if (::write(out, buffer, static_cast<size_t>(n)) != n) return 1;
      written += n;
      if (every > 0 && written - handedOver >= every) {
        ::sync_file_range(out, handedOver, written - handedOver, SYNC_FILE_RANGE_WRITE);
        handedOver = written;
      }
    }
    ::close(in);
  }
  if (sync && ::fdatasync(out) != 0) return 1;
  return ::close(out) == 0 ? 0 : 1;
}
