#include "frontend/Texts.h"

#include <algorithm>
#include <cstdio>

#include "frontend/TextIds.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::frontend {

namespace {

Message FileName(const std::u16string& path) { return Verbatim(std::u16string(platform::LastComponent(path))); }

Message WithCause(Message line, const std::string& cause) {
  if (cause.empty()) return line;
  return Text(IDS_WITH_CAUSE, {std::move(line), Verbatim(platform::FromUtf8(cause))});
}

// Lines joined into one message, one to a line.
Message Lines(std::vector<Message> lines) {
  Message joined;
  for (std::size_t i = 0; i < lines.size(); ++i) joined.verbatim += i ? u"\n%s" : u"%s";
  joined.args = std::move(lines);
  return joined;
}

}  // namespace

ScaledSize ScaleBytes(std::uint64_t bytes) {
  if (bytes < 1024) return {std::to_string(bytes), 0};
  constexpr int kLargest = 4;  // TiB
  double value = static_cast<double>(bytes) / 1024;
  int unit = 1;
  while (value >= 1024 && unit < kLargest) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
  return {text, unit};
}

Message SizeText(std::uint64_t bytes) {
  static constexpr int kUnits[] = {IDS_SIZE_BYTES, IDS_SIZE_KIB, IDS_SIZE_MIB, IDS_SIZE_GIB, IDS_SIZE_TIB};
  const ScaledSize size = ScaleBytes(bytes);
  return Text(bytes == 1 ? IDS_SIZE_BYTE : kUnits[size.unit], {Verbatim(platform::Widen(size.number))});
}

Message DurationText(double seconds) {
  const auto whole = static_cast<std::uint64_t>(std::max(0.0, seconds) + 0.5);
  if (whole < 60) return Text(IDS_DURATION_SECONDS, {Number(whole)});
  if (whole < 3600) return Text(IDS_DURATION_MINUTES, {Number(whole / 60), Number(whole % 60)});
  return Text(IDS_DURATION_HOURS, {Number(whole / 3600), Number(whole % 3600 / 60)});
}

Message FailureLine(const ClipFailure& failure) {
  const auto line = [&](int id) { return Text(id, {Verbatim(failure.clip), Verbatim(failure.file)}); };
  switch (failure.kind) {
    // Kinds whose cause is the system's error text, put in parentheses after the line.
    case FailureKind::ChunkOpen: return WithCause(line(IDS_FAIL_CHUNK_OPEN), failure.detail);
    case FailureKind::ChunkRead: return WithCause(line(IDS_FAIL_CHUNK_READ), failure.detail);
    case FailureKind::OutputCreate: return WithCause(line(IDS_FAIL_OUTPUT_CREATE), failure.detail);
    case FailureKind::OutputWrite: return WithCause(line(IDS_FAIL_OUTPUT_WRITE), failure.detail);
    case FailureKind::OutputSync: return WithCause(line(IDS_FAIL_OUTPUT_SYNC), failure.detail);
    case FailureKind::OutputReadBack: return WithCause(line(IDS_FAIL_OUTPUT_READ_BACK), failure.detail);
    case FailureKind::OutputPlace: return WithCause(line(IDS_FAIL_OUTPUT_PLACE), failure.detail);
    case FailureKind::FolderSync: return WithCause(line(IDS_FAIL_FOLDER_SYNC), failure.detail);
    case FailureKind::Internal: return WithCause(line(IDS_FAIL_INTERNAL), failure.detail);
    // The others tell their whole cause themselves.
    case FailureKind::ChunkEnded: return line(IDS_FAIL_CHUNK_ENDED);
    case FailureKind::OutputMismatch: return line(IDS_FAIL_OUTPUT_MISMATCH);
    case FailureKind::SameAsUnitFile: return line(IDS_FAIL_SAME_AS_UNIT_FILE);
    case FailureKind::ExistsAfterCreateFailure: return line(IDS_FAIL_EXISTS_AFTER_FAILURE);
    case FailureKind::ExistsAfterWriteFailure: return line(IDS_FAIL_EXISTS_AFTER_WRITE_FAILURE);
    case FailureKind::TooLarge:
      return Text(IDS_FAIL_TOO_LARGE, {Verbatim(failure.clip), Verbatim(failure.file), SizeText(failure.bytes)});
    case FailureKind::RescueUnmatched: return WithCause(line(IDS_FAIL_RESCUE_UNMATCHED), failure.detail);
  }
  return line(IDS_FAIL_INTERNAL);
}

Notice CopyFailedNotice(const ClipFailure& failure) {
  return {Text(IDS_COPY_FAILED), FailureLine(failure), Notice::Icon::None};
}

Notice RefusedNotice(const Refusal& refusal) {
  const Message folder = Verbatim(refusal.destination);
  switch (refusal.kind) {
    case RefusalKind::NoDestination: return {Text(IDS_REFUSED_NO_DESTINATION, {folder}), {}};
    case RefusalKind::NotAFolder: return {Text(IDS_REFUSED_NOT_A_FOLDER, {folder}), {}};
    case RefusalKind::NotWritable:
      return {Text(IDS_REFUSED_NOT_WRITABLE, {folder}), Verbatim(platform::FromUtf8(refusal.detail))};
    case RefusalKind::InsideUnit: return {Text(IDS_REFUSED_INSIDE_UNIT, {folder}), {}};
    case RefusalKind::SameFolder: return {Text(IDS_REFUSED_SAME_FOLDER, {folder}), {}};
    case RefusalKind::NotEnoughSpace:
      return {Text(IDS_REFUSED_NOT_ENOUGH_SPACE, {SizeText(refusal.neededBytes), folder, SizeText(refusal.availableBytes)}),
              {}};
  }
  return {};
}

Notice TooLargeNotice(const std::vector<ClipFailure>& tooLarge, bool othersLeft) {
  std::vector<Message> lines;
  for (const ClipFailure& output : tooLarge) {
    lines.push_back(Text(IDS_TOO_LARGE_ITEM, {Verbatim(output.clip), Verbatim(output.file), SizeText(output.bytes)}));
  }
  return {Text(othersLeft ? IDS_TOO_LARGE_OTHERS_LEFT : IDS_TOO_LARGE_NOTHING_LEFT), Lines(std::move(lines))};
}

namespace {

// A damaged area's place: its time, and in DV the frames hit and the nearest good frame's stamp.
Message PlaceText(const DamagePlace& place) {
  Message at = Verbatim(platform::FromUtf8(place.at));
  if (!place.frames) return at;
  const DamagePlace::Frames& f = *place.frames;
  const bool one = f.first == f.last;
  if (place.stamp) {
    Message stamp = Verbatim(platform::FromUtf8(*place.stamp));
    return one ? Text(IDS_DAMAGE_FRAME_STAMP, {std::move(at), Number(f.first), std::move(stamp)})
               : Text(IDS_DAMAGE_FRAMES_STAMP, {std::move(at), Number(f.first), Number(f.last), std::move(stamp)});
  }
  return one ? Text(IDS_DAMAGE_FRAME, {std::move(at), Number(f.first)})
             : Text(IDS_DAMAGE_FRAMES, {std::move(at), Number(f.first), Number(f.last)});
}

}  // namespace

Message DamageLine(const RescuedOutput& output) {
  const std::size_t count = output.areas.size();
  Message line = count == 1 ? Text(IDS_DAMAGE_ONE, {Verbatim(output.clip), SizeText(output.missingBytes)})
                            : Text(IDS_DAMAGE_MANY, {Verbatim(output.clip), Number(count), SizeText(output.missingBytes)});
  // The places that can be told, the first ten of them.
  std::vector<Message> told;
  for (const DamagePlace& place : output.places) {
    if (place.at.empty()) continue;
    if (told.size() == 10) {
      told.push_back(Verbatim(u"…"));
      break;
    }
    told.push_back(PlaceText(place));
  }
  if (told.empty()) return line;
  Message places;
  for (std::size_t i = 0; i < told.size(); ++i) places.verbatim += i ? u", %s" : u"%s";
  places.args = std::move(told);
  return Text(IDS_DAMAGE_AT, {std::move(line), std::move(places)});
}

std::vector<Notice> NoticesAfter(const ImportOutcome& outcome) {
  std::vector<Notice> notices;
  if (!outcome.rescued.empty()) {
    std::vector<Message> lines;
    for (const RescuedOutput& output : outcome.rescued) lines.push_back(DamageLine(output));
    notices.push_back({Text(IDS_RESCUED_HEAD), Lines(std::move(lines)), Notice::Icon::Warning});
  }
  if (!outcome.renamed.empty()) {
    std::vector<Message> lines;
    for (const RenamedOutput& output : outcome.renamed) {
      lines.push_back(Text(IDS_RENAMED_ITEM, {FileName(output.from), FileName(output.to)}));
    }
    notices.push_back({Text(IDS_RENAMED_HEAD), Lines(std::move(lines)), Notice::Icon::Information});
  }
  if (!outcome.notRemoved.empty()) {
    std::vector<Message> lines;
    for (const UnremovedOutput& left : outcome.notRemoved) lines.push_back(WithCause(Verbatim(left.path), left.error));
    notices.push_back({Text(IDS_NOT_REMOVED_HEAD), Lines(std::move(lines))});
  }
  if (!outcome.historyProblems.empty()) {
    std::vector<Message> lines;
    for (const std::string& problem : outcome.historyProblems) lines.push_back(Verbatim(platform::FromUtf8(problem)));
    notices.push_back({Text(IDS_HISTORY_NOT_WRITTEN), Lines(std::move(lines)), Notice::Icon::Warning});
  }
  if (outcome.destinationMovedTo) {
    const Message chosen = Verbatim(outcome.destination);
    notices.push_back({outcome.destinationMovedTo->empty()
                           ? Text(IDS_MOVED_GONE, {chosen})
                           : Text(IDS_MOVED, {chosen, Verbatim(*outcome.destinationMovedTo)}),
                       {}});
  }
  return notices;
}

Summary SummaryOf(const ImportOutcome& outcome) {
  // The files of the destination; the second copy's are told as its own part.
  const std::size_t files = static_cast<std::size_t>(
      std::count_if(outcome.written.begin(), outcome.written.end(), [](const PlacedOutput& o) { return o.copy == 0; }));
  const std::u16string folder = outcome.destinationMovedTo && !outcome.destinationMovedTo->empty()
                                    ? *outcome.destinationMovedTo
                                    : outcome.destination;
  Summary summary;
  summary.head = Text(files == 1 ? IDS_SUMMARY_ONE : IDS_SUMMARY_MANY, {Number(files), Verbatim(folder)});
  std::vector<Message> figures;
  if (outcome.cancelled) figures.push_back(Text(IDS_SUMMARY_CANCELLED));
  figures.push_back(Text(IDS_SUMMARY_SIZE_TIME, {SizeText(outcome.bytesWritten), DurationText(outcome.seconds)}));
  if (outcome.newClips > 0) figures.push_back(Text(IDS_SUMMARY_NEW, {Number(outcome.newClips)}));
  if (!outcome.secondCopy.empty()) figures.push_back(Text(IDS_SUMMARY_SECOND_COPY, {Verbatim(outcome.secondCopy)}));
  if (!outcome.kept.empty()) figures.push_back(Text(IDS_SUMMARY_KEPT, {Number(outcome.kept.size())}));
  if (!outcome.renamed.empty()) figures.push_back(Text(IDS_SUMMARY_RENAMED, {Number(outcome.renamed.size())}));
  if (!outcome.rescued.empty()) figures.push_back(Text(IDS_SUMMARY_RESCUED, {Number(outcome.rescued.size())}));
  if (const auto failed = outcome.FailedClips(); !failed.empty()) {
    figures.push_back(Text(IDS_SUMMARY_FAILED, {Number(failed.size())}));
  }
  // The parts with the separator between them.
  Message joined;
  for (std::size_t i = 0; i < figures.size(); ++i) {
    if (i) joined.args.push_back(Text(IDS_SUMMARY_SEPARATOR));
    joined.args.push_back(std::move(figures[i]));
    joined.verbatim += i ? u"%s%s" : u"%s";
  }
  summary.figures = std::move(joined);
  if (const std::size_t damaged = outcome.DamagedClips().size(); damaged > 0) {
    summary.rescueOffer = damaged == 1 ? Text(IDS_RESCUE_OFFER_ONE) : Text(IDS_RESCUE_OFFER_MANY, {Number(damaged)});
  }
  return summary;
}

ProgressLines ProgressLinesOf(const ProgressEvent& progress, const std::optional<TransferRate::Estimate>& rate,
                              std::chrono::milliseconds unitSilent) {
  ProgressLines lines;
  lines.clip = Text(IDS_PROGRESS_CLIP, {Number(progress.clipNumber), Number(progress.clipCount), Verbatim(progress.clip)});
  lines.file = Text(IDS_PROGRESS_FILE, {Verbatim(progress.output)});
  lines.amount = Text(IDS_PROGRESS_AMOUNT, {SizeText(progress.bytesDone), SizeText(progress.bytesTotal)});
  if (rate) {
    char mib[32];
    std::snprintf(mib, sizeof mib, "%.1f", rate->bytesPerSecond / (1024.0 * 1024.0));
    lines.rate = rate->secondsLeft
                     ? Text(IDS_PROGRESS_RATE_LEFT, {Verbatim(platform::Widen(mib)), DurationText(*rate->secondsLeft)})
                     : Text(IDS_PROGRESS_RATE, {Verbatim(platform::Widen(mib))});
  }
  if (const auto& rescue = progress.rescue) {
    int phase = IDS_RESCUE_COPYING;
    if (rescue->phase == RescuePhase::Trimming) phase = IDS_RESCUE_TRIMMING;
    if (rescue->phase == RescuePhase::Scraping) phase = IDS_RESCUE_SCRAPING;
    if (rescue->phase == RescuePhase::Retrying) phase = IDS_RESCUE_RETRYING;
    lines.amount = Text(phase, {SizeText(rescue->rescued), SizeText(rescue->bad)});
    lines.rate = rescue->sinceGoodRead
                     ? Text(IDS_RESCUE_LAST_GOOD, {DurationText(static_cast<double>(rescue->sinceGoodRead->count()) / 1000)})
                     : Text(IDS_RESCUE_NO_GOOD_READ);
  }
  if (unitSilent.count() > 0) lines.rate = Text(IDS_UNIT_SILENT, {Number(static_cast<std::uint64_t>(unitSilent.count() / 1000))});
  return lines;
}

Message OverwriteQuestionText(const OverwriteQuestion& question) {
  return Text(IDS_OVERWRITE_QUESTION, {FileName(question.path)});
}

Message ExistingFileText(const OverwriteQuestion& question, const std::u16string& changed) {
  if (!question.existingSize) return Text(IDS_EXISTING_NOT_A_FILE);
  if (!question.existingTime || changed.empty()) return Text(IDS_EXISTING_SIZE, {SizeText(*question.existingSize)});
  return Text(IDS_EXISTING_SIZE_DATE, {SizeText(*question.existingSize), Verbatim(changed)});
}

Message NewFileText(const OverwriteQuestion& question) { return Text(IDS_NEW_SIZE, {SizeText(question.newSize)}); }

}  // namespace quillon::frontend
