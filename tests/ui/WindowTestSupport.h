#pragma once
// Helpers for the window tests: units on a fake drive list, settings written before a window
// starts, message boxes recorded instead of shown, and answers given to windows that an
// import opens while the test waits inside it.
#include <QLocale>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/UnitTree.h"
#include "ui/CMainDlg.h"
#include "ui/UserPrompts.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QListWidget;

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace quillon::testsupport {

// The machine's unit drives as a test sets them; the window asks at every refresh.
struct FakeDrives {
  std::vector<std::u16string> drives;
  ui::MainDlgOptions Options();  // no mount watch, no refresh delay
  void Add(const UnitTree& unit) { drives.push_back(unit.Drive()); }
  void Remove(const UnitTree& unit);
};

// A DV clip of the flat layout: VIDEO/QVT/<name>.DV with size bytes.
std::filesystem::path PutDvClip(const UnitTree& unit, std::string_view name, std::size_t size = 4096);

// Settings as a previous run left them (an absent value stays absent).
void ClearSettings();
void StoreSetting(const char* key, const QVariant& value);
QVariant StoredSetting(const char* key);

// Message boxes shown while the object lives.
class RecordedMessages {
 public:
  RecordedMessages();
  QStringList texts;
  QStringList details;  // the second paragraph of each box, empty when it has none
  std::vector<QMessageBox::Icon> icons;

 private:
  ui::ScopedMessageHook hook_;
};

// The window's controls, found by their template ids.
struct MainControls {
  explicit MainControls(ui::CMainDlg& window);
  QComboBox* drive;
  QListWidget* list;
  QCheckBox* hdv;
  QCheckBox* dv;
  QAbstractButton* import;
  QAbstractButton* button(int id) const;
  QWidget* control(int id) const;
  ui::CMainDlg& window;

  QStringList DriveTexts() const;         // the drives, without "Other folder..."
  int OtherFolderEntry() const;           // the index of "Other folder...", -1 when missing
  QStringList ClipNames() const;          // first column of every row
  QStringList SelectedClipNames() const;  // the same, of the selected rows
  void SelectClips(const QStringList& names);
};

// The program's and Qt's translations for locale while the object lives; installed: the
// program has a translation of its own for it.
struct TranslationsForThisTest {
  explicit TranslationsForThisTest(const QLocale& locale);
  ~TranslationsForThisTest();
  TranslationsForThisTest(const TranslationsForThisTest&) = delete;
  TranslationsForThisTest& operator=(const TranslationsForThisTest&) = delete;
  bool installed = false;
};

// Runs action on the first visible top-level widget of type T, as soon as one shows; polls
// while the test is blocked in a modal loop. Stops after the first match.
class WhenShown {
 public:
  template <class T>
  static std::unique_ptr<WhenShown> Of(std::function<void(T*)> action) {
    return std::unique_ptr<WhenShown>(new WhenShown([action](QWidget* w) {
      if (auto* t = qobject_cast<T*>(w)) {
        action(t);
        return true;
      }
      return false;
    }));
  }
  bool Done() const { return done_; }

 private:
  explicit WhenShown(std::function<bool(QWidget*)> tryOne);
  QTimer timer_;
  bool done_ = false;
};

// Waits (handling events) until condition holds or timeoutMs pass; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

}  // namespace quillon::testsupport
