#pragma once
// quillon's command line: [FOLDER], --help, --version.
#include <QString>
#include <QStringList>
#include <optional>

namespace quillon::app {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  QString folder;  // Run: the folder to start with as the source, absolute; empty for none
  QString error;   // Error: what is wrong, for one line on stderr
};

// arguments as the program got them, its own name first. --help and --version win wherever
// they stand; a relative FOLDER is taken from workingFolder; "--" ends the options.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder);

QString HelpText();
QString VersionText();

// Prints the help or the version when argv asks for either and answers the exit status;
// nothing otherwise. Needs no QCoreApplication, so it runs before the display is opened and
// before the check for a running copy.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv);

}  // namespace quillon::app
