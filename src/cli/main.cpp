// quillon-cli: lists and imports the clips of a recording unit from the command line, with the
// same catalogue and import code as the desktop program.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "cli/DryRun.h"
#include "cli/Json.h"
#include "cli/StandardOutput.h"
#include "cli/TerminalImport.h"
#include "frontend/Texts.h"
#include "import/Home.h"
#include "import/ImportContext.h"
#include "import/ImportRequest.h"
#include "import/Manifest.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Volumes.h"
#include "version/Version.h"

namespace {

using namespace quillon;
using platform::FromUtf8;
using platform::ToUtf8;

constexpr const char* kDrivesUsage = "quillon-cli drives [--json]";
constexpr const char* kListUsage =
    "quillon-cli list ROOT [--json] [--no-hdv] [--no-dv] [--dest DEST [--check] [--prefix N]]";
constexpr const char* kImportUsage =
    "quillon-cli import ROOT DEST [--no-hdv] [--no-dv] [--prefix N] [--overwrite ask|all|none]\n"
    "                          [--no-verify] [--manifest FILE] [--rescue [--retries N]] [--dry-run]\n"
    "                          [--new [--check]] [--copy-to DIR] [--mhl]\n"
    "                          [-q|--quiet] [--json] [CLIP ...]";

// What each command's --help prints below its usage line.
constexpr const char* kDrivesHelp =
    "The mounted volumes that hold a recording unit's tree, one mount point per line.\n"
    "  --json    each one with its file system and free space\n";
constexpr const char* kListHelp =
    "One row per clip of the unit at ROOT (a mount point, or any folder that holds VIDEO/QVT,\n"
    "or HDVF and DVF).\n"
    "  --json              the catalogue as JSON\n"
    "  --no-hdv, --no-dv   leave HDV (M2T) or DV (DV, AVI) files out of the scan\n"
    "  --dest DEST         mark each clip home, new or changed against the folder DEST (its\n"
    "                      import history; files imported before it by name and size); --json\n"
    "                      adds \"home\" and \"home_paths\" to each clip\n"
    "  --check             with --dest, read the recorded files again and compare their hashes\n"
    "  --prefix N          with --dest, the prefix the names were imported with (0)\n";
constexpr const char* kImportHelp =
    "Copies the named clips (all when none is named) into the folder DEST and prints each output\n"
    "file once it is complete and in place, and \"kept PATH\" for each existing file left as it was.\n"
    "  --no-hdv, --no-dv    leave HDV (M2T) or DV (DV, AVI) files out of the scan\n"
    "  --prefix N           number 0-99 at the start of names of clips from numbered folders\n"
    "  --overwrite MODE     existing output files: ask (default on a terminal), all, none\n"
    "  --no-verify          do not read each output back from the disk to compare it\n"
    "  --manifest FILE      write the outputs' XXH3-128 hashes to FILE (check: xxhsum -c FILE)\n"
    "  --rescue             a read error does not fail the clip: every byte the unit gives is\n"
    "                       copied, the rest written as zeros into NAME-rescued.EXT beside a map\n"
    "                       in GNU ddrescue's format; run again to read only what is missing\n"
    "  --retries N          with --rescue, passes over the bad sectors at the end (1)\n"
    "  --dry-run            print what the import would write, and copy nothing\n"
    "  --new                only the clips that are not home in DEST; \"nothing new\" when none\n"
    "  --check              with --new, read the recorded files again before taking a clip as home\n"
    "  --copy-to DIR        a second copy of every output in DIR, from the same read of the unit,\n"
    "                       checked there too, with its own import history\n"
    "  --mhl                add a generation to each folder's ASC MHL history (FOLDER/ascmhl);\n"
    "                       for folders that hold the imports alone\n"
    "  -q, --quiet          no progress bar and no line per file: only errors\n"
    "  --json               a summary as JSON instead of the lines\n";

constexpr const char* kHelp =
    "Lists and imports the clips of an HDV/DV hard-disk recording unit.\n"
    "\n"
    "  drives        the mounted unit drives, one per line; --json adds each one's file system\n"
    "                and free space\n"
    "  list ROOT     one row per clip of the unit at ROOT (a mount point or a folder holding\n"
    "                VIDEO/QVT, or HDVF and DVF); --json prints the catalogue as JSON;\n"
    "                --dest DEST marks each clip home, new or changed against DEST\n"
    "  import ROOT DEST\n"
    "                copies the named clips (all when none is named) into the folder DEST and\n"
    "                prints each output file once it is complete and in place, and \"kept PATH\"\n"
    "                for each existing file left as it was; --json prints a summary instead\n"
    "\n"
    "Options:\n"
    "  --no-hdv, --no-dv    leave HDV (M2T) or DV (DV, AVI) files out of the scan\n"
    "  --prefix N           number 0-99 at the start of names of clips from numbered folders\n"
    "  --overwrite MODE     existing output files: ask (default on a terminal), all, none\n"
    "  --no-verify          do not read each output back from the disk to compare it\n"
    "  --manifest FILE      write the outputs' XXH3-128 hashes to FILE (check: xxhsum -c FILE)\n"
    "  --rescue             read errors do not fail clips: what can be read is copied into\n"
    "                       NAME-rescued.EXT, with a map of what is missing (GNU ddrescue's\n"
    "                       format); run again to read only that; --retries N (1) more passes\n"
    "  --new                import only the clips not yet home in DEST (--check: rehash first)\n"
    "  --copy-to DIR        a second, checked copy in DIR from the same read of the unit\n"
    "  --mhl                keep an ASC MHL history in each folder\n"
    "  --dry-run            print the output files the import would write, each with its size\n"
    "                       and new, would replace, would keep, would ask or would fail, and\n"
    "                       whether the import could start; copy nothing\n"
    "  -q, --quiet          no progress bar and no line per file: only errors\n"
    "  --help, --version\n"
    "\n"
#ifdef _WIN32
    "Ctrl+C, Ctrl+Break and closing the console window cancel an import; the file being\n"
    "written is removed and existing files keep their bytes.\n"
#else
    "Ctrl+C, SIGTERM and SIGHUP cancel an import; the file being written is removed and\n"
    "existing files keep their bytes.\n"
#endif
    "\n"
    "Exit status: 0 success; 1 a clip failed (or would, with --dry-run), a rescue left bytes\n"
    "missing, the import was refused or cancelled, there was nothing to import, ROOT holds no\n"
    "unit, or the output or the manifest could not be written; 2 usage error, or ROOT is\n"
    "missing or not a folder.\n";

int UsageError(const std::string& message) {
  cli::PrintError("quillon-cli: " + message + " (see --help)\n");
  return 2;
}

enum class Command { Drives, List, Import };

struct Arguments {
  std::vector<std::string> positional;
  bool json = false;
  bool hdv = true;
  bool dv = true;
  int prefix = 0;
  std::string overwrite;
  bool verify = true;
  std::string manifest;
  bool dryRun = false;
  bool quiet = false;
  bool rescue = false;
  int retries = 1;
  bool retriesGiven = false;
  bool prefixGiven = false;
  std::string dest;     // list: the folder to mark clips home against
  bool check = false;   // rehash recorded outputs before taking a clip as home
  bool newOnly = false;
  std::string copyTo;
  bool mhl = false;
};

// The value of the option name, given as "NAME VALUE" or "NAME=VALUE" (i moves past it);
// nothing when a is another option, and "" when the value is missing.
std::optional<std::string> ValueOf(std::string_view a, std::string_view name, const std::vector<std::string>& argv,
                                   std::size_t& i) {
  if (a == name) return i + 1 < argv.size() ? argv[++i] : std::string();
  if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == '=') return std::string(a.substr(name.size() + 1));
  return std::nullopt;
}

// Parses options anywhere on the line; "--" ends them. Returns an error text or empty.
std::string Parse(const std::vector<std::string>& argv, Command command, Arguments& args) {
  const std::size_t argc = argv.size();
  const bool scanOptions = command != Command::Drives;
  const bool importOptions = command == Command::Import;
  bool optionsEnded = false;
  for (std::size_t i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    std::optional<std::string> value;
    if (!optionsEnded && importOptions && a == "-q") {
      args.quiet = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-' && a[1] != '-') {
      return "unknown option " + std::string(a);
    } else if (optionsEnded || a.size() < 2 || a.substr(0, 2) != "--") {
      if (command == Command::Drives) return "drives takes no arguments";
      args.positional.emplace_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--json") {
      args.json = true;
    } else if (scanOptions && a == "--no-hdv") {
      args.hdv = false;
    } else if (scanOptions && a == "--no-dv") {
      args.dv = false;
    } else if (scanOptions && (value = ValueOf(a, "--prefix", argv, i))) {
      if (value->empty() || value->size() > 2 || value->find_first_not_of("0123456789") != std::string::npos)
        return "--prefix takes a number from 0 to 99";
      args.prefix = std::stoi(*value);
      args.prefixGiven = true;
    } else if (command == Command::List && (value = ValueOf(a, "--dest", argv, i))) {
      args.dest = *value;
      if (args.dest.empty()) return "--dest needs a folder";
    } else if (scanOptions && a == "--check") {
      args.check = true;
    } else if (importOptions && a == "--new") {
      args.newOnly = true;
    } else if (importOptions && (value = ValueOf(a, "--copy-to", argv, i))) {
      args.copyTo = *value;
      if (args.copyTo.empty()) return "--copy-to needs a folder";
    } else if (importOptions && a == "--mhl") {
      args.mhl = true;
    } else if (importOptions && (value = ValueOf(a, "--retries", argv, i))) {
      if (value->empty() || value->size() > 2 || value->find_first_not_of("0123456789") != std::string::npos)
        return "--retries takes a number from 0 to 99";
      args.retries = std::stoi(*value);
      args.retriesGiven = true;
    } else if (importOptions && a == "--rescue") {
      args.rescue = true;
    } else if (importOptions && (value = ValueOf(a, "--overwrite", argv, i))) {
      args.overwrite = *value;
      if (args.overwrite != "ask" && args.overwrite != "all" && args.overwrite != "none")
        return "--overwrite takes ask, all or none";
    } else if (importOptions && a == "--no-verify") {
      args.verify = false;
    } else if (importOptions && (value = ValueOf(a, "--manifest", argv, i))) {
      args.manifest = *value;
      if (args.manifest.empty()) return "--manifest needs a file name";
    } else if (importOptions && a == "--dry-run") {
      args.dryRun = true;
    } else if (importOptions && a == "--quiet") {
      args.quiet = true;
    } else {
      return "unknown option " + std::string(a);
    }
  }
  if (args.retriesGiven && !args.rescue) return "--retries goes with --rescue";
  if (command == Command::List && args.dest.empty() && (args.check || args.prefixGiven)) {
    return std::string(args.check ? "--check" : "--prefix") + " goes with --dest";
  }
  if (command == Command::Import && args.check && !args.newOnly) return "--check goes with --new";
  if (!args.copyTo.empty() && args.rescue) return "--copy-to does not go with --rescue: a rescue writes one folder";
  return {};
}

// A folder the user gave: a mount point, any folder, or on Windows a drive ("E:" or "E:\\").
std::u16string RootArgument(const std::string& text) {
  return platform::StripTrailingSeparators(platform::NativeSeparators(FromUtf8(text)));
}

// Paths the user gave, made absolute: output paths are printed in full, and the manifest
// names the files as the import wrote them.
std::u16string AbsoluteArgument(const std::string& text) {
  return platform::StripTrailingSeparators(platform::AbsolutePath(platform::NativeSeparators(FromUtf8(text))));
}

// A ROOT that is not a folder is a wrong argument (2); a folder without a unit's tree, as the
// drive detection tells it, has nothing to list (1). Says which on stderr.
std::optional<int> CheckRoot(const std::u16string& root) {
  const std::string shown = ToUtf8(root);
  const auto status = platform::Files().Status(root);
  if (!status) {
    cli::PrintError("quillon-cli: the folder " + shown + " does not exist\n");
    return 2;
  }
  if (!status->isDirectory) {
    cli::PrintError("quillon-cli: " + shown + " is not a folder\n");
    return 2;
  }
  if (!IsUnitDrive(root)) {
    cli::PrintError("quillon-cli: " + shown + " holds no recording unit (no VIDEO/QVT, nor HDVF and DVF)\n");
    return 1;
  }
  return std::nullopt;
}

int Drives(bool json) {
  std::vector<std::u16string> drives;
  FindUnitDrives(drives);
  if (!json) {
    for (const auto& d : drives) cli::Print(ToUtf8(d) + "\n");
    return 0;
  }
  std::string out = "{\"drives\": [";
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const auto type = platform::VolumeType(drives[i]);
    const auto space = platform::Files().Space(drives[i]);
    if (i) out += ", ";
    out += "{\"mount_point\": " + cli::JsonString(drives[i]) +
           ", \"fs_type\": " + (type ? cli::JsonString(FromUtf8(*type)) : "null") + ", \"free_bytes\": " +
           cli::JsonNumberOrNull(space ? std::optional(space->freeBytes) : std::nullopt) + "}";
  }
  cli::Print(out + "]}\n");
  return 0;
}

const char* HomeWord(const ClipHome& home) {
  switch (home.state) {
    case HomeState::Home: return home.adopted ? "home (before history)" : "home";
    case HomeState::Changed: return "changed";
    case HomeState::New: break;
  }
  return "new";
}

// The clips of the catalogue against the folder DEST; a history that cannot be read is told, and
// the clips are then marked by name and size alone. Nothing (told) when DEST is no folder.
std::optional<HomeLook> LookAtDest(const ClipCatalogue& catalogue, const std::u16string& root,
                                   const std::u16string& dest, int prefix, bool check) {
  const auto status = platform::Files().Status(dest);
  if (!status || !status->isDirectory) {
    cli::PrintError("quillon-cli: " + ToUtf8(dest) + (status ? " is not a folder\n" : " does not exist\n"));
    return std::nullopt;
  }
  std::vector<Clip> clips;
  for (std::size_t i = 0; i < catalogue.Count(); ++i) clips.push_back(*catalogue.Handle(i));
  std::optional<HomeLook> look = LookHome(std::move(clips), root, dest, prefix, check);
  if (!look) {
    cli::PrintError("quillon-cli: the folder " + ToUtf8(dest) + " cannot be opened (" +
                    platform::ErrorText(platform::LastError()) + ")\n");
  } else if (look->historyError) {
    cli::PrintError("quillon-cli: the import history in " + ToUtf8(dest) + " cannot be read: " + *look->historyError +
                    "; clips are taken as home only by their files' names and sizes\n");
  }
  return look;
}

void PrintCatalogueJson(const std::u16string& root, const ClipCatalogue& catalogue,
                        const std::vector<std::u16string>& rows, const std::optional<HomeLook>& home) {
  std::string out = "{\"root\": " + cli::JsonString(root) + ", \"clips\": [";
  for (std::size_t i = 0; i < catalogue.Count(); ++i) {
    ClipHandle clip = catalogue.Handle(i);
    if (i) out += ", ";
    out += "{\"name\": " + cli::JsonString(clip->name);
    out += ", \"kind_bits\": " + std::to_string(clip->kindBits);
    out += ", \"source\": ";
    out += clip->source == ClipSource::Folder ? "\"folder\"" : "\"flat\"";
    out += ", \"folder\": " + cli::JsonString(clip->folder);
    out += ", \"size_mib\": " + std::to_string(catalogue.GetClipSizeMiB(i));
    std::uint64_t bytes = 0;
    for (Chunk& c : clip->chunks) bytes += c.Size();
    out += ", \"size\": " + std::to_string(bytes);
    // The instant the list row shows: the last chunk's last write, 0 when unknown.
    const std::int64_t time = clip->chunks.empty() ? 0 : clip->ClipTime(clip->chunks.size() - 1);
    out += ", \"time\": " + (time == 0 ? std::string("null") : cli::JsonLocalTime(time));
    out += ", \"row\": " + cli::JsonString(rows[i]);
    if (home) {
      const ClipHome& h = home->clips[i];
      out += std::string(", \"home\": ") + (h.state == HomeState::Home ? "true" : "false");
      out += std::string(", \"home_state\": \"") +
             (h.state == HomeState::Home ? (h.adopted ? "adopted" : "home") : h.state == HomeState::Changed ? "changed" : "new") +
             "\"";
      out += ", \"home_paths\": " + cli::JsonStringArray(h.paths);
    }
    out += ", \"chunks\": [";
    for (std::size_t k = 0; k < clip->chunks.size(); ++k) {
      Chunk& c = clip->chunks[k];
      if (k) out += ", ";
      out += "{\"path\": " + cli::JsonString(c.path) + ", \"name\": " + cli::JsonString(c.fileName) +
             ", \"kind\": " + std::to_string(c.kind) + ", \"continues\": " + (c.continues ? "true" : "false") +
             ", \"size\": " + std::to_string(c.Size()) + "}";
    }
    out += "]}";
  }
  out += "]}\n";
  cli::Print(out);
}

int List(const Arguments& args) {
  if (args.positional.size() != 1) return UsageError(args.positional.empty() ? "list needs ROOT" : "too many arguments");
  if (!args.hdv && !args.dv) return UsageError("--no-hdv and --no-dv together leave out every clip");
  const std::u16string root = RootArgument(args.positional[0]);
  if (const auto status = CheckRoot(root)) return *status;
  ClipCatalogue catalogue;
  catalogue.Scan(root, args.hdv, args.dv);
  std::vector<std::u16string> rows;
  catalogue.GetRowTexts(rows, TheImportContext().dateLocale);
  std::optional<HomeLook> home;
  if (!args.dest.empty()) {
    home = LookAtDest(catalogue, root, AbsoluteArgument(args.dest), args.prefix, args.check);
    if (!home) return 2;
  }
  if (args.json) {
    PrintCatalogueJson(root, catalogue, rows, home);
  } else {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      cli::Print(ToUtf8(rows[i]) + (home ? std::string("  ") + HomeWord(home->clips[i]) : std::string()) + "\n");
    }
  }
  return 0;
}

std::string OutcomeJson(const ImportOutcome& outcome) {
  std::vector<std::u16string> written, kept, discarded, untouched;
  for (const PlacedOutput& o : outcome.written) written.push_back(o.path);
  for (const KeptOutput& o : outcome.kept) kept.push_back(o.path);
  for (const DiscardedOutput& o : outcome.discarded) {
    discarded.push_back(o.path);
    if (o.existing) untouched.push_back(o.path);  // the earlier file of that name, left as it was
  }
  std::string renamed = "[";
  for (const RenamedOutput& r : outcome.renamed) {
    if (renamed.size() > 1) renamed += ", ";
    renamed += "{\"from\": " + cli::JsonString(r.from) + ", \"to\": " + cli::JsonString(r.to) + "}";
  }
  renamed += "]";
  std::string notRemoved = "[";
  for (const UnremovedOutput& left : outcome.notRemoved) {
    if (notRemoved.size() > 1) notRemoved += ", ";
    notRemoved += "{\"path\": " + cli::JsonString(left.path) + ", \"error\": " + cli::JsonString(FromUtf8(left.error)) +
                  "}";
  }
  notRemoved += "]";
  std::string rescued = "[";
  for (const RescuedOutput& output : outcome.rescued) {
    if (rescued.size() > 1) rescued += ", ";
    std::string areas = "[";
    for (std::size_t k = 0; k < output.areas.size(); ++k) {
      if (areas.size() > 1) areas += ", ";
      const std::string& at = k < output.places.size() ? output.places[k].at : std::string();
      areas += "{\"offset\": " + std::to_string(output.areas[k].offset) + ", \"length\": " +
               std::to_string(output.areas[k].length) +
               ", \"at\": " + (at.empty() ? "null" : "\"" + at + "\"") + "}";
    }
    rescued += "{\"clip\": " + cli::JsonString(output.clip) + ", \"path\": " + cli::JsonString(output.path) +
               ", \"map\": " + cli::JsonString(output.map) + ", \"bad_bytes\": " + std::to_string(output.missingBytes) +
               ", \"areas\": " + areas + "]}";
  }
  rescued += "]";
  std::string hashes = "{";
  for (const PlacedOutput& o : outcome.written) {
    if (hashes.size() > 1) hashes += ", ";
    hashes += cli::JsonString(o.path) + ": \"" + o.hash + "\"";
  }
  for (const RescuedOutput& o : outcome.rescued) {
    if (hashes.size() > 1) hashes += ", ";
    hashes += cli::JsonString(o.path) + ": \"" + o.hash + "\"";
  }
  hashes += "}";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", outcome.seconds);
  std::vector<std::u16string> problems;
  for (const std::string& problem : outcome.historyProblems) problems.push_back(FromUtf8(problem));
  return "{\"written\": " + cli::JsonStringArray(written) + ", \"skipped\": " + cli::JsonStringArray(kept) +
         ", \"renamed\": " + renamed + ", \"discarded\": " + cli::JsonStringArray(discarded) +
         ", \"left_as_it_was\": " + cli::JsonStringArray(untouched) +
         ", \"not_removed\": " + notRemoved + ", \"failed\": " + cli::JsonStringArray(outcome.FailedClips()) +
         ", \"cancelled\": " + (outcome.cancelled ? "true" : "false") + ", \"hashes\": " + hashes +
         ", \"verified\": " + (outcome.verified ? "true" : "false") +
         ", \"bytes\": " + std::to_string(outcome.bytesWritten) + ", \"seconds\": " + seconds +
         ", \"refusal\": " + (outcome.refusal ? cli::JsonString(FromUtf8(cli::RefusalLine(*outcome.refusal))) : "null") +
         ", \"moved_to\": " + (outcome.destinationMovedTo ? cli::JsonString(*outcome.destinationMovedTo) : "null") +
         ", \"rescued\": " + rescued +
         ", \"second_copy\": " + (outcome.secondCopy.empty() ? "null" : cli::JsonString(outcome.secondCopy)) +
         ", \"new_clips\": " + std::to_string(outcome.newClips) +
         ", \"history_problems\": " + cli::JsonStringArray(problems) +
         "}\n";
}

// The manifest's folder must take a file, before anything is copied.
std::optional<std::string> ManifestProblem(const std::u16string& manifest) {
  std::u16string folder(platform::ParentPart(manifest));
  if (folder.empty()) folder = std::u16string(1, platform::kSeparator);
  const auto status = platform::Files().Status(folder);
  if (!status) return "the folder " + ToUtf8(folder) + " does not exist";
  if (!status->isDirectory) return ToUtf8(folder) + " is not a folder";
  if (!platform::Files().CanWriteIn(folder)) return platform::ErrorText(platform::LastError());
  if (const auto there = platform::Files().Status(manifest); there && there->isDirectory) return "it is a folder";
  return std::nullopt;
}

// "--no-hdv", "--no-dv" or both: what the scan left out.
std::string SwitchesText(const Arguments& args) {
  if (!args.hdv && !args.dv) return "--no-hdv and --no-dv";
  return args.hdv ? "--no-dv" : "--no-hdv";
}

bool HasClip(const ClipCatalogue& catalogue, const std::u16string& name) {
  for (std::size_t i = 0; i < catalogue.Count(); ++i) {
    if (catalogue.ClipName(i) == name) return true;
  }
  return false;
}

int Import(const Arguments& args) {
  if (args.positional.size() < 2) return UsageError("import needs ROOT and DEST");
  if (!args.hdv && !args.dv) return UsageError("--no-hdv and --no-dv together leave out every clip");
  const std::u16string root = RootArgument(args.positional[0]);
  if (const auto status = CheckRoot(root)) return *status;
  const std::u16string destination = AbsoluteArgument(args.positional[1]);
  ClipCatalogue catalogue;
  catalogue.Scan(root, args.hdv, args.dv);

  std::vector<std::size_t> rows;
  if (args.positional.size() == 2) {
    for (std::size_t i = 0; i < catalogue.Count(); ++i) rows.push_back(i);
    if (rows.empty()) {
      cli::PrintError("quillon-cli: nothing to import: no clips in " + ToUtf8(root) +
                      (args.hdv && args.dv ? "" : " with " + SwitchesText(args)) + "\n");
      return 1;
    }
  } else {
    // A name the unit does not have is a wrong argument; a clip that --no-hdv or --no-dv left
    // out of the scan is only not imported.
    std::optional<ClipCatalogue> whole;
    std::vector<std::string> leftOut;
    for (std::size_t n = 2; n < args.positional.size(); ++n) {
      const std::u16string name = FromUtf8(args.positional[n]);
      bool found = false;
      for (std::size_t i = 0; i < catalogue.Count(); ++i) {
        if (catalogue.ClipName(i) == name) {
          rows.push_back(i);
          found = true;
        }
      }
      if (found) continue;
      if (!args.hdv || !args.dv) {
        if (!whole) whole.emplace().Scan(root, true, true);
        if (HasClip(*whole, name)) {
          leftOut.push_back(args.positional[n]);
          continue;
        }
      }
      return UsageError("no clip named " + args.positional[n]);
    }
    for (const auto& name : leftOut) {
      cli::PrintError("quillon-cli: " + name + " is left out by " + SwitchesText(args) + "\n");
    }
    if (rows.empty()) {
      cli::PrintError("quillon-cli: nothing to import\n");
      return 1;
    }
  }

  if (args.newOnly) {
    const std::optional<HomeLook> home = LookAtDest(catalogue, root, destination, args.prefix, args.check);
    if (!home) return 1;
    std::erase_if(rows, [&](std::size_t row) { return home->clips[row].state == HomeState::Home; });
    if (rows.empty()) {
      cli::Print(args.json ? "{\"nothing_new\": true, \"written\": []}\n" : "nothing new\n");
      return 0;
    }
  }

  const bool terminal = platform::IsTerminal(platform::StdStream::In);
  const std::string mode = args.overwrite.empty() ? (terminal ? "ask" : "none") : args.overwrite;
  ImportRequest request = RequestFor(catalogue, std::move(rows));
  request.destination = destination;
  request.prefix = args.prefix;
  request.overwrite = mode == "all" ? OverwritePolicy::ReplaceAll : mode == "none" ? OverwritePolicy::KeepAll : OverwritePolicy::Ask;
  request.verify = args.verify;
  request.rescue = args.rescue;
  request.retries = args.retries;
  if (!args.copyTo.empty()) request.secondCopy = AbsoluteArgument(args.copyTo);
  request.mhl = args.mhl;

  const std::u16string manifest = args.manifest.empty() ? std::u16string() : AbsoluteArgument(args.manifest);
  if (!manifest.empty()) {
    if (const auto problem = ManifestProblem(manifest)) {
      cli::PrintError("quillon-cli: the manifest " + ToUtf8(manifest) + " cannot be written: " + *problem +
                      ". Nothing was copied.\n");
      return 1;
    }
  }
  if (args.dryRun) {
    const cli::DryRun run = cli::PlanImport(std::move(request));
    cli::Print(args.json ? cli::DryRunJson(run) : cli::DryRunText(run));
    return run.WouldSucceed() ? 0 : 1;
  }

  const bool tell = !args.json && !args.quiet;  // lines beyond errors
  cli::TerminalImportOptions options;
  options.printPaths = tell;
  options.progressBar = tell && platform::IsTerminal(platform::StdStream::Err);
  options.interactive = terminal;
  options.quiet = !tell;
  platform::CatchInterrupts();
  cli::TerminalImport import(options);
  const ImportOutcome outcome = import.Run(std::move(request));

  // A rescue that left bytes missing has not finished its work.
  bool ok = !outcome.refusal && outcome.failures.empty() && !outcome.cancelled && outcome.notRemoved.empty() &&
            outcome.rescued.empty() && outcome.historyProblems.empty();
  for (const std::string& problem : outcome.historyProblems) {
    cli::PrintError("quillon-cli: the files are in place, but the history could not be written: " + problem + "\n");
  }
  if (tell) {
    for (const auto& path : outcome.staleRemoved) {
      cli::PrintError("quillon-cli: removed " + ToUtf8(path) + ", left by an import that was stopped\n");
    }
    for (const DiscardedOutput& gone : outcome.discarded) {
      const std::string path = ToUtf8(gone.path);
      cli::PrintError(gone.existing ? "quillon-cli: removed the incomplete new copy of " + path + "; the file " +
                                          path + " was left as it was\n"
                                    : "quillon-cli: removed the incomplete copy of " + path + "\n");
    }
  }
  if (!manifest.empty() && !outcome.refusal) {
    // Rescued outputs are files written too: their hashes check them as they are, zeros and all.
    std::vector<PlacedOutput> files = outcome.written;
    for (const RescuedOutput& o : outcome.rescued) files.push_back({o.clip, o.path, o.bytes, o.hash, {}, 0});
    const ManifestText text = MakeManifest(files);
    for (const std::u16string& path : text.leftOut) {
      cli::PrintError("quillon-cli: the manifest leaves out " + cli::JsonString(path) +
                      ": xxhsum cannot read a file name with a line break\n");
      ok = false;
    }
    std::string error;
    if (!WriteManifest(manifest, text.text, error)) {
      cli::PrintError("quillon-cli: could not write the manifest " + ToUtf8(manifest) + " (" + error + ")\n");
      ok = false;
    }
  }
  if (args.json) cli::Print(OutcomeJson(outcome));
  import.WaitForUnit();
  return ok ? 0 : 1;
}

// Ends a command: a standard output that could not be written fails it.
int Finish(int status) {
  const int error = cli::FinishOutput();
  if (error == 0) return status;
  cli::PrintError("quillon-cli: could not write its output (" + platform::ErrorText(error) + ")\n");
  return status == 0 ? 1 : status;
}

// The whole command; the arguments are UTF-8 whatever the system gave.
int RunCli(const std::vector<std::string>& argv) {
  const std::size_t argc = argv.size();
  if (argc < 2) return UsageError("missing command");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    cli::Print(std::string("usage: ") + kDrivesUsage + "\n       " + kListUsage + "\n       " + kImportUsage + "\n\n");
    cli::Print(kHelp);
    return Finish(0);
  }
  if (command == "--version") {
    cli::Print(std::string("quillon-cli ") + kVersion + "\n");
    return Finish(0);
  }
  for (std::size_t i = 2; i < argc; ++i) {
    if (argv[i] == "--help" || argv[i] == "-h") {
      const bool drives = command == "drives", list = command == "list", import = command == "import";
      if (!drives && !list && !import) break;
      cli::Print(std::string("usage: ") + (drives ? kDrivesUsage : list ? kListUsage : kImportUsage) + "\n\n" +
                 (drives ? kDrivesHelp : list ? kListHelp : kImportHelp));
      return Finish(0);
    }
  }
  Arguments args;
  if (command == "drives") {
    if (auto error = Parse(argv, Command::Drives, args); !error.empty()) return UsageError(error);
    return Finish(Drives(args.json));
  }
  if (command == "list") {
    if (auto error = Parse(argv, Command::List, args); !error.empty()) return UsageError(error);
    return Finish(List(args));
  }
  if (command == "import") {
    if (auto error = Parse(argv, Command::Import, args); !error.empty()) return UsageError(error);
    return Finish(Import(args));
  }
  return UsageError("unknown command " + std::string(command));
}

}  // namespace

#ifdef _WIN32
// The command line comes as UTF-16 (mingw builds this entry point with -municode).
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::wstring_view arg(argv[i]);
    args.push_back(ToUtf8(std::u16string(arg.begin(), arg.end())));
  }
  return RunCli(args);
}
#else
int main(int argc, char** argv) { return RunCli(std::vector<std::string>(argv, argv + argc)); }
#endif
