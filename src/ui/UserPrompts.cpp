#include "ui/UserPrompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace quillon::ui {

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/quillon/quillon.png")); }

QString ApplicationTitle() { return QCoreApplication::translate("quillon::ui::CMainDlg", "Quillon"); }

void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon, const QString& detail) {
  if (const auto& hook = CurrentHook<MessageHook>()) {
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
  if (const auto& hook = CurrentHook<BrowseHook>()) return hook(title, start);
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

bool OpenFolder(const QString& folder) {
  if (const auto& hook = CurrentHook<OpenFolderHook>()) return hook(folder);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace quillon::ui
