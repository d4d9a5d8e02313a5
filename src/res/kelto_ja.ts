<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Words</name>
    <message>
        <source>--date must be a real date written YYYY-MM-DD, not &quot;%1&quot;</source>
        <translation>--date には実在する日付を YYYY-MM-DD の形で指定してください（「%1」は使えません）</translation>
    </message>
    <message>
        <source>no notebook: give --notebook DIR (Kelto.ini remembers none)</source>
        <translation>ノートがありません。--notebook でノートのフォルダーを指定してください（Kelto.ini が覚えているノートもありません）</translation>
    </message>
    <message>
        <source>%1 is not a notebook folder</source>
        <translation>%1 はノートのフォルダーではありません</translation>
    </message>
    <message>
        <source>the notebook could not be opened</source>
        <translation>ノートを開けませんでした</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>Weather.ini names no weather site ([Net] HostName)</source>
        <translation>Weather.ini に気象データサイトが指定されていません（[Net] HostName）</translation>
    </message>
    <message>
        <source>%1: fetched</source>
        <translation>%1: 取得しました</translation>
    </message>
    <message>
        <source>%1: failed (%2)</source>
        <translation>%1: 取得できませんでした（%2）</translation>
    </message>
    <message>
        <source>%1 days without weather (%2 months failed), %3 days not asked</source>
        <translation>%2か月分の取得に失敗し、%1日分は気象データがありません。%3日分は問い合わせていません</translation>
    </message>
    <message>
        <source>%1 days written, %2 skipped (today or later), %3 requests</source>
        <translation>%1日分を書き込みました。今日以降の%2日分は取得していません（問い合わせ%3回）</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>中止しました</translation>
    </message>
    <message>
        <source>the notebook has no days</source>
        <translation>このノートには観察記録がありません</translation>
    </message>
    <message>
        <source>weather pages fetched: %1</source>
        <translation>取得した気象データのページ: %1</translation>
    </message>
    <message>
        <source>stopped; %1 was not written</source>
        <translation>中止しました。%1 は作成していません</translation>
    </message>
    <message>
        <source>%1 frames at %2 per second written to %3</source>
        <translation>%3 に%1コマ（1秒に%2コマ）を書き込みました</translation>
    </message>
    <message>
        <source>(--replace: yes)</source>
        <translation>（--replace: 置き換えます）</translation>
    </message>
    <message>
        <source>(no)</source>
        <translation>（置き換えません）</translation>
    </message>
    <message>
        <source>Automatic alignment</source>
        <translation>自動位置合わせ</translation>
    </message>
    <message>
        <source>this option is not available</source>
        <translation>このオプションは使えません</translation>
    </message>
    <message>
        <source>nothing to print: no pages of the chosen kinds in the range</source>
        <translation>印刷するページがありません。指定した範囲に、指定した種類のページがありません</translation>
    </message>
    <message>
        <source>Opens the window; with a folder, opens that notebook.</source>
        <translation>ウィンドウを開きます。フォルダーを指定すると、そのノートを開きます。</translation>
    </message>
    <message>
        <source>Writes the notebook&apos;s day records to a CSV file (UTF-8 with BOM).</source>
        <translation>ノートの観察記録をCSVファイル（BOM付きUTF-8）に書き出します。</translation>
    </message>
    <message>
        <source>Draws the month calendar, a day page, the month&apos;s graph or the list of six
days from the date into a PNG file.</source>
        <translation>その月のカレンダー、その日のページ、その月のグラフ、またはその日からの6日分の
一覧表をPNG画像に描きます。</translation>
    </message>
    <message>
        <source>Prints YYYY-MM-DD&lt;TAB&gt;FILE per photo (&quot;-&quot; without an EXIF date), as the
import reads it; exit status 1 when a file could not be read.</source>
        <translation>写真ごとに「YYYY-MM-DD&lt;TAB&gt;ファイル名」を1行で表示します（取込と同じ読み方で、
EXIFの日付がなければ &quot;-&quot;）。読めないファイルがあると終了コードは1です。</translation>
    </message>
    <message>
        <source>Fetches the weather of every past day from the weather site, for the
observation place set in the program (one request per month).</source>
        <translation>今日より前の全ての観察記録の気象データを、プログラムで設定した観測場所について
気象データサイトから取得します（問い合わせは1か月に1回）。</translation>
    </message>
    <message>
        <source>Imports every JPEG and BMP photo of DIR (in name order) as the day record of
its EXIF date. Portrait photos are turned (cw, ccw) or fitted (cut, keep) as
--rotate says; without it they are skipped and listed, as are photos without
a date. --weather also fetches each day&apos;s weather. Prints a summary.</source>
        <translation>DIRのJPEGとBMPの写真を全て（ファイル名の順に）、EXIFの撮影日の観察記録として
取り込みます。縦長の写真は --rotate の指定で回転（cw, ccw）するか、枠に収めます
（cut, keep）。指定がなければ、日付のない写真と同じく取り込まずに一覧に出します。
--weather を付けると各日の気象データも取得します。最後に結果を表示します。</translation>
    </message>
    <message>
        <source>Prints the notebook into a PDF file, two pages to a sheet, as the print
dialog does: the kinds of page (default all three) and the range (default
all): all data, the month of --date, or the day of --date (default today).</source>
        <translation>印刷ダイアログと同じく、1枚に2ページずつノートをPDFファイルに印刷します。
ページの種類（省略時は3種類とも）と範囲（省略時は all）を指定できます。all は
全データ、month は --date の月、day は --date の日（省略時は今日）です。</translation>
    </message>
    <message>
        <source>Writes the aligned time-lapse (one frame per photo day, at the animation
speed) as AVI, or as MP4 (H.264) when the name ends in .mp4; any other
name gets .avi. Exit status 1 with fewer than two photo days.</source>
        <translation>位置合わせしたアニメーション（写真のある日1日を1コマ、アニメーションの速度で）を
AVIファイルに書き出します。名前が .mp4 で終わるとMP4（H.264）、ほかの名前には
.avi が付きます。写真のある日が2日未満なら終了コードは1です。</translation>
    </message>
    <message>
        <source>Aligns every photo day from the first one on --date or later (default: the
second) against the day before it, as the animation editor&apos;s run over the
following frames does. Days with an alignment of their own keep it unless
--replace is given. Exit status 1 with fewer than two photo days or when a
day file could not be written.</source>
        <translation>--date の日以降で最初の写真のある日（省略時は2番目の写真のある日）から最後まで、
各日を前の日に合わせて自動で位置合わせします（アニメーション編集の「以降も自動
位置合わせ」と同じ）。独自の位置合わせがある日は --replace を付けない限りそのまま
です。写真のある日が2日未満か、日のファイルを書けなかったときは終了コードは1です。</translation>
    </message>
    <message>
        <source>Prints the folders in use, one NAME&lt;TAB&gt;PATH line each: the mode (portable
beside the program, or installed in the user&apos;s folders), Kelto.ini, the
user&apos;s own copies of the read-only files, the notebooks and the lock.</source>
        <translation>使用中のフォルダーを「名前&lt;TAB&gt;パス」の形で1行ずつ表示します: モード（プログラムの
横に置く portable か、ユーザーのフォルダーを使う installed か）、Kelto.ini、読み取り専用
ファイルのユーザー用の写し、観察データのフォルダー、ロックファイル。</translation>
    </message>
    <message>
        <source>--where goes alone</source>
        <translation>--where はほかのオプションと一緒には使えません</translation>
    </message>
    <message>
        <source>Usage:</source>
        <translation>使い方:</translation>
    </message>
    <message>
        <source>Without --notebook the notebook remembered in Kelto.ini is used.</source>
        <translation>--notebook を省略すると、Kelto.ini が覚えているノートを使います。</translation>
    </message>
    <message>
        <source>--export-csv needs one output file</source>
        <translation>--export-csv には出力ファイルを1つ指定してください</translation>
    </message>
    <message>
        <source>--render needs calendar, detail, graph or list</source>
        <translation>--render には calendar、detail、graph、list のどれかを指定してください</translation>
    </message>
    <message>
        <source>--render takes calendar, detail, graph or list, not %1</source>
        <translation>--render に指定できるのは calendar、detail、graph、list です（%1 は使えません）</translation>
    </message>
    <message>
        <source>--photo-date needs one or more photo files</source>
        <translation>--photo-date には写真ファイルを1つ以上指定してください</translation>
    </message>
    <message>
        <source>--fetch-weather goes alone (with --notebook)</source>
        <translation>--fetch-weather はほかの処理と一緒には使えません（--notebook は使えます）</translation>
    </message>
    <message>
        <source>--import-photos needs one photo folder</source>
        <translation>--import-photos には写真のフォルダーを1つ指定してください</translation>
    </message>
    <message>
        <source>--print-pdf needs one output file</source>
        <translation>--print-pdf には出力ファイルを1つ指定してください</translation>
    </message>
    <message>
        <source>--kinds needs detail, graph and/or list, separated by commas</source>
        <translation>--kinds には detail、graph、list をコンマで区切って指定してください</translation>
    </message>
    <message>
        <source>--kinds takes detail, graph and list, not &quot;%1&quot;</source>
        <translation>--kinds に指定できるのは detail、graph、list です（「%1」は使えません）</translation>
    </message>
    <message>
        <source>--range takes all, month or day</source>
        <translation>--range に指定できるのは all、month、day です</translation>
    </message>
    <message>
        <source>--export-video needs one output file</source>
        <translation>--export-video には出力ファイルを1つ指定してください</translation>
    </message>
    <message>
        <source>--auto-align goes alone (with --notebook, --date and --replace)</source>
        <translation>--auto-align はほかの処理と一緒には使えません（--notebook、--date、--replace は使えます）</translation>
    </message>
    <message>
        <source>--rotate takes cw, ccw, cut or keep</source>
        <translation>--rotate に指定できるのは cw、ccw、cut、keep です</translation>
    </message>
    <message>
        <source>--notebook needs a folder</source>
        <translation>--notebook にはフォルダーを指定してください</translation>
    </message>
    <message>
        <source>--out needs a file</source>
        <translation>--out にはファイルを指定してください</translation>
    </message>
    <message>
        <source>--date needs YYYY-MM-DD</source>
        <translation>--date には日付を YYYY-MM-DD の形で指定してください</translation>
    </message>
    <message>
        <source>unknown option: %1</source>
        <translation>使えないオプションです: %1</translation>
    </message>
    <message>
        <source>--notebook, --out and --date go with --export-csv, --render or --print-pdf</source>
        <translation>--notebook、--out、--date は --export-csv、--render、--print-pdf などと一緒に使います</translation>
    </message>
    <message>
        <source>--kinds and --range go with --print-pdf</source>
        <translation>--kinds と --range は --print-pdf と一緒に使います</translation>
    </message>
    <message>
        <source>--rotate and --weather go with --import-photos</source>
        <translation>--rotate と --weather は --import-photos と一緒に使います</translation>
    </message>
    <message>
        <source>--import-photos takes --notebook, --rotate, --weather and --move-start</source>
        <translation>--import-photos と一緒に使えるのは --notebook、--rotate、--weather、--move-start です</translation>
    </message>
    <message>
        <source>--render needs --date YYYY-MM-DD and --out FILE.png</source>
        <translation>--render には --date YYYY-MM-DD と --out FILE.png が必要です</translation>
    </message>
    <message>
        <source>--fetch-weather takes only --notebook</source>
        <translation>--fetch-weather と一緒に使えるのは --notebook だけです</translation>
    </message>
    <message>
        <source>--export-video takes only --notebook</source>
        <translation>--export-video と一緒に使えるのは --notebook だけです</translation>
    </message>
    <message>
        <source>--replace goes with --auto-align</source>
        <translation>--replace は --auto-align と一緒に使います</translation>
    </message>
    <message>
        <source>--auto-align takes --notebook, --date and --replace</source>
        <translation>--auto-align と一緒に使えるのは --notebook、--date、--replace です</translation>
    </message>
    <message>
        <source>--date goes with --render</source>
        <translation>--date は --render などと一緒に使います</translation>
    </message>
    <message>
        <source>not a notebook folder (no Kelto.dat): %1</source>
        <translation>ノートのフォルダーではありません（Kelto.dat がありません）: %1</translation>
    </message>
    <message>
        <source>cannot write the file: %1</source>
        <translation>ファイルに書き込めません: %1</translation>
    </message>
    <message>
        <source>%1 pages and %2 photos written to %3</source>
        <translation>%3 に %1 ページと写真 %2 枚を書き出しました</translation>
    </message>
    <message>
        <source>Writes the notebook as a web site any browser opens from the folder: the
month calendars, a page per day, each month&apos;s graph and list, the photos
and the time-lapse. --class writes every notebook of the data root and a
class page. OUTDIR is replaced only when it holds an earlier export.</source>
        <translation>観察ノートを、フォルダーからどのブラウザーでも開けるWebページに書き出します:
月のカレンダー、日ごとのページ、月ごとのグラフと一覧表、写真とアニメーション。
--class ではデータのフォルダーの観察ノートをすべて書き出し、クラスのページを加えます。
OUTDIR を置き換えるのは、それが前に書き出したものであるときだけです。</translation>
    </message>
    <message>
        <source>--export-web needs one output folder</source>
        <translation>--export-web には書き出し先のフォルダーを一つ指定してください</translation>
    </message>
    <message>
        <source>--class needs a data folder</source>
        <translation>--class にはデータのフォルダーを指定してください</translation>
    </message>
    <message>
        <source>--class goes with --export-web</source>
        <translation>--class は --export-web と一緒に使います</translation>
    </message>
    <message>
        <source>--export-web takes --notebook or --class</source>
        <translation>--export-web に付けられるのは --notebook か --class のどちらかです</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 はフォルダーではありません</translation>
    </message>
    <message>
        <source>%1 is not a notebook folder: its Kelto.dat is not a regular file</source>
        <translation>%1 はノートのフォルダーではありません: その Kelto.dat は普通のファイルではありません</translation>
    </message>
    <message>
        <source>the internet is switched off in the settings (インターネット設定: EnableInternet=0 in %1), so nothing was fetched; switch it on in the window (設定 → インターネット設定)</source>
        <translation>インターネットを使わない設定です（インターネット設定: %1 の EnableInternet=0）。何も取得していません。ウインドウの「設定 → インターネット設定」でインターネットを使う設定にしてください</translation>
    </message>
    <message>
        <source>days lie before the notebook&apos;s start date, which stays as it is (kelto --move-start moves it back to the first day)</source>
        <translation>観察開始日より前の日があります。観察開始日はそのままです（kelto --move-start で最初の日に変更できます）</translation>
    </message>
    <message>
        <source>no day lies before the start date of %1: it stays as it is</source>
        <translation>%1 には観察開始日より前の日がありません。観察開始日はそのままです</translation>
    </message>
    <message>
        <source>days lie before the start date %1 and count back from it; the first is %2. To start the notebook on that day: kelto --move-start --notebook %3</source>
        <translation>観察開始日 %1 より前の日があり、その日は観察開始日からさかのぼって数えます。最初の日は %2 です。観察開始日をその日にするには: kelto --move-start --notebook %3</translation>
    </message>
    <message>
        <source>the start date was moved from %1 back to %2, the first day</source>
        <translation>観察開始日を %1 から最初の日の %2 に変更しました</translation>
    </message>
    <message>
        <source>Moves the notebook&apos;s start date back to its first day when days lie before
it (they count back from the start: day -3). --import-photos says when its
photos made such days and leaves the start date; with --move-start it moves
it too.</source>
        <translation>観察開始日より前の日があるとき、観察開始日を最初の日に変更します（前の日は観察開始日から
さかのぼって数えます: -3日目）。--import-photos は、取り込んだ写真でそのような日ができたことを
知らせ、観察開始日はそのままにします。--move-start を付けると観察開始日も変更します。</translation>
    </message>
    <message>
        <source>--move-start takes only --notebook</source>
        <translation>--move-start に付けられるのは --notebook だけです</translation>
    </message>
    <message>
        <source>--move-start goes with --import-photos or alone</source>
        <translation>--move-start は --import-photos と一緒に使うか、単独で使います</translation>
    </message>
    <message>
        <source>%1 of %2 notebooks could not be exported</source>
        <translation>%2 冊のうち %1 冊を書き出せませんでした</translation>
    </message>
</context>
</TS>
