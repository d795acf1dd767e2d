#pragma once
// The two settings kept between runs, the destination folder ("datapath") and the unit drive
// ("drive"): REG_SZ values directly in HKEY_CURRENT_USER\Software\Zelt Corporation\<application
// name>. Also the documents folder as the first destination, and the file-system test that
// decides the destination warning.
#include <string>

namespace quillon::win32ui {

inline constexpr const wchar_t* kDestinationValue = L"datapath";
inline constexpr const wchar_t* kDriveValue = L"drive";

// "Software\Zelt Corporation\Quillon", the last part being the application name (string 57344).
std::wstring SettingsKeyPath();

struct StoredSettings {
  std::wstring destination;
  std::wstring drive;
};

// The user's documents folder, created when missing; empty when the system names none.
std::wstring GetDefaultDestination();

// Reads the values under HKEY_CURRENT_USER\keyPath. A destination that is absent, not text, empty
// or not an absolute path gives the documents folder; a drive that is absent or not text gives
// the empty text.
StoredSettings ReadStoredSettings(const std::wstring& keyPath);
// Writes "datapath", then "drive"; false when either could not be written.
bool WriteStoredSettings(const StoredSettings& settings, const std::wstring& keyPath);

// The root whose volume the file-system test asks about: "C:\" for a path that begins with a
// drive letter and a colon, "\" for any other (a network path among them).
std::wstring VolumeRootOf(const std::wstring& path);

// True when the volume of path's root calls its file system "NTFS", exactly; a volume that
// cannot be asked counts as not NTFS.
bool IsNtfsVolume(const std::wstring& path);

}  // namespace quillon::win32ui
