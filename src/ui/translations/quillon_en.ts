<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
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
        <source>The destination folder &quot;%1&quot; does not exist. Choose another destination folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its available space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version(&amp;A)...</source>
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
    <message>
        <source>This folder already contains a file named &apos;%1&apos;.</source>
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
