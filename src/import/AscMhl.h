#pragma once
// The ASC Media Hash List (ASC MHL v2.0) history of a destination folder: each import adds a
// generation under FOLDER/ascmhl, a manifest of the files it wrote with their XXH3-128 hashes,
// and the chain that lists every manifest with its C4 id. The ASC's own tool then verifies the
// folder ("ascmhl verify FOLDER").
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon {

// One file of an import, as its copy found it.
struct MhlFile {
  std::u16string path;  // relative to the folder, "/" separators
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;  // UTC seconds
  std::array<std::uint8_t, 16> xxh128{};
};

// Adds one generation for the files of an import to FOLDER/ascmhl (made when missing): the
// manifest, then the chain, each written as an output (temporary name, sync, rename). `now` in
// UTC seconds. False with an error text when something cannot be read or written; a chain that
// cannot be read (damaged, or not ASC MHL) is an error, never a crash. No files, no generation.
bool AddMhlGeneration(platform::Folder& folder, const std::vector<MhlFile>& files, std::int64_t now,
                      std::string& error);

// The patterns of the files that a generation leaves out of the folder's package: those the ASC
// tool leaves out by default, and Quillon's own.
const std::vector<std::string>& MhlIgnorePatterns();

// The C4 id of bytes whose SHA-512 is digest: "c4", then the digest as one big-endian number in
// base58 (bitcoin's alphabet), padded with the alphabet's zero "1" to 90 characters in all.
std::string C4Id(const std::array<std::uint8_t, 64>& digest);

// What a generation's readers take from the files already under ascmhl. Each reader takes
// hostile bytes: nothing comes back, with the reason in error, for anything but well-formed
// UTF-8 XML of the expected shape, and no count or length in it is trusted.

// One generation as the chain lists it.
struct MhlChainEntry {
  std::optional<std::uint32_t> sequence;  // its "sequencenr", which the format leaves optional
  std::string name;                       // the manifest's file name in ascmhl
  std::string c4;
  friend bool operator==(const MhlChainEntry&, const MhlChainEntry&) = default;
};
std::optional<std::vector<MhlChainEntry>> ReadMhlChain(std::string_view text, std::string& error);
// The chain's text of these generations, as AddMhlGeneration writes it.
std::string MhlChainText(const std::vector<MhlChainEntry>& chain);

// The hash of one file as a manifest records it.
struct MhlRecordedHash {
  std::string path;
  bool original = false;              // one of its hashes has the action "original"
  std::optional<std::string> xxh128;  // lowercase hexadecimal
  friend bool operator==(const MhlRecordedHash&, const MhlRecordedHash&) = default;
};
struct MhlManifest {
  std::vector<std::string> ignore;  // its ignore patterns
  std::vector<MhlRecordedHash> hashes;
};
std::optional<MhlManifest> ReadMhlManifest(std::string_view text, std::string& error);

}  // namespace quillon
