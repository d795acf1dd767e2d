#pragma once
// One chunk file of a clip.
#include <cstdint>
#include <string>

namespace quillon {

class Chunk {
 public:
  // The file name is the path's last component.
  explicit Chunk(std::u16string path);
  Chunk(std::u16string path, std::u16string fileName);
  virtual ~Chunk() = default;
  Chunk(const Chunk&) = default;
  Chunk& operator=(const Chunk&) = default;
  Chunk(Chunk&&) = default;
  Chunk& operator=(Chunk&&) = default;

  std::u16string path;
  std::u16string fileName;
  bool continues = false;  // may be appended to the output file of the chunk before it
  int kind = -1;           // index in the kind table, or -1
  bool probed = false;     // the recording time has been looked for
  bool timeValid = false;  // a recording time was found in the file
  std::int64_t recordingTime = 0;

  // The file's size in bytes, queried once; 0 when the file cannot be opened.
  std::uint64_t Size();
  bool SizeKnown() const { return sizeKnown_; }

 private:
  void Classify();
  bool sizeKnown_ = false;
  std::uint64_t size_ = 0;
};

// Chunk order: kind index first (-1, 0, 1, 2), then file names by UTF-16 code units.
bool ChunkLess(const Chunk& a, const Chunk& b);

}  // namespace quillon
