#pragma once
// The settings kept between runs: the destination folder ("datapath"), the unit drive ("drive"),
// the second copy's folder ("secondpath", empty: none) and whether an ASC MHL history is kept
// ("mhl", true or false), stored by QSettings as top-level values of "Zelt Corporation"/"Quillon".
#include <QString>

namespace quillon::ui {

inline constexpr const char* kOrganisationName = "Zelt Corporation";
inline constexpr const char* kApplicationName = "Quillon";
inline constexpr const char* kDestinationKey = "datapath";
inline constexpr const char* kDriveKey = "drive";
inline constexpr const char* kSecondCopyKey = "secondpath";
inline constexpr const char* kMhlKey = "mhl";

struct StoredSettings {
  QString destination;
  QString drive;
  QString secondCopy;
  bool keepMhl = false;
};

// The user's documents folder, created when missing; empty when the system names none.
QString GetDefaultDestination();

// A destination that is absent, not text, or not an absolute path gives the documents folder;
// a drive that is absent or not text gives the empty text; a second copy's folder that is not an
// absolute path gives none, and an "mhl" other than true or false gives false.
StoredSettings ReadStoredSettings();
void WriteStoredSettings(const StoredSettings& settings);

// True when files of 4 GiB and more can be written at path: false on a FAT-family volume and
// when the volume cannot be told (the folder is missing, for example).
bool IsLargeFileVolume(const QString& path);

}  // namespace quillon::ui
