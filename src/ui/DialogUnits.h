#pragma once
// Dialog templates give positions in dialog units: a quarter of the dialog font's average
// character width across, an eighth of its height down. This converts them to pixels.
#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace quillon::ui {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& dialogFont);

  int X(int dlu) const;
  int Y(int dlu) const;
  QRect Rect(int x, int y, int w, int h) const;
  QSize Size(int w, int h) const;

  // Places widget at the template's rectangle and names it after the control id.
  void Place(QWidget* widget, int id, int x, int y, int w, int h) const;
  void Place(QWidget* widget, const char* name, int x, int y, int w, int h) const;

  int BaseX() const { return baseX_; }
  int BaseY() const { return baseY_; }

 private:
  int baseX_;
  int baseY_;
};

// The font the dialog templates are drawn in: "Tahoma" 8 points, or the nearest face the
// system has.
QFont TemplateFont(const char* family = "Tahoma", int points = 8);

}  // namespace quillon::ui
