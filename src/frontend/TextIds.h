#pragma once
// The ids of the texts that the front-end layer puts together: the string-table ids of the
// Windows program, and the keys of the English table that quillon-cli and the Qt window (through
// its translations) use. Plain #defines: the resource compiler reads this file too.

// The program's own strings.
#define IDS_COPY_FAILED 105
#define IDS_OVERWRITE_QUESTION 106

// The main window's hints and the drive selector's last entry.
#define IDS_NO_UNIT_HINT 200     // no unit found: what to do (%1 "Other folder...", %2 "Drive")
#define IDS_NOT_A_UNIT_HINT 201  // the chosen folder holds no unit's tree (%1 the folder)
#define IDS_OTHER_FOLDER 202     // "Other folder..."
#define IDS_DRIVE_LABEL 203      // "Drive", as the hints name the selector
#define IDS_CHOOSE_UNIT_FOLDER 204  // title of the browser for "Other folder..."
#define IDS_READING_UNIT 210        // over the list while the unit is read
#define IDS_READING_UNIT_FOR 211    // the same, %1 seconds into the wait

// Why a clip failed. %1 the clip, %2 the file, %3 (too large) the output's size.
#define IDS_FAIL_CHUNK_OPEN 300
#define IDS_FAIL_CHUNK_READ 301
#define IDS_FAIL_OUTPUT_CREATE 302
#define IDS_FAIL_OUTPUT_WRITE 303
#define IDS_FAIL_OUTPUT_SYNC 304
#define IDS_FAIL_OUTPUT_READ_BACK 305
#define IDS_FAIL_OUTPUT_PLACE 306
#define IDS_FAIL_FOLDER_SYNC 307
#define IDS_FAIL_INTERNAL 308
#define IDS_FAIL_CHUNK_ENDED 309
#define IDS_FAIL_OUTPUT_MISMATCH 310
#define IDS_FAIL_SAME_AS_UNIT_FILE 311
#define IDS_FAIL_EXISTS_AFTER_FAILURE 312
#define IDS_FAIL_TOO_LARGE 313
#define IDS_WITH_CAUSE 314  // "%1 (%2)": a failure and the system's error text
#define IDS_FAIL_EXISTS_AFTER_WRITE_FAILURE 315
#define IDS_FAIL_RESCUE_UNMATCHED 316

// Why an import cannot start (%1 the folder; for the space, %1 needed, %2 the folder, %3 free).
#define IDS_REFUSED_NO_DESTINATION 320
#define IDS_REFUSED_NOT_A_FOLDER 321
#define IDS_REFUSED_NOT_WRITABLE 322
#define IDS_REFUSED_INSIDE_UNIT 323
#define IDS_REFUSED_NOT_ENOUGH_SPACE 324

// Outputs too large for the destination, renamed outputs, leftovers not removed, a moved folder.
#define IDS_TOO_LARGE_OTHERS_LEFT 330
#define IDS_TOO_LARGE_NOTHING_LEFT 331
#define IDS_TOO_LARGE_ITEM 332
#define IDS_RENAMED_HEAD 335
#define IDS_RENAMED_ITEM 336
#define IDS_NOT_REMOVED_HEAD 338
#define IDS_MOVED 339       // %1 the folder chosen, %2 where it is now
#define IDS_MOVED_GONE 334  // %1 the folder chosen
#define IDS_RESCUED_HEAD 337  // outputs rescued with bytes missing, listed below it

// Progress details.
#define IDS_PROGRESS_CLIP 340  // %1 of %2: %3 the clip
#define IDS_PROGRESS_FILE 341
#define IDS_PROGRESS_AMOUNT 342
#define IDS_PROGRESS_RATE 343
#define IDS_PROGRESS_RATE_LEFT 344
#define IDS_UNIT_SILENT 345  // %1 seconds
// A rescue's progress: %1 the bytes rescued, %2 those that failed so far; the last good read.
#define IDS_RESCUE_COPYING 346
#define IDS_RESCUE_TRIMMING 347
#define IDS_RESCUE_SCRAPING 348
#define IDS_RESCUE_RETRYING 349
#define IDS_RESCUE_LAST_GOOD 355  // %1 how long ago
#define IDS_RESCUE_NO_GOOD_READ 356

// The overwrite question's details.
#define IDS_EXISTING_NOT_A_FILE 350
#define IDS_EXISTING_SIZE 351
#define IDS_EXISTING_SIZE_DATE 352
#define IDS_NEW_SIZE 353

// The status line after an import.
#define IDS_SUMMARY_ONE 360
#define IDS_SUMMARY_MANY 361
#define IDS_SUMMARY_CANCELLED 362
#define IDS_SUMMARY_SIZE_TIME 364
#define IDS_SUMMARY_KEPT 365
#define IDS_SUMMARY_RENAMED 366
#define IDS_SUMMARY_FAILED 367
#define IDS_SUMMARY_SEPARATOR 368
#define IDS_SUMMARY_RESCUED 369  // %1 outputs in place with bytes missing

// The damage of a rescued output (%1 the clip; the areas, their size) and where it lies (%1 that
// line, %2 the places); the offer to rescue the damaged clips of the import.
#define IDS_DAMAGE_ONE 390
#define IDS_DAMAGE_MANY 391
#define IDS_DAMAGE_AT 392
#define IDS_RESCUE_OFFER_ONE 393
#define IDS_RESCUE_OFFER_MANY 394
// A place in a DV recording: %1 the time, %2 (and %3) the frames hit, counted from 0, and the
// last argument the timecode or recording time of the nearest good frame.
#define IDS_DAMAGE_FRAME 395
#define IDS_DAMAGE_FRAMES 396
#define IDS_DAMAGE_FRAME_STAMP 397
#define IDS_DAMAGE_FRAMES_STAMP 398

// Home marks of the clip list, the second copy, the import history, and "nothing new".
#define IDS_REFUSED_SAME_FOLDER 325
#define IDS_SUMMARY_NEW 359
#define IDS_SUMMARY_SECOND_COPY 358
#define IDS_HISTORY_NOT_WRITTEN 357
#define IDS_HOME_HOME 400
#define IDS_HOME_NEW 401
#define IDS_HOME_CHANGED 402
#define IDS_HOME_BEFORE_HISTORY 403

// Sizes and durations.
#define IDS_SIZE_BYTE 370
#define IDS_SIZE_BYTES 371
#define IDS_SIZE_KIB 372
#define IDS_SIZE_MIB 373
#define IDS_SIZE_GIB 374
#define IDS_SIZE_TIB 375
#define IDS_DURATION_SECONDS 380
#define IDS_DURATION_MINUTES 381
#define IDS_DURATION_HOURS 382
