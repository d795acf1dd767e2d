#include "support/MediaBytes.h"

#include <algorithm>
#include <stdexcept>

namespace quillon::testsupport {
namespace {

std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10)); }

// CRC-32/MPEG-2 of PSI sections, so the tables also satisfy real demultiplexers.
std::uint32_t Crc32Mpeg(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

void PutBe16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

using Packet = std::array<std::uint8_t, kTsPacketSize>;

unsigned TsPid(const Packet& p) { return (static_cast<unsigned>(p[1] & 0x1F) << 8) | p[2]; }

// A packet header with payload only; the payload bytes are stuffed with 0xFF.
Packet PacketHeader(std::uint16_t pid, bool payloadStart, std::uint8_t& continuity) {
  Packet p;
  p.fill(0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>((payloadStart ? 0x40 : 0x00) | ((pid >> 8) & 0x1F));
  p[2] = static_cast<std::uint8_t>(pid);
  p[3] = static_cast<std::uint8_t>(0x10 | (continuity++ & 0x0F));
  return p;
}

// Writes a PSI section at p[5] (after a zero pointer field) and closes it with its CRC.
void PutSection(Packet& p, const std::vector<std::uint8_t>& sectionWithoutCrc) {
  p[4] = 0;  // pointer field
  std::copy(sectionWithoutCrc.begin(), sectionWithoutCrc.end(), p.begin() + 5);
  const std::uint32_t crc = Crc32Mpeg(sectionWithoutCrc.data(), sectionWithoutCrc.size());
  std::uint8_t* end = p.data() + 5 + sectionWithoutCrc.size();
  end[0] = static_cast<std::uint8_t>(crc >> 24);
  end[1] = static_cast<std::uint8_t>(crc >> 16);
  end[2] = static_cast<std::uint8_t>(crc >> 8);
  end[3] = static_cast<std::uint8_t>(crc);
}

// Section header fields common to PAT and PMT; the section length counts from after it to
// the end of the CRC.
std::vector<std::uint8_t> SectionStart(std::uint8_t tableId, std::uint16_t idField, std::size_t bodyAndCrc) {
  const unsigned length = static_cast<unsigned>(5 + bodyAndCrc);
  return {tableId,
          static_cast<std::uint8_t>(0xB0 | ((length >> 8) & 0x0F)),
          static_cast<std::uint8_t>(length),
          static_cast<std::uint8_t>(idField >> 8),
          static_cast<std::uint8_t>(idField),
          0xC1,  // version 0, current
          0x00,  // section number
          0x00};  // last section number
}

Packet Pat(std::uint8_t& continuity) {
  Packet p = PacketHeader(kPatPid, true, continuity);
  std::vector<std::uint8_t> s = SectionStart(0x00, /*transport stream id*/ 1, 4 + 4);
  s.insert(s.end(), {0x00, 0x01, static_cast<std::uint8_t>(0xE0 | (kPmtPid >> 8)), static_cast<std::uint8_t>(kPmtPid)});
  PutSection(p, s);
  return p;
}

Packet Pmt(bool registration, std::uint8_t& continuity) {
  Packet p = PacketHeader(kPmtPid, true, continuity);
  std::vector<std::uint8_t> descriptors;
  if (registration) descriptors = {0x05, 0x08, 'T', 'S', 'H', 'V', 0xA0, 0x21, 0x04, 0x00};
  const std::vector<std::uint8_t> streams = {
      0x02, static_cast<std::uint8_t>(0xE0 | (kVideoPid >> 8)), static_cast<std::uint8_t>(kVideoPid), 0xF0, 0x00,
      0x03, 0xE8, 0x14, 0xF0, 0x00,  // audio on 0x0814
      0xA0, static_cast<std::uint8_t>(0xE0 | (kPrivateDataPid >> 8)), static_cast<std::uint8_t>(kPrivateDataPid), 0xF0, 0x00};
  std::vector<std::uint8_t> s = SectionStart(0x02, /*program number*/ 1, 4 + descriptors.size() + streams.size() + 4);
  s.push_back(static_cast<std::uint8_t>(0xE0 | (kVideoPid >> 8)));  // PCR PID
  s.push_back(static_cast<std::uint8_t>(kVideoPid));
  s.push_back(static_cast<std::uint8_t>(0xF0 | ((descriptors.size() >> 8) & 0x0F)));
  s.push_back(static_cast<std::uint8_t>(descriptors.size()));
  s.insert(s.end(), descriptors.begin(), descriptors.end());
  s.insert(s.end(), streams.begin(), streams.end());
  PutSection(p, s);
  return p;
}

// A private-stream-2 PES packet holding a run of packs; the 0x44 pack (length 0x39) carries
// the REC DATE bytes at its offset 35 and the REC TIME bytes at 39.
Packet PrivateData(const RecDateTime& t, std::uint8_t& continuity) {
  Packet p = PacketHeader(kPrivateDataPid, true, continuity);
  std::size_t i = 4;
  p[i] = 0x00;
  p[i + 1] = 0x00;
  p[i + 2] = 0x01;
  p[i + 3] = 0xBF;
  PutBe16(&p[i + 4], static_cast<unsigned>(kTsPacketSize - i - 6));
  i += 6;
  // A leading pack of another kind, so a reader must step over packs by their lengths.
  p[i] = 0x40;
  p[i + 1] = 0x10;
  std::fill(p.begin() + static_cast<std::ptrdiff_t>(i + 2), p.begin() + static_cast<std::ptrdiff_t>(i + 0x10), 0x00);
  i += 0x10;
  p[i] = 0x44;
  p[i + 1] = 0x39;
  std::fill(p.begin() + static_cast<std::ptrdiff_t>(i + 2), p.begin() + static_cast<std::ptrdiff_t>(i + 0x39), 0x00);
  const auto date = RecDatePack(t);
  const auto time = RecTimePack(t);
  std::copy(date.begin(), date.end(), p.begin() + static_cast<std::ptrdiff_t>(i + 35));
  std::copy(time.begin(), time.end(), p.begin() + static_cast<std::ptrdiff_t>(i + 39));
  i += 0x39;
  p[i] = 0x00;  // end of packs
  p[i + 1] = 0x00;
  return p;
}

Packet Filler(std::uint16_t pid, std::uint8_t& continuity) {
  Packet p = PacketHeader(pid, false, continuity);
  std::fill(p.begin() + 4, p.end(), 0x00);
  return p;
}

// Turns a filler's first payload bytes into an adaptation field carrying the PCR.
void PutPcr(Packet& p, std::uint64_t pcr, bool discontinuity) {
  const std::uint64_t base = pcr / 300;
  const unsigned extension = static_cast<unsigned>(pcr % 300);
  p[3] = static_cast<std::uint8_t>(0x30 | (p[3] & 0x0F));  // adaptation field and payload
  p[4] = 7;                                                 // flags and PCR
  p[5] = static_cast<std::uint8_t>((discontinuity ? 0x80 : 0x00) | 0x10);
  p[6] = static_cast<std::uint8_t>(base >> 25);
  p[7] = static_cast<std::uint8_t>(base >> 17);
  p[8] = static_cast<std::uint8_t>(base >> 9);
  p[9] = static_cast<std::uint8_t>(base >> 1);
  p[10] = static_cast<std::uint8_t>((base & 1) << 7 | 0x7E | extension >> 8);
  p[11] = static_cast<std::uint8_t>(extension);
}

// DV --------------------------------------------------------------------------------------

enum DifType : std::uint8_t { kHeader = 0, kSubcode = 1, kVaux = 2, kAudio = 3, kVideo = 4 };

void PutDifId(std::uint8_t* block, DifType type, std::size_t sequence, std::size_t blockNumber) {
  block[0] = static_cast<std::uint8_t>((type << 5) | 0x10 | 0x0F);  // SCT, reserved bit, Arb
  block[1] = static_cast<std::uint8_t>((sequence << 4) | 0x07);
  block[2] = static_cast<std::uint8_t>(blockNumber);
}

void PutPack(std::uint8_t* at, std::uint8_t tag, const std::array<std::uint8_t, 4>& body) {
  at[0] = tag;
  std::copy(body.begin(), body.end(), at + 1);
}

// The timecode `frames` frames after t, counted at 30 or 25 frames a second.
Timecode After(Timecode t, std::size_t frames, bool pal) {
  const std::size_t rate = pal ? 25 : 30;
  const std::size_t n = ((static_cast<std::size_t>(t.hour) * 60 + static_cast<std::size_t>(t.minute)) * 60 +
                         static_cast<std::size_t>(t.second)) * rate + static_cast<std::size_t>(t.frame) + frames;
  return {static_cast<int>(n / rate / 3600 % 24), static_cast<int>(n / rate / 60 % 60), static_cast<int>(n / rate % 60),
          static_cast<int>(n % rate)};
}

void WriteSequence(std::uint8_t* seq, std::size_t sequence, bool pal, const std::optional<RecDateTime>& date,
                   const Timecode* timecode) {
  std::uint8_t* block = seq;
  PutDifId(block, kHeader, sequence, 0);
  std::fill(block + 3, block + kDifBlockSize, 0xFF);
  block[3] = static_cast<std::uint8_t>((pal ? 0x80 : 0x00) | 0x3F);
  block[4] = 0xF9;
  block[5] = 0x79;
  block[6] = 0x79;
  block[7] = 0x79;
  block += kDifBlockSize;
  // Six sync blocks a subcode block, each an ID, a reserved byte and a pack; the timecode in
  // the first and the fourth.
  for (std::size_t b = 0; b < 2; ++b, block += kDifBlockSize) {
    PutDifId(block, kSubcode, sequence, b);
    std::fill(block + 3, block + kDifBlockSize, 0xFF);
    if (!timecode) continue;
    for (std::size_t syncBlock : {std::size_t{0}, std::size_t{3}})
      PutPack(block + 3 + syncBlock * 8 + 3, 0x13,
              {Bcd(timecode->frame), Bcd(timecode->second), Bcd(timecode->minute), Bcd(timecode->hour)});
  }
  // Each VAUX block carries two runs of source, source control, REC DATE and REC TIME packs
  // (packs 0-3 and 9-12), the layout common DV writers use.
  for (std::size_t b = 0; b < 3; ++b, block += kDifBlockSize) {
    PutDifId(block, kVaux, sequence, b);
    std::fill(block + 3, block + kDifBlockSize, 0xFF);
    for (std::size_t run : {std::size_t{0}, std::size_t{9}}) {
      std::uint8_t* packs = block + 3 + run * 5;
      PutPack(packs + 0 * 5, 0x60, {0xFF, 0xFF, static_cast<std::uint8_t>(pal ? 0xE0 : 0xC0), 0xFF});
      PutPack(packs + 1 * 5, 0x61, {0x3F, 0xC8, 0xFC, 0xFF});
      if (date) {
        PutPack(packs + 2 * 5, 0x62, RecDatePack(*date));
        PutPack(packs + 3 * 5, 0x63, RecTimePack(*date));
      }
    }
  }
  for (std::size_t a = 0; a < 9; ++a) {
    PutDifId(block, kAudio, sequence, a);
    std::fill(block + 3, block + kDifBlockSize, 0x00);
    block += kDifBlockSize;
    for (std::size_t v = 0; v < 15; ++v, block += kDifBlockSize) {
      PutDifId(block, kVideo, sequence, a * 15 + v);
      std::fill(block + 3, block + kDifBlockSize, 0x00);
    }
  }
}

void PutFourcc(std::vector<std::uint8_t>& out, std::string_view code) { out.insert(out.end(), code.begin(), code.end()); }

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Opens a chunk and answers where its size field is, to be patched by CloseChunk.
std::size_t OpenChunk(std::vector<std::uint8_t>& out, std::string_view id) {
  PutFourcc(out, id);
  const std::size_t sizeAt = out.size();
  AppendLe32(out, 0);
  return sizeAt;
}

void CloseChunk(std::vector<std::uint8_t>& out, std::size_t sizeAt) {
  PutLe32(out, sizeAt, static_cast<std::uint32_t>(out.size() - sizeAt - 4));
  if (out.size() % 2) out.push_back(0);
}

std::uint32_t ToU32(std::size_t value) {
  if (value > 0xFFFFFFFFu) throw std::length_error("AVI chunk too large");
  return static_cast<std::uint32_t>(value);
}

void AppendHeaderList(std::vector<std::uint8_t>& out, std::size_t frames, std::size_t largest) {
  const std::size_t hdrl = OpenChunk(out, "LIST");
  PutFourcc(out, "hdrl");
  const std::size_t avih = OpenChunk(out, "avih");
  AppendLe32(out, 33367);  // microseconds per frame
  AppendLe32(out, 3600000);
  AppendLe32(out, 0);
  AppendLe32(out, 0x10);  // has index
  AppendLe32(out, ToU32(frames));
  AppendLe32(out, 0);
  AppendLe32(out, 1);  // streams
  AppendLe32(out, ToU32(largest));
  AppendLe32(out, 720);
  AppendLe32(out, 480);
  for (int i = 0; i < 4; ++i) AppendLe32(out, 0);
  CloseChunk(out, avih);

  const std::size_t strl = OpenChunk(out, "LIST");
  PutFourcc(out, "strl");
  const std::size_t strh = OpenChunk(out, "strh");
  PutFourcc(out, "vids");
  PutFourcc(out, "dvsd");
  AppendLe32(out, 0);       // flags
  AppendLe32(out, 0);       // priority, language
  AppendLe32(out, 0);       // initial frames
  AppendLe32(out, 1001);    // scale
  AppendLe32(out, 30000);   // rate
  AppendLe32(out, 0);       // start
  AppendLe32(out, ToU32(frames));
  AppendLe32(out, ToU32(largest));
  AppendLe32(out, 0xFFFFFFFFu);  // quality
  AppendLe32(out, 0);            // sample size
  for (int i = 0; i < 4; ++i) AppendLe16(out, 0);  // frame rectangle
  CloseChunk(out, strh);
  const std::size_t strf = OpenChunk(out, "strf");
  AppendLe32(out, 40);
  AppendLe32(out, 720);
  AppendLe32(out, 480);
  AppendLe16(out, 1);
  AppendLe16(out, 24);
  PutFourcc(out, "dvsd");
  AppendLe32(out, ToU32(largest));
  for (int i = 0; i < 4; ++i) AppendLe32(out, 0);
  CloseChunk(out, strf);
  CloseChunk(out, strl);
  CloseChunk(out, hdrl);
}

}  // namespace

std::array<std::uint8_t, 4> RecDatePack(const RecDateTime& t) {
  return {0xFF,  // time zone unknown
          static_cast<std::uint8_t>(0xC0 | Bcd(t.day)), Bcd(t.month), Bcd(t.year % 100)};
}

std::array<std::uint8_t, 4> RecTimePack(const RecDateTime& t) {
  return {0xFF,  // frames unknown
          static_cast<std::uint8_t>(0x80 | Bcd(t.second)), static_cast<std::uint8_t>(0x80 | Bcd(t.minute)),
          static_cast<std::uint8_t>(0xC0 | Bcd(t.hour))};
}

std::vector<std::uint8_t> TransportStream(const TsOptions& opts) {
  std::uint8_t patCc = 0, pmtCc = 0, dataCc = 0, videoCc = 0, firstCc = 0;
  std::vector<Packet> packets;
  if (opts.firstPid != 0) packets.push_back(Filler(opts.firstPid, firstCc));
  auto addDate = [&] {
    for (std::size_t i = 0; i < opts.fillerBeforeDate; ++i) packets.push_back(Filler(kVideoPid, videoCc));
    if (opts.date) packets.push_back(PrivateData(*opts.date, dataCc));
  };
  if (opts.dateBeforeTables) addDate();
  packets.push_back(Pat(patCc));
  packets.push_back(Pmt(opts.registration, pmtCc));
  if (!opts.dateBeforeTables) addDate();
  if (packets.size() > opts.packets) packets.resize(opts.packets);
  while (packets.size() < opts.packets) packets.push_back(Filler(kVideoPid, videoCc));

  bool firstPcr = true;
  for (std::size_t i = 0; opts.pcrEvery != 0 && i < packets.size(); i += opts.pcrEvery) {
    if (TsPid(packets[i]) != kVideoPid) continue;
    PutPcr(packets[i], (opts.pcrAtStart + i * opts.pcrTicksPerPacket) % kPcrWrap, opts.pcrDiscontinuity && firstPcr);
    firstPcr = false;
  }

  std::vector<std::uint8_t> out;
  out.reserve(packets.size() * kTsPacketSize);
  for (const Packet& p : packets) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<std::uint8_t> DvFrames(std::optional<RecDateTime> date, std::size_t frames, bool pal,
                                   std::optional<Timecode> timecode) {
  const std::size_t sequences = pal ? 12 : 10;
  std::vector<std::uint8_t> out(frames * sequences * kDifSequenceSize);
  for (std::size_t f = 0; f < frames; ++f) {
    const Timecode frameTimecode = timecode ? After(*timecode, f, pal) : Timecode{};
    for (std::size_t s = 0; s < sequences; ++s)
      WriteSequence(out.data() + (f * sequences + s) * kDifSequenceSize, s, pal, date, timecode ? &frameTimecode : nullptr);
  }
  return out;
}

std::vector<std::uint8_t> AviFile(const std::vector<AviChunk>& movi, AviOffsets offsets) {
  std::size_t largest = 0;
  for (const AviChunk& c : movi) largest = std::max(largest, c.data.size());

  std::vector<std::uint8_t> out;
  const std::size_t riff = OpenChunk(out, "RIFF");
  PutFourcc(out, "AVI ");
  AppendHeaderList(out, movi.size(), largest);

  const std::size_t moviList = OpenChunk(out, "LIST");
  const std::size_t moviFourcc = out.size();
  PutFourcc(out, "movi");
  std::vector<std::size_t> positions;
  for (const AviChunk& c : movi) {
    positions.push_back(out.size());
    const std::size_t sizeAt = OpenChunk(out, std::string_view(c.id.data(), 4));
    out.insert(out.end(), c.data.begin(), c.data.end());
    CloseChunk(out, sizeAt);
  }
  CloseChunk(out, moviList);

  const std::size_t idx1 = OpenChunk(out, "idx1");
  for (std::size_t k = 0; k < movi.size(); ++k) {
    out.insert(out.end(), movi[k].id.begin(), movi[k].id.end());
    AppendLe32(out, 0x10);  // key frame
    AppendLe32(out, ToU32(offsets == AviOffsets::Absolute ? positions[k] : positions[k] - moviFourcc));
    AppendLe32(out, ToU32(movi[k].data.size()));
  }
  CloseChunk(out, idx1);
  CloseChunk(out, riff);
  return out;
}

std::vector<std::uint8_t> AviWithDv(const std::vector<std::uint8_t>& dv, std::size_t frameSize, AviOffsets offsets) {
  if (frameSize == 0) throw std::invalid_argument("frame size 0");
  std::vector<AviChunk> movi;
  for (std::size_t at = 0; at + frameSize <= dv.size(); at += frameSize)
    movi.push_back({{'0', '0', 'd', 'c'},
                    std::vector<std::uint8_t>(dv.begin() + static_cast<std::ptrdiff_t>(at),
                                              dv.begin() + static_cast<std::ptrdiff_t>(at + frameSize))});
  return AviFile(movi, offsets);
}

std::size_t FindFourcc(const std::vector<std::uint8_t>& bytes, std::string_view fourcc, std::size_t from) {
  if (fourcc.size() != 4) return bytes.size();
  for (std::size_t i = from; i + 4 <= bytes.size(); ++i)
    if (std::equal(fourcc.begin(), fourcc.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i))) return i;
  return bytes.size();
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  if (at + 4 > bytes.size()) throw std::out_of_range("PutLe32 past the end");
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  if (at + 4 > bytes.size()) throw std::out_of_range("GetLe32 past the end");
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

}  // namespace quillon::testsupport
