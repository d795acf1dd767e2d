// One running copy per user: a second start hands over to the first and ends; another
// user's copy (another runtime folder) neither blocks nor hears this one.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "WindowTestSupport.h"
#include "app/SingleInstance.h"

namespace quillon::testsupport {
namespace {

QProcess* StartProgram(QObject* owner, const QString& runtimeFolder) {
  auto* program = new QProcess(owner);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program->setProcessEnvironment(env);
  program->start(QStringLiteral(QUILLON_PROGRAM_PATH), {});
  return program;
}

QString PrivateFolder(const QTemporaryDir& dir, const char* name) {
  const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
  QDir().mkpath(path);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

TEST(SingleInstance, SecondStartBringsTheFirstForwardAndEnds) {
  QTemporaryDir dir;
  const QString runtime = PrivateFolder(dir, "runtime");
  app::SingleInstance first(runtime);
  ASSERT_TRUE(first.Acquire());
  QSignalSpy activated(&first, &app::SingleInstance::ActivationRequested);

  QObject owner;
  QProcess* second = StartProgram(&owner, runtime);
  ASSERT_TRUE(activated.wait(15000)) << "the running copy was not asked to come forward";
  ASSERT_TRUE(second->waitForFinished(15000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(activated.count(), 1);
}

TEST(SingleInstance, AnotherUsersCopyNeitherBlocksNorHearsThisStart) {
  QTemporaryDir dir;
  app::SingleInstance theirs(PrivateFolder(dir, "theirs"));
  ASSERT_TRUE(theirs.Acquire());
  QSignalSpy activated(&theirs, &app::SingleInstance::ActivationRequested);

  const QString mine = PrivateFolder(dir, "mine");
  QObject owner;
  QProcess* program = StartProgram(&owner, mine);
  app::SingleInstance probe(mine);
  const QString lock = probe.LockPath();
  // This user's copy runs on, holding its own lock.
  EXPECT_TRUE(WaitFor([&] { return QFile::exists(lock); }, 15000));
  EXPECT_FALSE(program->waitForFinished(1000));
  EXPECT_EQ(activated.count(), 0);
  EXPECT_FALSE(probe.Acquire());
  program->kill();
  program->waitForFinished(5000);
}

TEST(SingleInstance, LockLeftByACrashedCopyIsTakenOver) {
  QTemporaryDir dir;
  const QString runtime = PrivateFolder(dir, "runtime");
  QObject owner;
  QProcess* crashed = StartProgram(&owner, runtime);
  app::SingleInstance probe(runtime);
  ASSERT_TRUE(WaitFor([&] { return QFile::exists(probe.LockPath()); }, 15000));
  ASSERT_FALSE(crashed->waitForFinished(500));
  ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
  crashed->waitForFinished(5000);
  ASSERT_TRUE(QFile::exists(probe.LockPath())) << "a killed copy leaves its lock behind";

  app::SingleInstance next(runtime);
  EXPECT_TRUE(next.Acquire());
}

}  // namespace
}  // namespace quillon::testsupport
