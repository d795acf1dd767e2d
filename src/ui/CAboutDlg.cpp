#include "ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/DialogUnits.h"
#include "ui/UserPrompts.h"
#include "version/Version.h"

namespace quillon::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setFont(TemplateFont("MS UI Gothic", 9));
  const DialogUnits du(font());
  setWindowTitle(tr("Version"));
  setWindowIcon(ApplicationIcon());
  setFixedSize(du.Size(227, 57));
  // The same in every language.
  auto* name = new QLabel(QStringLiteral("Quillon version %1").arg(QString::fromLatin1(kVersion)), this);
  du.Place(name, "version", 11, 10, 148, 8);
  auto* notice = new QLabel(QStringLiteral("Copyright (C) %1 Zelt Corporation").arg(kCopyrightYear), this);
  du.Place(notice, "notice", 11, 25, 155, 8);
  for (QLabel* label : {name, notice}) {
    label->resize(std::max(label->width(), label->sizeHint().width()), std::max(label->height(), label->sizeHint().height()));
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  du.Place(ok, 1, 170, 7, 50, 16);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace quillon::ui
