#include "win32ui/Settings.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/ErrorMode.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

namespace {

// A REG_SZ value of the key, nothing when absent or of another type. The text read is terminated
// whether or not the stored one was.
bool ReadText(HKEY key, const wchar_t* name, std::wstring& text) {
  DWORD bytes = 0;
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return false;
  text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS) return false;
  text.resize(::wcsnlen(text.c_str(), text.size()));
  return true;
}

bool WriteText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteNumber(HKEY key, const wchar_t* name, DWORD number) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
         ERROR_SUCCESS;
}

bool IsAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

}  // namespace

std::wstring SettingsKeyPath() { return L"Software\\Zelt Corporation\\" + AppName(); }

std::wstring GetDefaultDestination() {
  wchar_t path[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PERSONAL, TRUE)) return {};
  return path;
}

StoredSettings ReadStoredSettings(const std::wstring& keyPath) {
  StoredSettings settings;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    // A relative destination would land wherever the program happens to run from.
    if (!ReadText(key, kDestinationValue, settings.destination) || !IsAbsolute(settings.destination))
      settings.destination.clear();
    if (!ReadText(key, kDriveValue, settings.drive)) settings.drive.clear();
    if (!ReadText(key, kSecondCopyValue, settings.secondCopy) || !IsAbsolute(settings.secondCopy))
      settings.secondCopy.clear();
    DWORD mhl = 0, bytes = sizeof mhl;
    settings.keepMhl =
        ::RegGetValueW(key, nullptr, kMhlValue, RRF_RT_REG_DWORD, nullptr, &mhl, &bytes) == ERROR_SUCCESS && mhl != 0;
    ::RegCloseKey(key);
  }
  if (settings.destination.empty()) settings.destination = GetDefaultDestination();
  return settings;
}

bool WriteStoredSettings(const StoredSettings& settings, const std::wstring& keyPath) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool destination = WriteText(key, kDestinationValue, settings.destination);
  const bool drive = WriteText(key, kDriveValue, settings.drive);
  const bool secondCopy = WriteText(key, kSecondCopyValue, settings.secondCopy);
  const bool mhl = WriteNumber(key, kMhlValue, settings.keepMhl ? 1 : 0);
  ::RegCloseKey(key);
  return destination && drive && secondCopy && mhl;
}

std::wstring VolumeRootOf(const std::wstring& path) {
  const std::wstring drive = path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
  return drive + L"\\";
}

bool IsNtfsVolume(const std::wstring& path) {
  const platform::win32::NoCriticalErrorBoxes quiet;
  wchar_t name[256] = {};
  const BOOL asked = ::GetVolumeInformationW(VolumeRootOf(path).c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                             name, 255);
  return asked && std::wstring(name) == L"NTFS";
}

}  // namespace quillon::win32ui
