#include "ui/Texts.h"

#include <QCoreApplication>

#include "frontend/TextIds.h"

namespace quillon::ui {

namespace {

std::u16string Lookup(int id) {
  QString text = QCoreApplication::translate("quillon::Texts", frontend::EnglishText(id));
  // A size keeps its number and its unit on one line.
  if (id >= IDS_SIZE_BYTE && id <= IDS_SIZE_TIB) text.replace(QLatin1Char(' '), QChar::Nbsp);
  return text.toStdU16String();
}

}  // namespace

QString Tr(const frontend::Message& message) { return QString::fromStdU16String(frontend::Render(message, Lookup)); }

QString Tr(int id) { return QString::fromStdU16String(Lookup(id)); }

}  // namespace quillon::ui
