// Recording time of an HDV transport stream: the REC DATE/TIME bytes of the private-data
// packet, trusted only in a stream whose PAT points at the HDV program map and whose PMT
// carries the "TSHV" registration descriptor.
#include <array>
#include <cstddef>
#include <cstdint>

#include "import/ProbeRead.h"
#include "import/RecordingTimeProbe.h"
#include "import/TsPacket.h"

namespace quillon {
namespace {

constexpr std::size_t kPacketSize = kTsPacketBytes;
constexpr std::size_t kLastByte = kPacketSize - 1;
constexpr int kMaxPackets = 15000;

constexpr unsigned kPatPid = 0x0000;
constexpr unsigned kPmtPid = 0x0081;
constexpr unsigned kPrivateDataPid = 0x0811;

// Packet header fields.
constexpr std::size_t kFlags = 3, kAdaptationLength = 4;
constexpr std::uint8_t kAdaptationFieldFlag = 0x20;
constexpr std::size_t kPayloadNoAdaptation = 4;

// PSI section fields, from the table id.
constexpr std::size_t kSectionLengthHigh = 1, kSectionLengthLow = 2;
constexpr std::size_t kSectionHeaderSize = 3;  // table id and section length
constexpr std::size_t kPatFirstEntry = 8;
constexpr std::size_t kPatEntrySize = 4;
constexpr std::size_t kPatOverhead = 9;  // section fields after the length, plus the CRC
constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::uint8_t kPmtTableId = 0x02;
constexpr std::size_t kPmtInfoLengthHigh = 10, kPmtInfoLengthLow = 11;
constexpr std::size_t kPmtFirstDescriptor = 12;
constexpr std::size_t kPmtLastCheckedByte = 17;  // end of the registration's format identifier
constexpr std::size_t kMaxPmtSection = kLastByte - kPmtLastCheckedByte;  // 170
constexpr std::uint8_t kRegistrationTag = 0x05;

// Private-data packs: a pack is tag, length, body; the 0x44/0x39 pack holds REC DATE at
// its offset 35 and REC TIME at 39, each four bytes.
constexpr std::size_t kPesHeaderSize = 6;
constexpr std::size_t kPackWalkEnd = 146;  // keeps the last REC TIME byte (i + 42) inside the packet
constexpr std::size_t kMaxPrivatePayload = kPackWalkEnd - 1;
constexpr std::uint8_t kDatePackTag = 0x44, kDatePackLength = 0x39;
constexpr std::size_t kRecDateOffset = 35, kRecTimeOffset = 39;

using Packet = std::array<std::uint8_t, kPacketSize>;

struct Findings {
  bool programMap = false;
  bool registration = false;
  bool date = false;
};

unsigned Bits12(std::uint8_t high, std::uint8_t low) { return (static_cast<unsigned>(high & 0x0F) << 8) | low; }

// Start of the section after the pointer field, or nothing when it does not fit.
bool SectionStart(const Packet& p, std::size_t pos, std::size_t& sec) {
  if (pos > kLastByte) return false;
  sec = pos + p[pos] + 1;
  return true;
}

bool ReadPat(const Packet& p, std::size_t pos, Findings& found) {
  std::size_t sec = 0;
  if (!SectionStart(p, pos, sec) || sec + kSectionHeaderSize > kPacketSize) return false;
  if (p[sec] != kPatTableId) return false;
  const std::size_t length = Bits12(p[sec + kSectionLengthHigh], p[sec + kSectionLengthLow]);
  if (length + sec + kSectionHeaderSize > kPacketSize) return false;
  if (length < kPatOverhead) return true;
  for (std::size_t o = 0; o < length - kPatOverhead; o += kPatEntrySize) {
    const std::size_t entry = sec + kPatFirstEntry + o;
    if (entry + kPatEntrySize > kPacketSize) break;
    const unsigned program = (static_cast<unsigned>(p[entry]) << 8) | p[entry + 1];
    if (program == 0) continue;  // the network PID, not a program
    const unsigned mapPid = (static_cast<unsigned>(p[entry + 2] & 0x1F) << 8) | p[entry + 3];
    if (mapPid == kPmtPid) found.programMap = true;
    break;
  }
  return true;
}

bool ReadPmt(const Packet& p, std::size_t pos, Findings& found) {
  std::size_t sec = 0;
  if (!SectionStart(p, pos, sec) || sec > kMaxPmtSection) return false;
  const std::size_t d = sec + kPmtFirstDescriptor;
  const bool hdv = p[sec] == kPmtTableId && p[d] == kRegistrationTag && p[d + 1] >= 5 &&
                   Bits12(p[sec + kPmtInfoLengthHigh], p[sec + kPmtInfoLengthLow]) >= 6 &&
                   p[d + 2] == 'T' && p[d + 3] == 'S' && p[d + 4] == 'H' && p[d + 5] == 'V';
  if (!hdv) return false;
  found.registration = true;
  return true;
}

bool ReadPrivateData(Chunk& chunk, const Packet& p, std::size_t pos, Findings& found) {
  if (pos > kMaxPrivatePayload) return false;
  if (p[pos] != 0x00 || p[pos + 1] != 0x00 || p[pos + 2] != 0x01 || p[pos + 3] != 0xBF) return false;
  for (std::size_t i = pos + kPesHeaderSize; i < kPackWalkEnd;) {
    if (p[i] == kDatePackTag && p[i + 1] == kDatePackLength) {
      found.date = DecodeRecDateTime(chunk, &p[i + kRecDateOffset], &p[i + kRecTimeOffset]);
      break;
    }
    if (p[i + 1] == 0) break;
    i += p[i + 1];
  }
  return true;
}

}  // namespace

bool ScanTransportStream(Chunk& chunk, platform::File& file) {
  Findings found;
  Packet p{};
  for (int n = 0; n < kMaxPackets; ++n) {
    if (!probe::ReadExactly(file, p) || p[0] != kTsSyncByte) return false;
    const unsigned pid = TsPid(p.data());
    const std::size_t pos = (p[kFlags] & kAdaptationFieldFlag) ? std::size_t{p[kAdaptationLength]} + 5 : kPayloadNoAdaptation;

    bool ok = true;
    if (pid == kPatPid && !found.programMap)
      ok = ReadPat(p, pos, found);
    else if (pid == kPmtPid && !found.registration)
      ok = ReadPmt(p, pos, found);
    else if (pid == kPrivateDataPid)
      ok = ReadPrivateData(chunk, p, pos, found);
    if (!ok) return false;

    if (found.programMap && found.registration && found.date) return true;
  }
  return false;
}

}  // namespace quillon
