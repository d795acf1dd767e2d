// A unit mounted and unmounted for real while the window runs: the window's watch on the
// mount table sees it and refreshes the drive list. Needs root for a private mount namespace
// (unshare -m); the outer test runs this binary again inside one.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>

#include "WindowTestSupport.h"

namespace quillon::testsupport {
namespace {

constexpr const char* kInsideNamespace = "QUILLON_UI_TEST_PRIVATE_MOUNTS";

TEST(VolumeArrival, UnitMountedAndUnmountedWhileTheWindowRuns) {
  if (qEnvironmentVariableIsSet(kInsideNamespace)) GTEST_SKIP() << "already inside the private namespace";
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a test unit needs root (a private mount namespace)";
  const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
  if (unshare.isEmpty()) GTEST_SKIP() << "unshare(1) is not installed";

  QProcess inner;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kInsideNamespace), QStringLiteral("1"));
  env.remove(QStringLiteral("QT_NO_GLIB"));  // the event loop the program itself runs
  inner.setProcessEnvironment(env);
  inner.setProcessChannelMode(QProcess::MergedChannels);
  inner.start(unshare, {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                        QCoreApplication::applicationFilePath(),
                        QStringLiteral("--gtest_filter=VolumeArrivalInNamespace.*")});
  ASSERT_TRUE(inner.waitForFinished(60000));
  const QString output = QString::fromLocal8Bit(inner.readAll());
  if (output.contains(QStringLiteral("cannot make a private mount namespace"))) {
    GTEST_SKIP() << "no private mount namespace here: " << output.toStdString();
  }
  EXPECT_EQ(inner.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST(VolumeArrivalInNamespace, WatchSeesTheMountAndTheUnmount) {
  if (!qEnvironmentVariableIsSet(kInsideNamespace)) GTEST_SKIP() << "runs inside VolumeArrival's namespace only";
  TempDir dir;
  UnitTree unit(dir, "unit-tree");
  PutDvClip(unit, "MNT0001");
  const auto mountPoint = dir.Path() / "media" / "UNIT";
  std::filesystem::create_directories(mountPoint);
  const QString drive = QString::fromStdString(mountPoint.string());

  RecordedMessages messages;
  ui::MainDlgOptions options;  // the real mount table and its watch
  options.scanWait = std::chrono::seconds(30);
  ui::CMainDlg window(options);
  MainControls ui(window);
  ASSERT_EQ(ui.drive->findText(drive), -1);

  if (::mount(unit.Root().c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    std::printf("cannot make a private mount namespace: bind mount failed\n");
    return;
  }
  ASSERT_TRUE(WaitFor([&] { return ui.drive->findText(drive) >= 0; }, 15000)) << "the mount went unnoticed";
  EXPECT_EQ(ui.drive->currentText(), drive);
  EXPECT_EQ(ui.ClipNames(), QStringList{"MNT0001"});

  ASSERT_EQ(::umount(mountPoint.c_str()), 0);
  ASSERT_TRUE(WaitFor([&] { return ui.drive->findText(drive) < 0; }, 15000)) << "the unmount went unnoticed";
  EXPECT_EQ(ui.list->count(), 0);
  EXPECT_TRUE(std::filesystem::exists(unit.Flat() / "MNT0001.DV")) << "the unit's files are untouched";
}

}  // namespace
}  // namespace quillon::testsupport
