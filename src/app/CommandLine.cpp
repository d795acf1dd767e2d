#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "version/Version.h"

namespace quillon::app {

CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder) {
  CommandLine line;
  QStringList folders;
  bool options = true;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (options && argument == QLatin1String("--")) {
      options = false;
    } else if (options && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
      return {CommandLine::Action::Help, {}, {}};
    } else if (options && argument == QLatin1String("--version")) {
      return {CommandLine::Action::Version, {}, {}};
    } else if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
      line = {CommandLine::Action::Error, {}, QStringLiteral("unknown option '%1'").arg(argument)};
    } else {
      folders.push_back(argument);
    }
  }
  if (line.action == CommandLine::Action::Error) return line;
  if (folders.size() > 1) return {CommandLine::Action::Error, {}, QStringLiteral("only one FOLDER can be given")};
  if (folders.isEmpty()) return line;
  const QFileInfo folder(QDir(workingFolder), folders.front());
  if (!folder.isDir()) {
    return {CommandLine::Action::Error, {}, QStringLiteral("'%1' is not a folder").arg(folders.front())};
  }
  line.folder = QDir::cleanPath(folder.absoluteFilePath());
  return line;
}

QString HelpText() {
  return QStringLiteral(
      "Usage: quillon [FOLDER]\n"
      "Imports video clips from an HDV/DV hard-disk recording unit.\n"
      "\n"
      "FOLDER is a unit's mount point, or any folder that holds a unit's tree; the window\n"
      "starts with it selected as the source.\n"
      "\n"
      "  --help     print this help and exit\n"
      "  --version  print the version and exit\n");
}

QString VersionText() { return QStringLiteral("quillon %1\n").arg(QString::fromLatin1(kVersion)); }

std::optional<int> AnswerHelpOrVersion(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
  // Only --help and --version are answered here: the other arguments may still hold Qt's own
  // options (-platform, -style), which QApplication takes away later.
  const CommandLine line = ParseCommandLine(arguments, QDir::currentPath());
  QString text;
  if (line.action == CommandLine::Action::Help) text = HelpText();
  if (line.action == CommandLine::Action::Version) text = VersionText();
  if (text.isEmpty()) return std::nullopt;
  std::fputs(text.toLocal8Bit().constData(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace quillon::app
