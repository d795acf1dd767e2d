#pragma once
// A dialog made from a template in the program's resources, run modally (DialogBoxParamW) or
// modeless (CreateDialogParamW). Its messages reach HandleMessage; what that leaves gets the
// system's default dialog processing. The window layer of the Windows program is this class
// and the plain Win32 calls its subclasses make.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillon::win32ui {

class Dialog {
 public:
  explicit Dialog(int templateId);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally and returns the code given to End, or -1 when it could not be made.
  INT_PTR DoModal(HWND owner);
  // Makes the dialog modeless (shown when its template says so); false when it could not be made.
  bool Create(HWND owner);
  // Ends a modal dialog with result, or destroys a modeless one.
  void End(INT_PTR result);

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  std::wstring ItemText(int id) const;
  void SetItemText(int id, const std::wstring& text);

  // Where templates, strings and other resources are looked up: the program itself unless set.
  static void SetResourceModule(HINSTANCE module);
  static HINSTANCE ResourceModule();

 protected:
  // WM_INITDIALOG. TRUE lets the system put the focus on the first control.
  virtual BOOL OnInitDialog() { return TRUE; }
  // One message. Returns true when handled, with result as the dialog procedure's answer
  // (for messages that answer through DWLP_MSGRESULT, that value is stored there).
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // The window is gone (after WM_NCDESTROY): Handle() is null from here on.
  virtual void OnDestroyed() {}

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

// A string of the string table in the user's language, empty when there is none.
std::wstring LoadText(UINT id);
// The application name, string 57344: the caption of every message box.
std::wstring AppName();
// A message box with the application name as caption.
int ShowMessage(HWND owner, const std::wstring& text, UINT type);
// text with "%1".."%9" replaced by the arguments of that number, each "%s" by the next argument
// in turn, and "%%" by "%". What an argument holds is never read as a placeholder.
std::wstring FormatText(std::wstring_view text, std::initializer_list<std::wstring> arguments);

// The domain's UTF-16 text as the system's wide text and back, and its UTF-8 texts (error texts).
std::wstring Wide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

}  // namespace quillon::win32ui
