// The English texts of the front-end layer. The desktop window's translations are made from
// this table too: lupdate reads its QT_TRANSLATE_NOOP marks.
#include <algorithm>
#include <iterator>

#include "frontend/Message.h"
#include "frontend/TextIds.h"

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace quillon::frontend {

namespace {

struct Entry {
  int id;
  const char* text;
};

// "Failed to import the files...", "This folder already contains...", "Would you like replace..."
// and "kv_dock" are the program's own wording from its first release, kept as they are on purpose.
constexpr Entry kEnglish[] = {
    {IDS_COPY_FAILED,
     QT_TRANSLATE_NOOP("quillon::Texts", "Failed to import the files. Remove the Read-only attribute of the "
                                         "destination drive, or increase its available space.")},
    {IDS_OVERWRITE_QUESTION, QT_TRANSLATE_NOOP("quillon::Texts", "This folder already contains a file named '%s'.")},

    {IDS_NO_UNIT_HINT,
     QT_TRANSLATE_NOOP("quillon::Texts", "No recording unit was found. Connect the unit and wait until it is mounted, "
                                         "or choose \"%1\" under %2 to open a folder that holds a unit's tree.")},
    {IDS_NOT_A_UNIT_HINT,
     QT_TRANSLATE_NOOP("quillon::Texts", "%1 holds no recording unit's tree (VIDEO/QVT, or HDVF and DVF). Choose "
                                         "another folder with \"%2\" under %3.")},
    {IDS_OTHER_FOLDER, QT_TRANSLATE_NOOP("quillon::Texts", "Other folder...")},
    {IDS_DRIVE_LABEL, QT_TRANSLATE_NOOP("quillon::Texts", "Drive")},
    {IDS_CHOOSE_UNIT_FOLDER, QT_TRANSLATE_NOOP("quillon::Texts", "Choose a folder that holds a unit's tree")},
    {IDS_READING_UNIT, QT_TRANSLATE_NOOP("quillon::Texts", "Reading the unit...")},
    {IDS_READING_UNIT_FOR, QT_TRANSLATE_NOOP("quillon::Texts", "Reading the unit... (%1 s)")},

    {IDS_FAIL_CHUNK_OPEN, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be opened")},
    {IDS_FAIL_CHUNK_READ, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be read")},
    {IDS_FAIL_OUTPUT_CREATE, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be created")},
    {IDS_FAIL_OUTPUT_WRITE, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be written")},
    {IDS_FAIL_OUTPUT_SYNC, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be saved to the disk")},
    {IDS_FAIL_OUTPUT_READ_BACK, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be read back to check it")},
    {IDS_FAIL_OUTPUT_PLACE, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 could not be put in place")},
    {IDS_FAIL_FOLDER_SYNC,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 is in place, but the destination folder could not be saved to the disk")},
    {IDS_FAIL_INTERNAL, QT_TRANSLATE_NOOP("quillon::Texts", "%1: an unexpected error stopped the copy")},
    {IDS_FAIL_CHUNK_ENDED,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 ended before all its bytes were read; the unit may have been disconnected")},
    {IDS_FAIL_OUTPUT_MISMATCH,
     QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 read back differs from the bytes copied from the unit")},
    {IDS_FAIL_SAME_AS_UNIT_FILE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 in the destination folder is a file of the unit; it was left as it is")},
    {IDS_FAIL_EXISTS_AFTER_FAILURE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 already exists and was kept, because an earlier output file could not be created")},
    {IDS_FAIL_EXISTS_AFTER_WRITE_FAILURE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 already exists and was kept, because an earlier output file could not be written")},
    {IDS_FAIL_RESCUE_UNMATCHED,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 is there without a map of this recording, and was kept; move it elsewhere to "
                       "rescue the clip again")},
    {IDS_FAIL_TOO_LARGE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "%1: %2 would be %3, more than the destination's file system can hold in one file")},
    {IDS_WITH_CAUSE, QT_TRANSLATE_NOOP("quillon::Texts", "%1 (%2)")},

    {IDS_REFUSED_NO_DESTINATION,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "The destination folder \"%1\" does not exist. Choose another destination folder.")},
    {IDS_REFUSED_NOT_A_FOLDER,
     QT_TRANSLATE_NOOP("quillon::Texts", "The destination \"%1\" is not a folder. Choose another destination folder.")},
    {IDS_REFUSED_NOT_WRITABLE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "Files cannot be created in the destination folder \"%1\". Choose another destination folder.")},
    {IDS_REFUSED_INSIDE_UNIT,
     QT_TRANSLATE_NOOP("quillon::Texts", "The destination folder \"%1\" is inside the recording unit, which is never "
                                         "written. Choose a folder on another drive.")},
    {IDS_REFUSED_NOT_ENOUGH_SPACE,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "The import needs %1, but the destination folder \"%2\" has only %3 free. Nothing was copied.")},

    {IDS_TOO_LARGE_OTHERS_LEFT,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "The destination's file system cannot hold files as large as the output files below, so their "
                       "clips will not be imported. The other clips will be imported.")},
    {IDS_TOO_LARGE_NOTHING_LEFT,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "The destination's file system cannot hold files as large as the output files below, so their "
                       "clips will not be imported. Nothing is left to import.")},
    {IDS_TOO_LARGE_ITEM, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 (%3)")},
    {IDS_RENAMED_HEAD,
     QT_TRANSLATE_NOOP("quillon::Texts", "Other recordings of this import had the same file names, so these files "
                                         "were saved under numbered names:")},
    {IDS_RENAMED_ITEM, QT_TRANSLATE_NOOP("quillon::Texts", "%1 was saved as %2")},
    {IDS_NOT_REMOVED_HEAD,
     QT_TRANSLATE_NOOP("quillon::Texts", "These incomplete files could not be deleted. They are hidden, and the next "
                                         "import into this folder removes them:")},
    {IDS_MOVED,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "The destination folder \"%1\" was moved or renamed during the import. The files imported are "
                       "in \"%2\".")},
    {IDS_MOVED_GONE,
     QT_TRANSLATE_NOOP("quillon::Texts", "The destination folder \"%1\" was moved, renamed or deleted during the "
                                         "import, and where it is now cannot be told.")},
    {IDS_RESCUED_HEAD,
     QT_TRANSLATE_NOOP("quillon::Texts",
                       "Some bytes of these recordings could not be read from the unit. They are written as "
                       "zeros into files named \"-rescued\", each with a map of what is missing beside it. "
                       "A later rescue reads only the missing bytes again.")},
    {IDS_DAMAGE_ONE, QT_TRANSLATE_NOOP("quillon::Texts", "%1: 1 damaged area, %2")},
    {IDS_DAMAGE_MANY, QT_TRANSLATE_NOOP("quillon::Texts", "%1: %2 damaged areas, %3")},
    {IDS_DAMAGE_AT, QT_TRANSLATE_NOOP("quillon::Texts", "%1, at %2")},
    {IDS_DAMAGE_FRAME, QT_TRANSLATE_NOOP("quillon::Texts", "%1 (frame %2)")},
    {IDS_DAMAGE_FRAMES, QT_TRANSLATE_NOOP("quillon::Texts", "%1 (frames %2-%3)")},
    {IDS_DAMAGE_FRAME_STAMP, QT_TRANSLATE_NOOP("quillon::Texts", "%1 (frame %2, %3)")},
    {IDS_DAMAGE_FRAMES_STAMP, QT_TRANSLATE_NOOP("quillon::Texts", "%1 (frames %2-%3, %4)")},
    {IDS_RESCUE_OFFER_ONE, QT_TRANSLATE_NOOP("quillon::Texts", "Rescue 1 damaged clip")},
    {IDS_RESCUE_OFFER_MANY, QT_TRANSLATE_NOOP("quillon::Texts", "Rescue %1 damaged clips")},

    {IDS_PROGRESS_CLIP, QT_TRANSLATE_NOOP("quillon::Texts", "Clip %1 of %2: %3")},
    {IDS_PROGRESS_FILE, QT_TRANSLATE_NOOP("quillon::Texts", "File: %1")},
    {IDS_PROGRESS_AMOUNT, QT_TRANSLATE_NOOP("quillon::Texts", "%1 of %2")},
    {IDS_PROGRESS_RATE, QT_TRANSLATE_NOOP("quillon::Texts", "%1 MiB/s")},
    {IDS_PROGRESS_RATE_LEFT, QT_TRANSLATE_NOOP("quillon::Texts", "%1 MiB/s, %2 left")},
    {IDS_UNIT_SILENT, QT_TRANSLATE_NOOP("quillon::Texts", "The unit has not answered for %1 s")},
    {IDS_RESCUE_COPYING, QT_TRANSLATE_NOOP("quillon::Texts", "Copying: %1 rescued, %2 bad so far")},
    {IDS_RESCUE_TRIMMING, QT_TRANSLATE_NOOP("quillon::Texts", "Trimming: %1 rescued, %2 still bad")},
    {IDS_RESCUE_SCRAPING, QT_TRANSLATE_NOOP("quillon::Texts", "Scraping: %1 rescued, %2 still bad")},
    {IDS_RESCUE_RETRYING, QT_TRANSLATE_NOOP("quillon::Texts", "Retrying: %1 rescued, %2 still bad")},
    {IDS_RESCUE_LAST_GOOD, QT_TRANSLATE_NOOP("quillon::Texts", "Last good read %1 ago")},
    {IDS_RESCUE_NO_GOOD_READ, QT_TRANSLATE_NOOP("quillon::Texts", "No good read yet")},

    {IDS_EXISTING_NOT_A_FILE,
     QT_TRANSLATE_NOOP("quillon::Texts", "The existing item is a folder or a link, not a file.")},
    {IDS_EXISTING_SIZE, QT_TRANSLATE_NOOP("quillon::Texts", "Existing file: %1")},
    {IDS_EXISTING_SIZE_DATE, QT_TRANSLATE_NOOP("quillon::Texts", "Existing file: %1, last changed %2")},
    {IDS_NEW_SIZE, QT_TRANSLATE_NOOP("quillon::Texts", "New file: %1")},

    {IDS_SUMMARY_ONE, QT_TRANSLATE_NOOP("quillon::Texts", "%1 file imported to %2")},
    {IDS_SUMMARY_MANY, QT_TRANSLATE_NOOP("quillon::Texts", "%1 files imported to %2")},
    {IDS_SUMMARY_CANCELLED, QT_TRANSLATE_NOOP("quillon::Texts", "Import cancelled")},
    {IDS_SUMMARY_SIZE_TIME, QT_TRANSLATE_NOOP("quillon::Texts", "%1 in %2")},
    {IDS_SUMMARY_KEPT, QT_TRANSLATE_NOOP("quillon::Texts", "%1 kept")},
    {IDS_SUMMARY_RENAMED, QT_TRANSLATE_NOOP("quillon::Texts", "%1 renamed")},
    {IDS_SUMMARY_FAILED, QT_TRANSLATE_NOOP("quillon::Texts", "%1 failed")},
    {IDS_SUMMARY_SEPARATOR, QT_TRANSLATE_NOOP("quillon::Texts", " \u00b7 ")},
    {IDS_SUMMARY_RESCUED, QT_TRANSLATE_NOOP("quillon::Texts", "%1 incomplete")},
    {IDS_REFUSED_SAME_FOLDER, QT_TRANSLATE_NOOP("quillon::Texts", "The second copy's folder \"%1\" is the destination folder itself. Nothing was copied.")},
    {IDS_SUMMARY_NEW, QT_TRANSLATE_NOOP("quillon::Texts", "%1 new")},
    {IDS_SUMMARY_SECOND_COPY, QT_TRANSLATE_NOOP("quillon::Texts", "second copy in %1")},
    {IDS_HISTORY_NOT_WRITTEN, QT_TRANSLATE_NOOP("quillon::Texts", "The files are in place, but the import history could not be written, so the next import may not know them:")},
    {IDS_HOME_HOME, QT_TRANSLATE_NOOP("quillon::Texts", "home")},
    {IDS_HOME_NEW, QT_TRANSLATE_NOOP("quillon::Texts", "new")},
    {IDS_HOME_CHANGED, QT_TRANSLATE_NOOP("quillon::Texts", "changed")},
    {IDS_HOME_BEFORE_HISTORY, QT_TRANSLATE_NOOP("quillon::Texts", "home (before history)")},

    {IDS_SIZE_BYTE, QT_TRANSLATE_NOOP("quillon::Texts", "%1 byte")},
    {IDS_SIZE_BYTES, QT_TRANSLATE_NOOP("quillon::Texts", "%1 bytes")},
    {IDS_SIZE_KIB, QT_TRANSLATE_NOOP("quillon::Texts", "%1 KiB")},
    {IDS_SIZE_MIB, QT_TRANSLATE_NOOP("quillon::Texts", "%1 MiB")},
    {IDS_SIZE_GIB, QT_TRANSLATE_NOOP("quillon::Texts", "%1 GiB")},
    {IDS_SIZE_TIB, QT_TRANSLATE_NOOP("quillon::Texts", "%1 TiB")},
    {IDS_DURATION_SECONDS, QT_TRANSLATE_NOOP("quillon::Texts", "%1 s")},
    {IDS_DURATION_MINUTES, QT_TRANSLATE_NOOP("quillon::Texts", "%1 min %2 s")},
    {IDS_DURATION_HOURS, QT_TRANSLATE_NOOP("quillon::Texts", "%1 h %2 min")},
};

}  // namespace

const char* EnglishText(int id) {
  const auto found = std::find_if(std::begin(kEnglish), std::end(kEnglish), [id](const Entry& e) { return e.id == id; });
  return found == std::end(kEnglish) ? "" : found->text;
}

}  // namespace quillon::frontend
