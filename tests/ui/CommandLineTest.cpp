// quillon's command line: FOLDER, --help and --version; the folder given is the source the
// window starts with; help and version are answered without a display and before the check
// for a running copy.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "ui/Settings.h"

namespace quillon::testsupport {
namespace {

using Action = app::CommandLine::Action;

TEST(CommandLine, ArgumentsGiveTheActionAndTheFolder) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "unit");
  const QString work = QString::fromStdString(dir.Path().string());
  const QString unit = work + "/unit";
  const struct {
    QStringList arguments;
    Action action;
    QString folder;
  } cases[] = {
      {{}, Action::Run, {}},
      {{unit}, Action::Run, unit},
      {{"unit"}, Action::Run, unit},  // from the working folder
      {{"./unit/../unit/"}, Action::Run, unit},
      {{"--", "unit"}, Action::Run, unit},
      {{"--help"}, Action::Help, {}},
      {{"-h"}, Action::Help, {}},
      {{"unit", "--version"}, Action::Version, {}},
      {{"--bogus", "--help"}, Action::Help, {}},
      {{"--bogus"}, Action::Error, {}},
      {{"unit", "unit"}, Action::Error, {}},
      {{"missing"}, Action::Error, {}},
      {{"--", "--help"}, Action::Error, {}},  // a folder of that name, which is not there
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const app::CommandLine line = app::ParseCommandLine(QStringList{"quillon"} + c.arguments, work);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.folder, c.folder);
    EXPECT_EQ(line.error.isEmpty(), c.action != Action::Error);
  }
}

TEST(CommandLine, FolderGivenIsTheSourceWhateverDriveWasSaved) {
  ClearSettings();
  TempDir dir;
  UnitTree mounted(dir, "A"), folder(dir, "F");
  PutDvClip(mounted, "AAA0001");
  PutDvClip(folder, "FFF0001");
  FakeDrives drives;
  drives.Add(mounted);
  StoreSetting(ui::kDriveKey, QString::fromStdU16String(mounted.Drive()));
  RecordedMessages messages;

  const app::CommandLine line = app::ParseCommandLine({"quillon", "F"}, QString::fromStdString(dir.Path().string()));
  ui::MainDlgOptions options = drives.Options();
  options.startFolder = line.folder;
  ui::CMainDlg window(options);
  MainControls ui(window);
  EXPECT_EQ(window.Drive(), QString::fromStdU16String(folder.Drive()));
  EXPECT_EQ(ui.DriveTexts(), (QStringList{QString::fromStdU16String(mounted.Drive()), window.Drive()}));
  EXPECT_EQ(ui.ClipNames(), QStringList{"FFF0001"});
}

TEST(CommandLine, HelpAndVersionNeedNoDisplayAndAnswerWhileACopyRuns) {
  QTemporaryDir dir;
  app::SingleInstance running(dir.path());
  ASSERT_TRUE(running.Acquire());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  env.insert("XDG_RUNTIME_DIR", dir.path());
  const std::pair<QString, QByteArray> cases[] = {{"--version", "quillon 1.1\n"},
                                                  {"--help", "Usage: quillon [FOLDER]\n"}};
  for (const auto& [option, output] : cases) {
    SCOPED_TRACE(option.toStdString());
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUILLON_PROGRAM_PATH), {option});
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardOutput().startsWith(output));
  }
}

}  // namespace
}  // namespace quillon::testsupport
