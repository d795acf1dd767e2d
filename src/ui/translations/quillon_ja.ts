<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>quillon::Texts</name>
    <message>
        <source>Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its available space.</source>
        <translation>ファイルの取り込みに失敗しました。出力先ドライブの読み取り専用属性を解除するか、空き容量を増やしてください。</translation>
    </message>
    <message>
        <source>This folder already contains a file named &apos;%s&apos;.</source>
        <translation>このフォルダーには既に &apos;%s&apos; という名前のファイルがあります。</translation>
    </message>
    <message>
        <source>No recording unit was found. Connect the unit and wait until it is mounted, or choose &quot;%1&quot; under %2 to open a folder that holds a unit&apos;s tree.</source>
        <translation>録画ユニットが見つかりません。ユニットを接続してマウントされるまでお待ちください。または、%2の「%1」を選んで、ユニットのフォルダー構成を含むフォルダーを開いてください。</translation>
    </message>
    <message>
        <source>%1 holds no recording unit&apos;s tree (VIDEO/QVT, or HDVF and DVF). Choose another folder with &quot;%2&quot; under %3.</source>
        <translation>%1 には録画ユニットのフォルダー構成 (VIDEO/QVT、または HDVF と DVF) がありません。%3の「%2」で別のフォルダーを選んでください。</translation>
    </message>
    <message>
        <source>Other folder...</source>
        <translation>その他のフォルダー...</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>ドライブ</translation>
    </message>
    <message>
        <source>Choose a folder that holds a unit&apos;s tree</source>
        <translation>ユニットのフォルダー構成を含むフォルダーの選択</translation>
    </message>
    <message>
        <source>%1: %2 could not be opened</source>
        <translation>%1: %2 を開けませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be read</source>
        <translation>%1: %2 を読み取れませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be created</source>
        <translation>%1: %2 を作成できませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be written</source>
        <translation>%1: %2 に書き込めませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be saved to the disk</source>
        <translation>%1: %2 をディスクに保存できませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be read back to check it</source>
        <translation>%1: 確認のために %2 を読み返せませんでした</translation>
    </message>
    <message>
        <source>%1: %2 could not be put in place</source>
        <translation>%1: %2 を出力先に配置できませんでした</translation>
    </message>
    <message>
        <source>%1: %2 is in place, but the destination folder could not be saved to the disk</source>
        <translation>%1: %2 は配置されましたが、出力先フォルダーの変更をディスクに保存できませんでした</translation>
    </message>
    <message>
        <source>%1: an unexpected error stopped the copy</source>
        <translation>%1: 予期しないエラーによりコピーが中断されました</translation>
    </message>
    <message>
        <source>%1: %2 ended before all its bytes were read; the unit may have been disconnected</source>
        <translation>%1: %2 はすべてのデータを読み取る前に終わりました。ユニットの接続が切れた可能性があります</translation>
    </message>
    <message>
        <source>%1: %2 read back differs from the bytes copied from the unit</source>
        <translation>%1: 読み返した %2 の内容が、ユニットからコピーしたデータと一致しません</translation>
    </message>
    <message>
        <source>%1: %2 in the destination folder is a file of the unit; it was left as it is</source>
        <translation>%1: 出力先フォルダーの %2 はユニットのファイルのため、そのままにしました</translation>
    </message>
    <message>
        <source>%1: %2 already exists and was kept, because an earlier output file could not be created</source>
        <translation>%1: 前の出力ファイルを作成できなかったため、既存の %2 をそのまま残しました</translation>
    </message>
    <message>
        <source>%1: %2 already exists and was kept, because an earlier output file could not be written</source>
        <translation>%1: 前の出力ファイルに書き込めなかったため、既存の %2 をそのまま残しました</translation>
    </message>
    <message>
        <source>%1: %2 would be %3, more than the destination&apos;s file system can hold in one file</source>
        <translation>%1: %2 は %3 になり、出力先のファイルシステムが 1 つのファイルに保存できるサイズを超えます</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; does not exist. Choose another destination folder.</source>
        <translation>出力先フォルダー &quot;%1&quot; がありません。別の出力先フォルダーを選択してください。</translation>
    </message>
    <message>
        <source>The destination &quot;%1&quot; is not a folder. Choose another destination folder.</source>
        <translation>出力先 &quot;%1&quot; はフォルダーではありません。別の出力先フォルダーを選択してください。</translation>
    </message>
    <message>
        <source>Files cannot be created in the destination folder &quot;%1&quot;. Choose another destination folder.</source>
        <translation>出力先フォルダー &quot;%1&quot; にはファイルを作成できません。別の出力先フォルダーを選択してください。</translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; is inside the recording unit, which is never written. Choose a folder on another drive.</source>
        <translation>出力先フォルダー &quot;%1&quot; は録画ユニットの中にあります。録画ユニットには書き込みません。別のドライブのフォルダーを選択してください。</translation>
    </message>
    <message>
        <source>The import needs %1, but the destination folder &quot;%2&quot; has only %3 free. Nothing was copied.</source>
        <translation>取り込みには %1 必要ですが、出力先フォルダー &quot;%2&quot; の空き容量は %3 しかありません。何もコピーしていません。</translation>
    </message>
    <message>
        <source>The destination&apos;s file system cannot hold files as large as the output files below, so their clips will not be imported. The other clips will be imported.</source>
        <translation>出力先のファイルシステムには、次の出力ファイルほど大きなファイルを保存できないため、これらのクリップは取り込みません。ほかのクリップは取り込みます。</translation>
    </message>
    <message>
        <source>The destination&apos;s file system cannot hold files as large as the output files below, so their clips will not be imported. Nothing is left to import.</source>
        <translation>出力先のファイルシステムには、次の出力ファイルほど大きなファイルを保存できないため、これらのクリップは取り込みません。取り込むクリップはほかにありません。</translation>
    </message>
    <message>
        <source>%1: %2 (%3)</source>
        <translation>%1: %2 (%3)</translation>
    </message>
    <message>
        <source>Other recordings of this import had the same file names, so these files were saved under numbered names:</source>
        <translation>この取り込みの別の録画と同じファイル名になったため、次のファイルは番号付きの名前で保存しました:</translation>
    </message>
    <message>
        <source>%1 was saved as %2</source>
        <translation>%1 は %2 として保存しました</translation>
    </message>
    <message>
        <source>These incomplete files could not be deleted. They are hidden, and the next import into this folder removes them:</source>
        <translation>次の未完成のファイルを削除できませんでした。これらは隠しファイルで、このフォルダーへの次の取り込みの際に削除されます:</translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; was moved or renamed during the import. The files imported are in &quot;%2&quot;.</source>
        <translation>出力先フォルダー &quot;%1&quot; は取り込み中に移動されたか、名前が変更されました。取り込んだファイルは &quot;%2&quot; にあります。</translation>
    </message>
    <message>
        <source>The destination folder &quot;%1&quot; was moved, renamed or deleted during the import, and where it is now cannot be told.</source>
        <translation>出力先フォルダー &quot;%1&quot; は取り込み中に移動、名前の変更、または削除されたため、現在の場所がわかりません。</translation>
    </message>
    <message>
        <source>Clip %1 of %2: %3</source>
        <translation>クリップ %1/%2: %3</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>ファイル: %1</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>%1 MiB/s</source>
        <translation>%1 MiB/秒</translation>
    </message>
    <message>
        <source>%1 MiB/s, %2 left</source>
        <translation>%1 MiB/秒、残り %2</translation>
    </message>
    <message>
        <source>The unit has not answered for %1 s</source>
        <translation>ユニットが %1 秒間応答していません</translation>
    </message>
    <message>
        <source>Reading the unit...</source>
        <translation>ユニットを読み込んでいます...</translation>
    </message>
    <message>
        <source>Reading the unit... (%1 s)</source>
        <translation>ユニットを読み込んでいます... (%1 秒)</translation>
    </message>
    <message>
        <source>The existing item is a folder or a link, not a file.</source>
        <translation>既存の項目はファイルではなく、フォルダーまたはリンクです。</translation>
    </message>
    <message>
        <source>Existing file: %1</source>
        <translation>既存のファイル: %1</translation>
    </message>
    <message>
        <source>Existing file: %1, last changed %2</source>
        <translation>既存のファイル: %1、最終更新 %2</translation>
    </message>
    <message>
        <source>New file: %1</source>
        <translation>新しいファイル: %1</translation>
    </message>
    <message>
        <source>%1 file imported to %2</source>
        <translation>%1 個のファイルを %2 に取り込みました</translation>
    </message>
    <message>
        <source>%1 files imported to %2</source>
        <translation>%1 個のファイルを %2 に取り込みました</translation>
    </message>
    <message>
        <source>Import cancelled</source>
        <translation>取り込みを中止しました</translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>%1 kept</source>
        <translation>既存ファイル保持 %1</translation>
    </message>
    <message>
        <source>%1 renamed</source>
        <translation>番号付きの名前 %1</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>失敗 %1</translation>
    </message>
    <message>
        <source> · </source>
        <translation> · </translation>
    </message>
    <message>
        <source>%1 byte</source>
        <translation>%1 バイト</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 バイト</translation>
    </message>
    <message>
        <source>%1 KiB</source>
        <translation>%1 KiB</translation>
    </message>
    <message>
        <source>%1 MiB</source>
        <translation>%1 MiB</translation>
    </message>
    <message>
        <source>%1 GiB</source>
        <translation>%1 GiB</translation>
    </message>
    <message>
        <source>%1 TiB</source>
        <translation>%1 TiB</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 時間 %2 分</translation>
    </message>
    <message>
        <source>%1: %2 is there without a map of this recording, and was kept; move it elsewhere to rescue the clip again</source>
        <translation>%1: %2 にはこの録画のマップがないため、そのまま残しました。クリップをもう一度救出するには、このファイルを別の場所へ移動してください</translation>
    </message>
    <message>
        <source>Some bytes of these recordings could not be read from the unit. They are written as zeros into files named &quot;-rescued&quot;, each with a map of what is missing beside it. A later rescue reads only the missing bytes again.</source>
        <translation>これらの録画の一部のバイトをユニットから読み取れませんでした。そのバイトはゼロとして &quot;-rescued&quot; の付いた名前のファイルに書き込まれ、欠けている部分のマップがその横にあります。後で救出をもう一度行うと、欠けているバイトだけを読み直します。</translation>
    </message>
    <message>
        <source>%1: 1 damaged area, %2</source>
        <translation>%1: 損傷箇所 1 か所、%2</translation>
    </message>
    <message>
        <source>%1: %2 damaged areas, %3</source>
        <translation>%1: 損傷箇所 %2 か所、%3</translation>
    </message>
    <message>
        <source>%1, at %2</source>
        <translation>%1、位置 %2</translation>
    </message>
    <message>
        <source>Rescue 1 damaged clip</source>
        <translation>損傷したクリップ 1 個を救出</translation>
    </message>
    <message>
        <source>Rescue %1 damaged clips</source>
        <translation>損傷したクリップ %1 個を救出</translation>
    </message>
    <message>
        <source>Copying: %1 rescued, %2 bad so far</source>
        <translation>コピー中: 救出 %1、これまでの不良 %2</translation>
    </message>
    <message>
        <source>Trimming: %1 rescued, %2 still bad</source>
        <translation>境界の絞り込み中: 救出 %1、残りの不良 %2</translation>
    </message>
    <message>
        <source>Scraping: %1 rescued, %2 still bad</source>
        <translation>セクター単位の読み取り中: 救出 %1、残りの不良 %2</translation>
    </message>
    <message>
        <source>Retrying: %1 rescued, %2 still bad</source>
        <translation>再試行中: 救出 %1、残りの不良 %2</translation>
    </message>
    <message>
        <source>Last good read %1 ago</source>
        <translation>最後の正常な読み取りから %1</translation>
    </message>
    <message>
        <source>No good read yet</source>
        <translation>正常な読み取りはまだありません</translation>
    </message>
    <message>
        <source>%1 incomplete</source>
        <translation>未完成 %1</translation>
    </message>
    <message>
        <source>%1 (frame %2)</source>
        <translation>%1 (フレーム %2)</translation>
    </message>
    <message>
        <source>%1 (frames %2-%3)</source>
        <translation>%1 (フレーム %2-%3)</translation>
    </message>
    <message>
        <source>%1 (frame %2, %3)</source>
        <translation>%1 (フレーム %2、%3)</translation>
    </message>
    <message>
        <source>%1 (frames %2-%3, %4)</source>
        <translation>%1 (フレーム %2-%3、%4)</translation>
    </message>
    <message>
        <source>The second copy's folder &quot;%1&quot; is the destination folder itself. Nothing was copied.</source>
        <translation>2 つ目のコピーのフォルダー &quot;%1&quot; は出力先フォルダーそのものです。何もコピーしていません。</translation>
    </message>
    <message>
        <source>%1 new</source>
        <translation>新規 %1</translation>
    </message>
    <message>
        <source>second copy in %1</source>
        <translation>2 つ目のコピー: %1</translation>
    </message>
    <message>
        <source>The files are in place, but the import history could not be written, so the next import may not know them:</source>
        <translation>ファイルは保存しましたが、取り込み履歴を書き込めなかったため、次の取り込みではこれらを認識できない場合があります:</translation>
    </message>
    <message>
        <source>home</source>
        <translation>取り込み済み</translation>
    </message>
    <message>
        <source>new</source>
        <translation>新規</translation>
    </message>
    <message>
        <source>changed</source>
        <translation>変更あり</translation>
    </message>
    <message>
        <source>home (before history)</source>
        <translation>取り込み済み (履歴以前)</translation>
    </message>
</context>
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
        <source>Second copy:</source>
        <translation>2 つ目のコピー:</translation>
    </message>
    <message>
        <source>(for folders that hold the imports alone)</source>
        <translation>(取り込んだファイルだけを置くフォルダー用)</translation>
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
        <source>Select &amp;New</source>
        <translation>新規を選択(&amp;N)</translation>
    </message>
    <message>
        <source>Cl&amp;ear</source>
        <translation>解除(&amp;E)</translation>
    </message>
    <message>
        <source>Bro&amp;wse...</source>
        <translation>参照(&amp;W)...</translation>
    </message>
    <message>
        <source>Keep an ASC MHL history</source>
        <translation>ASC MHL 履歴を保存する</translation>
    </message>
    <message>
        <source>ASC MHL reports every file in the folder that it did not record: keep other files out of a folder with this history.</source>
        <translation>ASC MHL は、記録していないファイルがフォルダーにあるとすべて報告します。この履歴を保存するフォルダーには、ほかのファイルを置かないでください。</translation>
    </message>
    <message>
        <source>Source folder</source>
        <translation>出力先フォルダーの選択</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Second copy folder</source>
        <translation>2 つ目のコピーのフォルダー</translation>
    </message>
    <message>
        <source>Version(&amp;A)...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation>フォルダーを開く(&amp;O)</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; could not be opened: no file manager was found.</source>
        <translation>フォルダー &quot;%1&quot; を開けませんでした。ファイルマネージャーが見つかりません。</translation>
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
