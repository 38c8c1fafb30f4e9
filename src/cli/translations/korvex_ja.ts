<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
    <context>
        <name>CommandLineConventions</name>
        <message>
            <source>Try '%1 --help' for more information.</source>
            <translation>詳しくは '%1 --help' を実行してください。</translation>
        </message>
        <message>
            <source>warning: %1</source>
            <translation>警告: %1</translation>
        </message>
    </context>
    <context>
        <name>ExtractCommandLine</name>
        <message>
            <source>Usage: %1 [OPTION]... LOG
Write the portable contacts of a log (HAMLOG.HDB, a HAMLOG CSV export or
ADIF) as KORVEX's extraction file, to standard output or to FILE.

      --rcv TEXT       Rcv filter: the received QSL marks to keep
      --band TEXT      Band filter: band names such as 7,144,430
      --mode TEXT      Mode filter: modes such as SSB,CW
  -o, --output FILE    write to FILE instead of standard output
                       (a FILE of - means standard output)
      --open           then open FILE in LibreOffice Calc; needs --output
      --encoding NAME  shift_jis (the default, as the window writes it)
                       or utf-8 (for other Linux tools)
  -h, --help           display this help and exit
      --version        output version information and exit

Each filter takes what the window's box takes: values separated by
commas, or ALL (the default), which switches the filter off.

Exit status: 0 when the file was written (and, with --open, handed to
Calc); 1 when the log cannot be read, the output cannot be written or
Calc cannot be started; 2 for bad usage.
</source>
            <translation>使い方: %1 [オプション]... LOG
ログ (HAMLOG.HDB、HAMLOG の CSV または ADIF) から移動運用局との交信を抜き出し、
KORVEX の抽出ファイルとして標準出力か FILE に書き出します。

      --rcv TEXT       Rcv フィルタ: 残す QSL 受領マーク
      --band TEXT      Band フィルタ: 7,144,430 のようなバンド名
      --mode TEXT      Mode フィルタ: SSB,CW のようなモード
  -o, --output FILE    標準出力ではなく FILE に書き出す
                       (FILE が - なら標準出力)
      --open           書き出した FILE を LibreOffice Calc で開く (--output が必要)
      --encoding NAME  shift_jis (既定値、ウィンドウと同じ) または
                       utf-8 (ほかの Linux のツール向け)
  -h, --help           この説明を表示して終了する
      --version        バージョン情報を表示して終了する

各フィルタはウィンドウの入力欄と同じものを受け付けます: カンマで区切った値、
または ALL (既定値、フィルタを使わない)。

終了ステータス: 0 ファイルを書き出した (--open では Calc に渡した)、
1 ログを読めない・出力を書けない・Calc を起動できない、2 使い方の誤り。
</translation>
        </message>
        <message>
            <source>missing LOG operand</source>
            <translation>LOG (ログファイル) が指定されていません</translation>
        </message>
        <message>
            <source>extra operand '%1': give one LOG</source>
            <translation>余分な引数 '%1': LOG は一つだけ指定してください</translation>
        </message>
        <message>
            <source>--open needs --output FILE</source>
            <translation>--open には --output FILE が必要です</translation>
        </message>
        <message>
            <source>unknown encoding '%1': use shift_jis or utf-8</source>
            <translation>'%1' という文字コードはありません: shift_jis か utf-8 を指定してください</translation>
        </message>
        <message>
            <source>--open hands Calc a Shift-JIS file: leave out --encoding utf-8</source>
            <translation>--open は Calc に Shift-JIS のファイルを渡します: --encoding utf-8 を外してください</translation>
        </message>
        <message>
            <source>no contact can match the band '%1': band names are %2</source>
            <translation>バンド '%1' に一致する交信はありません: バンド名は %2 です</translation>
        </message>
    </context>
    <context>
        <name>WindowCommandLine</name>
        <message>
            <source>Usage: %1 [OPTION]... [LOG]
Open KORVEX's window. With LOG (a HAMLOG.HDB, a HAMLOG CSV export or ADIF), the
window starts with that log chosen, as if picked with its file dialog.

  -h, --help     display this help and exit
      --version  output version information and exit

KORVEX needs a graphical desktop; korvex-extract does the same work
on a terminal.
</source>
            <translation>使い方: %1 [オプション]... [LOG]
KORVEX のウィンドウを開きます。LOG (HAMLOG.HDB、HAMLOG の CSV または ADIF) を指定すると、
ファイルダイアログで選んだときと同じように、そのログを選んだ状態で始まります。

  -h, --help     この説明を表示して終了する
      --version  バージョン情報を表示して終了する

KORVEX にはグラフィカルなデスクトップが必要です。端末では korvex-extract で
同じ処理ができます。
</translation>
        </message>
        <message>
            <source>extra operand '%1': give at most one LOG</source>
            <translation>余分な引数 '%1': LOG は一つまで指定できます</translation>
        </message>
        <message>
            <source>'%1' is not a file</source>
            <translation>'%1' はファイルではありません</translation>
        </message>
        <message>
            <source>'%1': no such file</source>
            <translation>'%1': そのようなファイルはありません</translation>
        </message>
        <message>
            <source>no display (DISPLAY and WAYLAND_DISPLAY are not set); korvex-extract works without one</source>
            <translation>ディスプレイがありません (DISPLAY も WAYLAND_DISPLAY も設定されていません)。korvex-extract はディスプレイなしで使えます</translation>
        </message>
        <message>
            <source>cannot open a window: %1</source>
            <translation>ウィンドウを開けません: %1</translation>
        </message>
    </context>
    <context>
        <name>QCommandLineParser</name>
        <message>
            <source>Unknown option '%1'.</source>
            <translation>'%1' というオプションはありません</translation>
        </message>
        <message>
            <source>Unknown options: %1.</source>
            <translation>次のオプションはありません: %1</translation>
        </message>
        <message>
            <source>Missing value after '%1'.</source>
            <translation>'%1' の後に値がありません</translation>
        </message>
        <message>
            <source>Unexpected value after '%1'.</source>
            <translation>'%1' は値をとりません</translation>
        </message>
    </context>
</TS>
