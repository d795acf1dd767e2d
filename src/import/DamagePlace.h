#pragma once
// Where in the recording the damaged areas of an output lie, told from the good bytes around
// them: the elapsed time from the stream's clock references (HDV) or frame count (DV), and for
// DV the frames hit and the timecode or recording time of the nearest good frame.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon {

// Bytes of an output that could not be read from the unit and were written as zeros.
struct DamagedArea {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

struct DamagePlace {
  // From the recording's start to where the damage begins; nothing when it cannot be told.
  std::optional<double> seconds;
  // The DV frames the area touches, counted from 0.
  struct Frames {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
  };
  std::optional<Frames> frames;
  // The SMPTE timecode of the nearest good DV frame, "hh:mm:ss:ff" (";ff" drop-frame), or, where
  // that frame has none, its recording time "yyyy-mm-dd hh:mm:ss"; stampFrame is that frame, the
  // last good one before the area, or the first after it when none before tells.
  std::optional<std::string> stamp;
  std::optional<std::uint64_t> stampFrame;
  std::string at;  // ElapsedText(*seconds); empty when nothing can be told
};

// One place for each area, in the order given. kind is the output's kind index (kKindM2T,
// kKindDV, kKindAVI). joins are the offsets at which chunks were appended to the output, where
// an HDV stream's clock may start again; they are looked at like the areas' surroundings. Reads
// bounded windows around each area and join (and the start, and an AVI file's index), never the
// whole file; garbage or a read failure tells nothing of the area concerned.
std::vector<DamagePlace> PlaceDamage(platform::File& output, int kind, std::span<const DamagedArea> areas,
                                     std::span<const std::uint64_t> joins = {});

// "hh:mm:ss.d", the tenths cut rather than rounded, so that the time given is never after the
// damage; more hour digits where needed. Negative or not-a-number seconds count as 0.
std::string ElapsedText(double seconds);

}  // namespace quillon
