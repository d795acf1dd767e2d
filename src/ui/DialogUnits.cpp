#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>
#include <cmath>

namespace quillon::ui {

namespace {

// value * numerator / denominator, rounded to the nearest whole pixel.
int MulDiv(int value, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& dialogFont) {
  const QFontMetrics metrics(dialogFont);
  // The average width of the 52 Latin letters, as the system measures a dialog font.
  const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = std::max(1, (alphabet / 26 + 1) / 2);
  baseY_ = std::max(1, metrics.height());
}

int DialogUnits::X(int dlu) const { return MulDiv(dlu, baseX_, 4); }
int DialogUnits::Y(int dlu) const { return MulDiv(dlu, baseY_, 8); }

QRect DialogUnits::Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }

QSize DialogUnits::Size(int w, int h) const { return QSize(X(w), Y(h)); }

void DialogUnits::Place(QWidget* widget, int id, int x, int y, int w, int h) const {
  widget->setObjectName(QString::number(id));
  widget->setGeometry(Rect(x, y, w, h));
}

void DialogUnits::Place(QWidget* widget, const char* name, int x, int y, int w, int h) const {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(Rect(x, y, w, h));
}

QFont TemplateFont(const char* family, int points) {
  QFont font(QString::fromLatin1(family), points);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace quillon::ui
