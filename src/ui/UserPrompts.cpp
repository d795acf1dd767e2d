#include "ui/UserPrompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace quillon::ui {

namespace {

// Used on the window thread only.
MessageHook& CurrentMessageHook() {
  static MessageHook hook;
  return hook;
}

BrowseHook& CurrentBrowseHook() {
  static BrowseHook hook;
  return hook;
}

OpenFolderHook& CurrentOpenFolderHook() {
  static OpenFolderHook hook;
  return hook;
}

}  // namespace

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/quillon/quillon.png")); }

QString ApplicationTitle() { return QCoreApplication::translate("quillon::ui::CMainDlg", "Quillon"); }

void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon, const QString& detail) {
  if (const auto& hook = CurrentMessageHook()) {
    hook(text, icon, detail);
    return;
  }
  NewMessageBox(parent, text, icon, detail)->exec();
}

std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                           const QString& detail) {
  auto box = std::make_unique<QMessageBox>(icon, ApplicationTitle(), text, QMessageBox::Ok, parent);
  // Paths and system texts are shown as they are, never read as markup.
  box->setTextFormat(Qt::PlainText);
  box->setWindowIcon(ApplicationIcon());
  if (!detail.isEmpty()) box->setInformativeText(detail);
  return box;
}

QString BrowseForFolder(QWidget* parent, const QString& title, const QString& start) {
  if (const auto& hook = CurrentBrowseHook()) return hook(title, start);
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

bool OpenFolder(const QString& folder) {
  if (const auto& hook = CurrentOpenFolderHook()) return hook(folder);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

ScopedMessageHook::ScopedMessageHook(MessageHook hook) : previous_(std::move(CurrentMessageHook())) {
  CurrentMessageHook() = std::move(hook);
}

ScopedMessageHook::ScopedMessageHook(std::function<void(const QString& text, QMessageBox::Icon icon)> hook)
    : ScopedMessageHook(MessageHook([hook = std::move(hook)](const QString& text, QMessageBox::Icon icon,
                                                              const QString&) { hook(text, icon); })) {}

ScopedMessageHook::~ScopedMessageHook() { CurrentMessageHook() = std::move(previous_); }

ScopedBrowseHook::ScopedBrowseHook(BrowseHook hook) : previous_(std::move(CurrentBrowseHook())) {
  CurrentBrowseHook() = std::move(hook);
}

ScopedBrowseHook::~ScopedBrowseHook() { CurrentBrowseHook() = std::move(previous_); }

ScopedOpenFolderHook::ScopedOpenFolderHook(OpenFolderHook hook) : previous_(std::move(CurrentOpenFolderHook())) {
  CurrentOpenFolderHook() = std::move(hook);
}

ScopedOpenFolderHook::~ScopedOpenFolderHook() { CurrentOpenFolderHook() = std::move(previous_); }

}  // namespace quillon::ui
