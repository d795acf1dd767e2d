// Window tests run on the offscreen platform, with settings, documents and runtime folders
// of their own so that a developer's real settings and running copy are never touched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's own event loop rather than GLib's: GLib is not built for ThreadSanitizer and its
  // allocator trips it in Qt's pool threads. The mount-watch test runs the program's default
  // (GLib) loop in its child process.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QTemporaryDir home(QDir::tempPath() + QStringLiteral("/quillon-ui-test-XXXXXX"));
  const QByteArray root = home.path().toLocal8Bit();
  qputenv("HOME", root);
  qputenv("XDG_CONFIG_HOME", root + "/config");
  qputenv("XDG_RUNTIME_DIR", root + "/runtime");
  qunsetenv("XDG_DOCUMENTS_DIR");
  QDir().mkpath(home.path() + QStringLiteral("/runtime"));
  QFile::setPermissions(home.path() + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
