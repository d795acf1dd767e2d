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

// The hook of its kind in use; used on the window thread only.
template <class Hook>
Hook& CurrentHook() {
  static Hook hook;
  return hook;
}

// Installs a hook for its lifetime; the one before comes back after it.
template <class Hook>
class ScopedHook {
 public:
  explicit ScopedHook(Hook hook) : previous_(std::move(CurrentHook<Hook>())) { CurrentHook<Hook>() = std::move(hook); }
  ~ScopedHook() { CurrentHook<Hook>() = std::move(previous_); }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;

 private:
  Hook previous_;
};

struct ScopedMessageHook : ScopedHook<MessageHook> {
  explicit ScopedMessageHook(MessageHook hook) : ScopedHook(std::move(hook)) {}
  // A hook that does not look at the detail.
  explicit ScopedMessageHook(std::function<void(const QString& text, QMessageBox::Icon icon)> hook)
      : ScopedHook([hook = std::move(hook)](const QString& text, QMessageBox::Icon icon, const QString&) {
          hook(text, icon);
        }) {}
};
using ScopedBrowseHook = ScopedHook<BrowseHook>;
using ScopedOpenFolderHook = ScopedHook<OpenFolderHook>;

}  // namespace quillon::ui
