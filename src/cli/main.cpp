// quillon-cli: lists and imports the clips of a recording unit from the command line, with the
// same catalogue and import code as the desktop program.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "cli/Json.h"
#include "cli/TerminalImport.h"
#include "import/ImportContext.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

using namespace quillon;
using platform::FromUtf8;
using platform::ToUtf8;

constexpr const char* kUsage =
    "usage: quillon-cli drives\n"
    "       quillon-cli list ROOT [--json] [--no-hdv] [--no-dv]\n"
    "       quillon-cli import ROOT DEST [--no-hdv] [--no-dv] [--prefix N] [--overwrite ask|all|none]\n"
    "                          [--json] [CLIP ...]\n";

constexpr const char* kHelp =
    "Lists and imports the clips of an HDV/DV hard-disk recording unit.\n"
    "\n"
    "  drives        the mounted unit drives, one per line\n"
    "  list ROOT     one row per clip of the unit at ROOT (a mount point or a folder holding\n"
    "                VIDEO/QVT, or HDVF and DVF); --json prints the catalogue as JSON\n"
    "  import ROOT DEST\n"
    "                copies the named clips (all when none is named) into the folder DEST and\n"
    "                prints each output file as it is created; --json prints a summary instead\n"
    "\n"
    "Options:\n"
    "  --no-hdv, --no-dv    leave HDV (M2T) or DV (DV, AVI) files out of the scan\n"
    "  --prefix N           number 0-99 at the start of names of clips from numbered folders\n"
    "  --overwrite MODE     existing output files: ask (default on a terminal), all, none\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 success, 1 a clip failed or the import was cancelled, 2 usage error.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quillon-cli: %s (see --help)\n", message.c_str());
  return 2;
}

struct Arguments {
  std::vector<std::string> positional;
  bool json = false;
  bool hdv = true;
  bool dv = true;
  int prefix = 0;
  std::string overwrite;
};

// Parses options anywhere on the line; "--" ends them. Returns an error text or empty.
std::string Parse(int argc, char** argv, int first, Arguments& args, bool importOptions) {
  bool optionsEnded = false;
  for (int i = first; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (optionsEnded || a.size() < 2 || a.substr(0, 2) != "--") {
      args.positional.emplace_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--json") {
      args.json = true;
    } else if (a == "--no-hdv") {
      args.hdv = false;
    } else if (a == "--no-dv") {
      args.dv = false;
    } else if (importOptions && (a == "--prefix" || a.starts_with("--prefix="))) {
      std::string value;
      if (a == "--prefix") {
        if (i + 1 >= argc) return "--prefix needs a number";
        value = argv[++i];
      } else {
        value = std::string(a.substr(9));
      }
      if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos)
        return "--prefix takes a number from 0 to 99";
      args.prefix = std::stoi(value);
    } else if (importOptions && (a == "--overwrite" || a.starts_with("--overwrite="))) {
      if (a == "--overwrite") {
        if (i + 1 >= argc) return "--overwrite needs ask, all or none";
        args.overwrite = argv[++i];
      } else {
        args.overwrite = std::string(a.substr(12));
      }
      if (args.overwrite != "ask" && args.overwrite != "all" && args.overwrite != "none")
        return "--overwrite takes ask, all or none";
    } else {
      return "unknown option " + std::string(a);
    }
  }
  return {};
}

std::u16string RootArgument(const std::string& text) {
  return platform::StripTrailingSeparators(FromUtf8(text));
}

int Drives() {
  std::vector<std::u16string> drives;
  FindUnitDrives(drives);
  for (const auto& d : drives) std::printf("%s\n", ToUtf8(d).c_str());
  return 0;
}

void PrintCatalogueJson(const std::u16string& root, const ClipCatalogue& catalogue,
                        const std::vector<std::u16string>& rows) {
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
    out += ", \"row\": " + cli::JsonString(rows[i]);
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
  std::fputs(out.c_str(), stdout);
}

int List(const Arguments& args) {
  if (args.positional.size() != 1) return UsageError(args.positional.empty() ? "list needs ROOT" : "too many arguments");
  const std::u16string root = RootArgument(args.positional[0]);
  ClipCatalogue catalogue;
  catalogue.Scan(root, args.hdv, args.dv);
  std::vector<std::u16string> rows;
  catalogue.GetRowTexts(rows, TheImportContext().dateLocale);
  if (args.json) {
    PrintCatalogueJson(root, catalogue, rows);
  } else {
    for (const auto& row : rows) std::printf("%s\n", ToUtf8(row).c_str());
  }
  return 0;
}

void OnInterrupt(int) { cli::TerminalImport::RequestCancel(); }

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting question read ends as Cancel
  sigaction(SIGINT, &action, nullptr);
}

int Import(const Arguments& args) {
  if (args.positional.size() < 2) return UsageError("import needs ROOT and DEST");
  const std::u16string root = RootArgument(args.positional[0]);
  // Output paths are printed in full, so the destination is made absolute.
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(args.positional[1], ec);
  const std::u16string destination =
      RootArgument(ec ? args.positional[1] : absolute.lexically_normal().string());
  ClipCatalogue catalogue;
  catalogue.Scan(root, args.hdv, args.dv);

  std::vector<std::size_t> rows;
  if (args.positional.size() == 2) {
    for (std::size_t i = 0; i < catalogue.Count(); ++i) rows.push_back(i);
  } else {
    for (std::size_t n = 2; n < args.positional.size(); ++n) {
      const std::u16string name = FromUtf8(args.positional[n]);
      bool found = false;
      for (std::size_t i = 0; i < catalogue.Count(); ++i) {
        if (catalogue.ClipName(i) == name) {
          rows.push_back(i);
          found = true;
        }
      }
      if (!found) return UsageError("no clip named " + args.positional[n]);
    }
  }

  const bool terminal = ::isatty(STDIN_FILENO) != 0;
  const std::string mode = args.overwrite.empty() ? (terminal ? "ask" : "none") : args.overwrite;
  const ImportState initial = mode == "all" ? OverwriteAll : mode == "none" ? SkipAll : Ask;

  cli::TerminalImportOptions options;
  options.printPaths = !args.json;
  options.progressBar = !args.json && ::isatty(STDERR_FILENO) != 0;
  options.interactive = terminal;
  InstallInterruptHandler();
  cli::TerminalImport import(catalogue, options);
  ImportOptions importOptions;
  importOptions.overwrite = initial;
  const ImportOutcome outcome = import.Run(args.prefix, std::move(rows), destination, importOptions);

  if (!args.json) {
    for (const auto& path : outcome.discarded) std::fprintf(stderr, "removed incomplete %s\n", ToUtf8(path).c_str());
    if (outcome.cancelled) std::fputs("import cancelled\n", stderr);
  }
  if (args.json) {
    std::printf("{\"written\": %s, \"discarded\": %s, \"failed\": %s, \"cancelled\": %s}\n",
                cli::JsonStringArray(outcome.written).c_str(), cli::JsonStringArray(outcome.discarded).c_str(),
                cli::JsonStringArray(outcome.failed).c_str(), outcome.cancelled ? "true" : "false");
  }
  return outcome.failed.empty() && !outcome.cancelled ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("missing command");
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    std::fputs("\n", stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("quillon-cli 1.1");
    return 0;
  }
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  Arguments args;
  if (command == "drives") {
    if (argc > 2) return UsageError("drives takes no arguments");
    return Drives();
  }
  if (command == "list") {
    if (auto error = Parse(argc, argv, 2, args, false); !error.empty()) return UsageError(error);
    return List(args);
  }
  if (command == "import") {
    if (auto error = Parse(argc, argv, 2, args, true); !error.empty()) return UsageError(error);
    return Import(args);
  }
  return UsageError("unknown command " + std::string(command));
}
