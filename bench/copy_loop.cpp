// The least a 1024-byte block copy can cost: read and write calls and nothing else.
//   quillon-copy-loop DEST SRC...   appends every SRC to DEST
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillon-copy-loop DEST SRC...\n");
    return 2;
  }
  const int out = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return 1;
  char buffer[1024];
  for (int i = 2; i < argc; ++i) {
    const int in = ::open(argv[i], O_RDONLY);
    if (in < 0) return 1;
    ssize_t n;
    while ((n = ::read(in, buffer, sizeof buffer)) > 0) {
      if (::write(out, buffer, static_cast<size_t>(n)) != n) return 1;
    }
    ::close(in);
  }
  return ::close(out) == 0 ? 0 : 1;
}
