#pragma once
// The two settings kept between runs: the destination folder ("datapath") and the unit drive
// ("drive"), stored by QSettings as top-level values of "Zelt Corporation"/"Quillon".
#include <QString>

namespace quillon::ui {

inline constexpr const char* kOrganisationName = "Zelt Corporation";
inline constexpr const char* kApplicationName = "Quillon";
inline constexpr const char* kDestinationKey = "datapath";
inline constexpr const char* kDriveKey = "drive";

struct StoredSettings {
  QString destination;
  QString drive;
};

// The user's documents folder, created when missing; empty when the system names none.
QString GetDefaultDestination();

// A destination that is absent, not text, or not an absolute path gives the documents folder;
// a drive that is absent or not text gives the empty text.
StoredSettings ReadStoredSettings();
void WriteStoredSettings(const StoredSettings& settings);

// True when files of 4 GiB and more can be written at path: false on a FAT-family volume and
// when the volume cannot be told (the folder is missing, for example).
bool IsLargeFileVolume(const QString& path);

}  // namespace quillon::ui
