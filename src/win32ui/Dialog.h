#pragma once
// A dialog made from a template in the program's resources, run modally (DialogBoxParamW) or
// modeless (CreateDialogParamW). Its messages reach HandleMessage; what that leaves gets the
// system's default dialog processing. The window layer of the Windows program is this class
// and the plain Win32 calls its subclasses make.
#include <windows.h>

#include <string>
#include <string_view>

#include "frontend/Message.h"

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
  // A control's place in the dialog's client area.
  RECT ItemRect(int id) const;
  // Widens the control to what its text needs (a button's frame included), keeping its right
  // edge or its left one; its place after.
  RECT WidenToText(int id, bool keepRight = true);
  // Shortens the control to end a little before x, should it reach that far.
  void EndBefore(int id, LONG x);

  // Where templates, strings and other resources are looked up: the program itself.
  static HINSTANCE ResourceModule() { return ::GetModuleHandleW(nullptr); }

 protected:
  // WM_INITDIALOG. TRUE lets the system put the focus on the first control.
  virtual BOOL OnInitDialog() { return TRUE; }
  // One message. Returns true when handled, with result as the dialog procedure's answer
  // (for messages that answer through DWLP_MSGRESULT, that value is stored there). OK and
  // Cancel end the dialog unless a subclass takes them.
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
// A text of the front-end layer in the user's language, from the string table.
std::wstring Tr(const frontend::Message& message);
// How wide text is in the control's font, in pixels.
LONG TextWidth(HWND control, const std::wstring& text);

// The domain's UTF-16 text as the system's wide text and back.
std::wstring Wide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

}  // namespace quillon::win32ui
