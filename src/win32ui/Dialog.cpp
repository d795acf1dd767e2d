#include "win32ui/Dialog.h"

#include "platform/Text.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {
HINSTANCE resourceModule = nullptr;
}

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Dialog::~Dialog() {
  // A modeless dialog still open goes with its object; its procedure must not reach it after.
  if (hwnd_ && !modal_) {
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(hwnd_);
  }
}

void Dialog::SetResourceModule(HINSTANCE module) { resourceModule = module; }

HINSTANCE Dialog::ResourceModule() { return resourceModule ? resourceModule : ::GetModuleHandleW(nullptr); }

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

std::wstring Dialog::ItemText(int id) const {
  const HWND item = Item(id);
  if (!item) return {};
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Dialog::SetItemText(int id, const std::wstring& text) { ::SetDlgItemTextW(hwnd_, id, text.c_str()); }

bool Dialog::HandleMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

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

std::wstring WideFromUtf8(std::string_view text) { return Wide(platform::FromUtf8(text)); }

std::wstring FormatText(std::wstring_view text, std::initializer_list<std::wstring> arguments) {
  std::wstring out;
  out.reserve(text.size());
  const auto* next = arguments.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const wchar_t after = i + 1 < text.size() ? text[i + 1] : L'\0';
    if (c != L'%') {
      out += c;
    } else if (after == L'%') {
      out += L'%';
      ++i;
    } else if (after == L's') {
      if (next != arguments.end()) out += *next++;
      ++i;
    } else if (after >= L'1' && after <= L'9') {
      const auto n = static_cast<std::size_t>(after - L'1');
      if (n < arguments.size()) out += *(arguments.begin() + n);
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace quillon::win32ui
