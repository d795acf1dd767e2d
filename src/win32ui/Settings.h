#pragma once
// The settings kept between runs, the destination folder ("datapath"), the unit drive ("drive")
// and the second copy's folder ("secondpath", empty: none) as REG_SZ values, and whether an ASC
// MHL history is kept ("mhl", a REG_DWORD 0 or 1), directly in HKEY_CURRENT_USER\Software\Zelt
// Corporation\<application name>. Also the documents folder as the first destination, and the
// file-system test that decides the destination warning.
#include <string>

namespace quillon::win32ui {

inline constexpr const wchar_t* kDestinationValue = L"datapath";
inline constexpr const wchar_t* kDriveValue = L"drive";
inline constexpr const wchar_t* kSecondCopyValue = L"secondpath";
inline constexpr const wchar_t* kMhlValue = L"mhl";

// "Software\Zelt Corporation\Quillon", the last part being the application name (string 57344).
std::wstring SettingsKeyPath();

struct StoredSettings {
  std::wstring destination;
  std::wstring drive;
  std::wstring secondCopy;
  bool keepMhl = false;
};

// The user's documents folder, created when missing; empty when the system names none.
std::wstring GetDefaultDestination();

// Reads the values under HKEY_CURRENT_USER\keyPath. A destination that is absent, not text, empty
// or not an absolute path gives the documents folder; a drive that is absent or not text gives
// the empty text; so does a second copy's folder that is not an absolute path; an "mhl" that is
// absent or not a number gives false, any other number than 0 true.
StoredSettings ReadStoredSettings(const std::wstring& keyPath);
// Writes "datapath", then "drive", "secondpath" and "mhl"; false when any could not be written.
bool WriteStoredSettings(const StoredSettings& settings, const std::wstring& keyPath);

// The root whose volume the file-system test asks about: "C:\" for a path that begins with a
// drive letter and a colon, "\" for any other (a network path among them).
std::wstring VolumeRootOf(const std::wstring& path);

// True when the volume of path's root calls its file system "NTFS", exactly; a volume that
// cannot be asked counts as not NTFS.
bool IsNtfsVolume(const std::wstring& path);

}  // namespace quillon::win32ui
