<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>quillon::Texts</name>
    <message>
        <source>Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its available space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This folder already contains a file named &apos;%s&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No recording unit was found. Connect the unit and wait until it is mounted, or choose &quot;%1&quot; under %2 to open a folder that holds a unit&apos;s tree.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds no recording unit&apos;s tree (VIDEO/QVT, or HDVF and DVF). Choose another folder with &quot;%2&quot; under %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other folder...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a folder that holds a unit&apos;s tree</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be opened</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be created</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be saved to the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be read back to check it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 could not be put in place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 is in place, but the destination folder could not be saved to the disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: an unexpected error stopped the copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 ended before all its bytes were read; the unit may have been disconnected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 read back differs from the bytes copied from the unit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 in the destination folder is a file of the unit; it was left as it is</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 already exists and was kept, because an earlier output file could not be created</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 already exists and was kept, because an earlier output file could not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 would be %3, more than the destination&apos;s file system can hold in one file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; does not exist. Choose another destination folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is not a folder. Choose another destination folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files cannot be created in the destination folder &quot;%1&quot;. Choose another destination folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; is inside the recording unit, which is never written. Choose a folder on another drive.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import needs %1, but the destination folder &quot;%2&quot; has only %3 free. Nothing was copied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination&apos;s file system cannot hold files as large as the output files below, so their clips will not be imported. The other clips will be imported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination&apos;s file system cannot hold files as large as the output files below, so their clips will not be imported. Nothing is left to import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 (%3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other recordings of this import had the same file names, so these files were saved under numbered names:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was saved as %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These incomplete files could not be deleted. They are hidden, and the next import into this folder removes them:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; was moved or renamed during the import. The files imported are in &quot;%2&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; was moved, renamed or deleted during the import, and where it is now cannot be told.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clip %1 of %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MiB/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MiB/s, %2 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The existing item is a folder or a link, not a file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Existing file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Existing file: %1, last changed %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 file imported to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 files imported to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kept</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 renamed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> · </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 byte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 KiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 GiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 TiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillon::ui::CAboutDlg</name>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillon::ui::CMainDlg</name>
    <message>
        <source>Quillon</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drive of the destination folder is not formatted in NTFS. Change the destination to the drive formatted in NTFS.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Destination folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the folders containing video files you want to import.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rec date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input the number to differentiate the files recorded on the same time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prefix number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HDV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version(&amp;A)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; could not be opened: no file manager was found.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillon::ui::COverwriteConfirmDialog</name>
    <message>
        <source>kv_dock</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like replace the existing file?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes to &amp;all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N&amp;o to all</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quillon::ui::CProgressDlg</name>
    <message>
        <source>Copying...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
