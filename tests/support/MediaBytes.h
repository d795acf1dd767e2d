#pragma once
// Builders of the media bytes a recording unit holds: HDV transport streams with the private
// data packet that carries the recording time, raw DV frames with VAUX REC DATE/TIME packs,
// and AVI files wrapping DV frames. Shared by the tests, the demo-unit generator and the fuzz
// seeds, so all of them describe the same streams.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillon::testsupport {

struct RecDateTime {
  int year, month, day, hour, minute, second;
};

// The four bytes of a REC DATE (0x62) and a REC TIME (0x63) pack without their tag, BCD coded
// as camcorders write them: two-digit year, no time zone, no frame count.
std::array<std::uint8_t, 4> RecDatePack(const RecDateTime& t);
std::array<std::uint8_t, 4> RecTimePack(const RecDateTime& t);

// Transport stream ----------------------------------------------------------------------

inline constexpr std::size_t kTsPacketSize = 188;
inline constexpr std::uint16_t kPatPid = 0x0000;
inline constexpr std::uint16_t kPmtPid = 0x0081;
inline constexpr std::uint16_t kPrivateDataPid = 0x0811;
inline constexpr std::uint16_t kVideoPid = 0x0810;

struct TsOptions {
  std::optional<RecDateTime> date;   // private-data packet (PID 0x811) carrying REC DATE/TIME packs
  bool registration = true;          // PMT carries the "TSHV" registration descriptor
  bool dateBeforeTables = false;     // private-data packet comes before PAT and PMT
  std::size_t packets = 16;          // total 188-byte packets (filler video packets after the tables)
  std::uint16_t firstPid = 0;        // PID of the first packet when it is a filler (see below)
  // Filler video packets placed right before the private-data packet (after the tables unless
  // dateBeforeTables), to push the date deep into the stream.
  std::size_t fillerBeforeDate = 0;
  // When not 0, every filler video packet whose index in the stream is a multiple of pcrEvery
  // carries a PCR: pcrAtStart + index * pcrTicksPerPacket, in 27 MHz ticks, wrapping at 33 bits.
  std::size_t pcrEvery = 0;
  std::uint64_t pcrAtStart = 0;
  std::uint64_t pcrTicksPerPacket = 27000;  // 1 ms a packet
  bool pcrDiscontinuity = false;            // the first PCR carries the discontinuity indicator
};

// A PCR wraps after 2^33 ticks of its 90 kHz base, 300 of its 27 MHz extension each.
inline constexpr std::uint64_t kPcrWrap = (std::uint64_t{1} << 33) * 300;

// A transport stream of opts.packets packets: PAT (program 1 -> PMT PID 0x0081), PMT with the
// registration descriptor, the private-data packet, then filler packets on a video PID (0x0810).
// When firstPid is not 0, the stream starts with one filler packet on that PID before
// everything else. The sequence is cut at opts.packets packets, or padded with fillers to it.
std::vector<std::uint8_t> TransportStream(const TsOptions& opts);

// Raw DV --------------------------------------------------------------------------------

inline constexpr std::size_t kDifBlockSize = 80;
inline constexpr std::size_t kDifSequenceSize = 150 * kDifBlockSize;  // 12000
inline constexpr std::size_t kNtscFrameSize = 10 * kDifSequenceSize;  // 120000
inline constexpr std::size_t kPalFrameSize = 12 * kDifSequenceSize;   // 144000

struct Timecode {
  int hour = 0, minute = 0, second = 0, frame = 0;
};

// Raw DV: `frames` NTSC (10 DIF sequences, 120000 bytes) or PAL (12 sequences, 144000 bytes)
// frames, with VAUX REC DATE (0x62) and REC TIME (0x63) packs when date is given, and subcode
// timecode packs (0x13) when timecode is: the first frame's, counted on by one frame (30 or 25
// a second, no dropped frames) each frame.
// Every sequence has the usual block order: header, 2 subcode, 3 VAUX, then 9 x (audio + 15 video).
std::vector<std::uint8_t> DvFrames(std::optional<RecDateTime> date, std::size_t frames = 1, bool pal = false,
                                   std::optional<Timecode> timecode = std::nullopt);

// AVI -----------------------------------------------------------------------------------

enum class AviOffsets { Absolute, RelativeToMovi };

struct AviChunk {
  std::array<char, 4> id;  // e.g. {'0','0','d','c'}
  std::vector<std::uint8_t> data;
};

// An AVI ("RIFF"/"AVI ", hdrl with a "dvsd" strh, movi with one '00dc' chunk per frame, idx1)
// wrapping the given DV frames of frameSize bytes each, with idx1 offsets as asked.
// Bytes after the last whole frame are ignored.
std::vector<std::uint8_t> AviWithDv(const std::vector<std::uint8_t>& dv, std::size_t frameSize, AviOffsets offsets);

// The same frame work for any movi contents: one idx1 entry per chunk, in order.
std::vector<std::uint8_t> AviFile(const std::vector<AviChunk>& movi, AviOffsets offsets);

// Byte helpers for tests that bend a built file ---------------------------------------

// Position of the first occurrence of the four-character code at or after `from`, or
// bytes.size() when there is none.
std::size_t FindFourcc(const std::vector<std::uint8_t>& bytes, std::string_view fourcc, std::size_t from = 0);
void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
std::uint32_t GetLe32(const std::vector<std::uint8_t>& bytes, std::size_t at);

}  // namespace quillon::testsupport
