#pragma once
// The system's folder browser, opened at a given folder.
#include <windows.h>

#include <optional>
#include <string>

namespace quillon::win32ui {

// The folder the browser opens at: start cut to 259 characters, the most its path can hold.
std::wstring InitialSelection(const std::wstring& start);

// The folder the user chose, or nothing when cancelled or when the item chosen has no file-system
// path (a virtual folder).
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& start);

// A chosen folder as the drive selector lists it: a drive's root "E:\" is the drive name "E:",
// other folders lose a trailing backslash.
std::wstring DriveEntryOf(std::wstring folder);

}  // namespace quillon::win32ui
