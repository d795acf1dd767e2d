#include "win32ui/Dialog.h"

#include <algorithm>

#include "win32ui/resource.h"

namespace quillon::win32ui {

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Dialog::~Dialog() {
  // A modeless dialog still open goes with its object; its procedure must not reach it after.
  if (hwnd_ && !modal_) {
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(hwnd_);
  }
}

INT_PTR Dialog::DoModal(HWND owner) {
  modal_ = true;
  return ::DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), owner, &Dialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HWND owner) {
  modal_ = false;
  return ::CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), owner, &Dialog::Procedure,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::End(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_) {
    ::EndDialog(hwnd_, result);
  } else {
    ::DestroyWindow(hwnd_);
  }
}

void Dialog::EndBefore(int id, LONG x) {
  RECT gap{4, 0, 0, 0};
  ::MapDialogRect(hwnd_, &gap);
  const RECT rect = ItemRect(id);
  ::SetWindowPos(Item(id), nullptr, 0, 0, std::min(rect.right, x - gap.left) - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

std::wstring Dialog::ItemText(int id) const {
  const HWND item = Item(id);
  if (!item) return {};
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Dialog::SetItemText(int id, const std::wstring& text) { ::SetDlgItemTextW(hwnd_, id, text.c_str()); }

RECT Dialog::ItemRect(int id) const {
  RECT rect{};
  ::GetWindowRect(Item(id), &rect);
  ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT Dialog::WidenToText(int id, bool keepRight) {
  std::wstring text = ItemText(id);
  std::erase(text, L'&');  // a mnemonic's mark takes no room
  RECT frame{4, 0, 0, 0};  // on either side of the text
  ::MapDialogRect(hwnd_, &frame);
  RECT rect = ItemRect(id);
  const LONG width = std::max(rect.right - rect.left, TextWidth(Item(id), text) + 2 * frame.left);
  if (keepRight) {
    rect.left = rect.right - width;
  } else {
    rect.right = rect.left + width;
  }
  ::SetWindowPos(Item(id), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  return rect;
}

bool Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) return false;
  End(LOWORD(wParam));
  return true;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->OnDestroyed();
    return FALSE;
  }
  INT_PTR result = 0;
  if (!self->HandleMessage(message, wParam, lParam, result)) return FALSE;
  // Messages with a result of their own return it directly; the others through DWLP_MSGRESULT.
  switch (message) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
      return result;
    default:
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

std::wstring LoadText(UINT id) {
  const wchar_t* text = nullptr;
  // With a length of 0, LoadStringW points into the resource itself (not terminated).
  const int length = ::LoadStringW(Dialog::ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  return std::wstring(text, static_cast<std::size_t>(length));
}

std::wstring AppName() {
  std::wstring name = LoadText(IDS_APP_NAME);
  return name.empty() ? L"Quillon" : name;
}

int ShowMessage(HWND owner, const std::wstring& text, UINT type) {
  return ::MessageBoxW(owner, text.c_str(), AppName().c_str(), type);
}

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::wstring Tr(const frontend::Message& message) {
  return Wide(frontend::Render(message, [](int id) { return FromWide(LoadText(static_cast<UINT>(id))); }));
}

LONG TextWidth(HWND control, const std::wstring& text) {
  const HDC dc = ::GetDC(control);
  const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return size.cx;
}

}  // namespace quillon::win32ui
