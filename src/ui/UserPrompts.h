#pragma once
// Message boxes, the folder browser and the file manager go through here so that tests can
// answer them instead of a person.
#include <QIcon>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace quillon::ui {

// The caption of every message box: the application name.
QString ApplicationTitle();

// The icon of every window of the program.
QIcon ApplicationIcon();

// Shows text in a message box with an OK button and the given icon; a detail, when given,
// stands below the text as the box's second paragraph.
void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon, const QString& detail = {});

// The box ShowMessage shows, for a caller that shows it itself (the window pictures).
std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                           const QString& detail = {});

// The folder browser: a folder chosen by the user, or an empty text when cancelled.
QString BrowseForFolder(QWidget* parent, const QString& title, const QString& start);

// Opens folder in the desktop's file manager; false when none could be started.
bool OpenFolder(const QString& folder);

// While a hook is installed, messages, browsing and opening a folder call it instead of
// showing a window.
using MessageHook = std::function<void(const QString& text, QMessageBox::Icon icon, const QString& detail)>;
using BrowseHook = std::function<QString(const QString& title, const QString& start)>;
using OpenFolderHook = std::function<bool(const QString& folder)>;

class ScopedMessageHook {
 public:
  explicit ScopedMessageHook(MessageHook hook);
  // A hook that does not look at the detail.
  explicit ScopedMessageHook(std::function<void(const QString& text, QMessageBox::Icon icon)> hook);
  ~ScopedMessageHook();
  ScopedMessageHook(const ScopedMessageHook&) = delete;
  ScopedMessageHook& operator=(const ScopedMessageHook&) = delete;

 private:
  MessageHook previous_;
};

class ScopedBrowseHook {
 public:
  explicit ScopedBrowseHook(BrowseHook hook);
  ~ScopedBrowseHook();
  ScopedBrowseHook(const ScopedBrowseHook&) = delete;
  ScopedBrowseHook& operator=(const ScopedBrowseHook&) = delete;

 private:
  BrowseHook previous_;
};

class ScopedOpenFolderHook {
 public:
  explicit ScopedOpenFolderHook(OpenFolderHook hook);
  ~ScopedOpenFolderHook();
  ScopedOpenFolderHook(const ScopedOpenFolderHook&) = delete;
  ScopedOpenFolderHook& operator=(const ScopedOpenFolderHook&) = delete;

 private:
  OpenFolderHook previous_;
};

}  // namespace quillon::ui
