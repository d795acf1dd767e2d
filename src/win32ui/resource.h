#pragma once
// Resource ids of the Windows program, shared by quillon.rc and the code. The texts that the
// front-end layer puts together have their ids in frontend/TextIds.h. Plain #defines: the
// resource compiler reads this file too.

// Dialog templates, icon, accelerators.
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_PROGRESS 129
#define IDD_OVERWRITE 131
#define IDI_MAIN 130
#define IDR_ACCELERATORS 133

// String table.
#define IDS_ABOUTBOX 101      // "Version(&A)..."
#define IDS_BROWSE_TITLE 102  // "Source folder"
#define IDS_NOT_NTFS 104
#define IDS_TITLE 107         // "Quillon"
#define IDS_VERSION 108       // "Version"
#define IDS_SECOND_COPY_TITLE 109  // title of the browser for the second copy's folder
#define IDS_NO_SECOND_COPY 110     // shown for the second copy while there is none
#define IDS_OPEN_FOLDER_FAILED 205  // the summary's folder could not be opened
#define IDS_ABOUT_NOTICE 206        // the About box's second line
#define IDS_APP_NAME 57344    // "Quillon"

// Main window (102).
#define IDC_CLIP_LIST 1000
#define IDC_IMPORT 1002
#define IDC_DESTINATION 1003
#define IDC_BROWSE 1004
#define IDC_VERSION 1005
#define IDC_REFRESH 1006
#define IDC_SELECT_ALL 1007
#define IDC_DRIVE 1008
#define IDC_CLEAR_ALL 1009
#define IDC_PREFIX_SPIN 1010
#define IDC_PREFIX 1011
#define IDC_HDV 1023
#define IDC_DV 1024
#define IDM_ABOUTBOX 16
#define ID_EDIT_SELECT_ALL 57642
// Beyond the original template.
#define IDC_NO_UNIT_HINT 1200    // over the empty clip list
#define IDC_SUMMARY_HEAD 1201    // status line after an import: what went where
#define IDC_SUMMARY_FIGURES 1202 // and its figures
#define IDC_OPEN_FOLDER 1203     // opens the folder of the last import
#define IDC_ABOUT_VERSION 1204   // About box: name and version
#define IDC_ABOUT_NOTICE 1205    // About box: the maker's notice
// Frames and labels that follow the window's size.
#define IDC_SOURCE_GROUP 1206
#define IDC_SELECT_LABEL 1207
#define IDC_DESTINATION_GROUP 1208
#define IDC_PREFIX_HINT 1209
#define IDC_PREFIX_LABEL 1210
#define IDC_RESCUE 1211          // imports again, rescuing, the damaged clips of the last import
#define IDC_SELECT_NEW 1212      // selects the clips that are not home in the destination
// The second copy's folder under the destination, and the ASC MHL history.
#define IDC_SECOND_COPY_LABEL 1213
#define IDC_SECOND_COPY 1214
#define IDC_SECOND_BROWSE 1215
#define IDC_SECOND_CLEAR 1216
#define IDC_MHL 1217
#define IDC_MHL_NOTE 1218

// Progress window (129): the bar, and the details under it.
#define IDC_PROGRESS 1005
#define IDC_DETAIL_CLIP 1101
#define IDC_DETAIL_FILE 1102
#define IDC_DETAIL_AMOUNT 1103
#define IDC_DETAIL_RATE 1104

// Overwrite question (131); its answer buttons' ids are frontend::AnswerCode's.
#define IDC_QUESTION 1026
#define IDC_ANSWER_YES 1029
#define IDC_ANSWER_YES_TO_ALL 8
#define IDC_ANSWER_NO 1030
#define IDC_ANSWER_NO_TO_ALL 9
#define IDC_REPLACE_LINE 1110     // the fixed line
#define IDC_EXISTING_DETAIL 1111  // the two files' details
#define IDC_NEW_DETAIL 1112
