<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>quillon::ui::CAboutDlg</name>
    <message>
        <source>Version</source>
        <translation>バージョン情報</translation>
    </message>
</context>
<context>
    <name>quillon::ui::CMainDlg</name>
    <message>
        <source>Quillon</source>
        <translation>Quillon</translation>
    </message>
    <message>
        <source>The drive of the destination folder is not formatted in NTFS. Change the destination to the drive formatted in NTFS.</source>
        <translation>出力先フォルダーのドライブは NTFS でフォーマットされていません。NTFS でフォーマットされたドライブに出力先を変更してください。</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>取り込み元</translation>
    </message>
    <message>
        <source>Destination folder</source>
        <translation>出力先フォルダー</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>ドライブ</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>形式</translation>
    </message>
    <message>
        <source>Select the folders containing video files you want to import.</source>
        <translation>取り込むビデオファイルを含むフォルダーを選択してください。</translation>
    </message>
    <message>
        <source>Clip</source>
        <translation>クリップ</translation>
    </message>
    <message>
        <source>Rec date</source>
        <translation>撮影日</translation>
    </message>
    <message>
        <source>Input the number to differentiate the files recorded on the same time.</source>
        <translation>同じ時刻に記録されたファイルを区別する番号を入力してください。</translation>
    </message>
    <message>
        <source>Prefix number</source>
        <translation>先頭番号</translation>
    </message>
    <message>
        <source>HDV</source>
        <translation>HDV</translation>
    </message>
    <message>
        <source>DV</source>
        <translation>DV</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>取り込み(&amp;I)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>Version...</source>
        <translation>バージョン...</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>すべて選択(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation>選択解除(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>更新(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>参照(&amp;B)...</translation>
    </message>
    <message>
        <source>Source folder</source>
        <translation>出力先フォルダーの選択</translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; does not exist. Choose another destination folder.</source>
        <translation>出力先フォルダー &quot;%1&quot; がありません。別の出力先フォルダーを選択してください。</translation>
    </message>
    <message>
        <source>Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its available space.</source>
        <translation>ファイルの取り込みに失敗しました。出力先ドライブの読み取り専用属性を解除するか、空き容量を増やしてください。</translation>
    </message>
    <message>
        <source>Version(&amp;A)...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
</context>
<context>
    <name>quillon::ui::COverwriteConfirmDialog</name>
    <message>
        <source>kv_dock</source>
        <translation>kv_dock</translation>
    </message>
    <message>
        <source>Would you like replace the existing file?</source>
        <translation>既存のファイルを置き換えますか?</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>はい(&amp;Y)</translation>
    </message>
    <message>
        <source>Yes to &amp;all</source>
        <translation>すべてはい(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>いいえ(&amp;N)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>N&amp;o to all</source>
        <translation>すべていいえ(&amp;O)</translation>
    </message>
    <message>
        <source>This folder already contains a file named &apos;%1&apos;.</source>
        <translation>このフォルダーには既に &apos;%1&apos; という名前のファイルがあります。</translation>
    </message>
</context>
<context>
    <name>quillon::ui::CProgressDlg</name>
    <message>
        <source>Copying...</source>
        <translation>コピーしています...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
</TS>
