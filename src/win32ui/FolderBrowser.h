#pragma once
// The system's folder browser, opened at a given folder.
#include <windows.h>

#include <optional>
#include <string>

namespace quillon::win32ui {

// The folder the user chose, or nothing when cancelled or when the item chosen has no file-system
// path (a virtual folder). The browser opens at start, cut to the 259 characters its path holds.
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& start);

// A chosen folder as the drive selector lists it: a drive's root "E:\" is the drive name "E:",
// other folders lose a trailing backslash.
std::wstring DriveEntryOf(std::wstring folder);

}  // namespace quillon::win32ui
