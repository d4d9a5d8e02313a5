#include "app/MenuTable.h"

#include <cstdlib>

const std::array<const char*, PopupCount> kMenuPopups = {
    "ファイル(&F)", "編集(&E)", "表示(&V)", "設定(&D)", "ヘルプ(&H)",
};

const std::array<Command, 8> kToolBarOrder = {
    Command::ImportPhoto, Command::FetchWeather, Command::Entry,     Command::Calendar,
    Command::Graph,       Command::List,         Command::Animation, Command::Print,
};

// Short words a child reads at a glance; the tooltip and status bar keep the full prompt.
const std::array<const char*, 8> kToolBarCaptions = {
    "写真取込", "気象データ", "観察データ", "カレンダー", "グラフ", "一覧表", "アニメーション", "印刷",
};

namespace {
using R = EnableRule;
constexpr bool TB = true, SEP = true, JOB = true, no = false;

// clang-format off
const MenuCommand kCommands[] = {
    {Command::ImportPhoto, PopupFile, "写真画像取込(&O)", "写真画像を取込む\n写真画像取込", TB, no, R::Detail},
    {Command::ImportPhotoRotated, PopupFile, "写真画像取込(画像回転)", "写真画像を回転させて取込む\n写真画像取込(画像回転)", no, no, R::Detail},
    {Command::BulkImport, PopupFile, "写真画像一括取込(&F)...", "フォルダーの写真画像を全部取込む\n写真画像一括取込", no, SEP, R::Always, JOB},
    {Command::ExportAvi, PopupFile, "アニメーション作成(&A)...", "成長ｱﾆﾒｰｼｮﾝのAVIﾌｧｲﾙを作成\nアニメーション作成", no, no, R::DayCountAbove1, JOB},
    {Command::ExportWeb, PopupFile, "Webページに書き出し(&W)...", "観察ノートをブラウザーで見られるWebページに書き出す\nWebページに書き出し", no, SEP, R::DayCountAbove0, JOB},
    {Command::Print, PopupFile, "印刷(&P)...", "観察ノートを印刷する\n印刷", TB, SEP, R::DayCountAbove0},
    {Command::Exit, PopupFile, "Kelto終了(&X)", "Keltoを終了する\n終了", no, no, R::Always},

    {Command::FetchWeather, PopupEdit, "気象データ取得(&W)...", "インターネットで気象データを取得\n気象データ取得", TB, no, R::Detail},
    {Command::Entry, PopupEdit, "観察データ入力(&E)...", "観察データを入力する\n観察データ入力", TB, no, R::DetailOrCalendar},
    {Command::EditMemo, PopupEdit, "メモ編集(&O)...", "メモ帳を使ってメモを編集する\nメモ編集", no, SEP, R::Detail},
    {Command::ChangeData, PopupEdit, "データ変更(&C)...", "日付/気象データ等を変更\nデータ変更", no, no, R::Detail},
    {Command::DeleteDay, PopupEdit, "データ削除(&D)", "表示中のデータを削除\nデータ削除", no, SEP, R::Detail},
    {Command::EditAnimation, PopupEdit, "アニメーション編集(&A)...", "アニメーションを編集\nアニメーション編集", no, no, R::DayCountAbove1, JOB},
    {Command::BulkWeather, PopupEdit, "気象データの一括取得(&I)...", "インターネットにより全ての観察データに対して気象データを一括取得する\n気象データの一括取得", no, no, R::Internet, JOB},

    {Command::Calendar, PopupView, "カレンダー(&C)...", "カレンダーを表示する\nカレンダー表示", TB, no, R::ViewCalendar},
    {Command::Graph, PopupView, "グラフ(&G)", "データをグラフで表示\nグラフ表示", TB, no, R::ViewGraph},
    {Command::List, PopupView, "一覧表(&L)", "データを一覧表で表示\n一覧表表示", TB, SEP, R::ViewList},
    {Command::PreviousDay, PopupView, "前のデータ(&P)", "前のひとつデータを表示\n前のデータ", no, no, R::DetailAndTwoDays},
    {Command::NextDay, PopupView, "次のデータ(&N)", "次のデータを表示\n次のデータ", no, SEP, R::DetailAndTwoDays},
    {Command::Animation, PopupView, "アニメーション(&A)...", "アニメーションを表示\nアニメーション表示", TB, SEP, R::DayCountAbove1},
    {Command::ToolBar, PopupView, "ツール バー(&T)", "ツール バーの 表示/非表示\nツール バーの表示切り替え", no, no, R::ToolBarShown},
    {Command::StatusBar, PopupView, "ステータス バー(&S)", "ステータス バーの 表示/非表示\nステータス バーの表示切り替え", no, no, R::StatusBarShown},

    {Command::NotebookSettings, PopupSettings, "観察データ設定(&D)", "観察データの設定\n観察データ設定", no, no, R::Always},
    {Command::InternetSettings, PopupSettings, "インターネット設定(&I)", "インターネットによる気象データの取得パラメータの設定\nインターネット設定", no, SEP, R::Always},
    {Command::GraphSettings, PopupSettings, "グラフ設定(&G)", "グラフのパラメータ設定\nグラフ設定", no, no, R::Always},
    {Command::ListSettings, PopupSettings, "一覧設定(&L)", "一覧のパラメータ設定\n一覧設定", no, SEP, R::Always},
    {Command::PrintFont, PopupSettings, "印刷フォント設定(&F)...", "印刷の文字フォントを設定\n印刷フォント設定", no, no, R::Always},

    {Command::Help, PopupHelp, "ドキュメントの表示(&D)", "Keltoのドキュメントを表示\nドキュメント表示", no, SEP, R::Always},
    {Command::About, PopupHelp, "バージョン情報 (&A)...", "プログラム情報、バージョン、著作権を表示します。\nバージョン情報", no, no, R::Always},

    {Command::Save, PopupNone, nullptr, "編集中のデータを保存する\nデータ保存", no, no, R::Detail},
};
// clang-format on

QString PromptPart(const MenuCommand& command, bool tooltip)
{
    QString prompt = QString::fromUtf8(command.prompt);
    int cut = prompt.indexOf('\n');
    if (cut < 0)
        return tooltip ? QString() : prompt;
    return tooltip ? prompt.mid(cut + 1) : prompt.left(cut);
}
}  // namespace

std::span<const MenuCommand> MenuCommands()
{
    return kCommands;
}

std::optional<Command> CommandFromId(int id)
{
    for (const MenuCommand& c : kCommands)
        if (CommandId(c.id) == id)
            return c.id;
    return std::nullopt;
}

const MenuCommand& FindCommand(Command command)
{
    for (const MenuCommand& c : kCommands)
        if (c.id == command)
            return c;
    // Every enumerator has its row; a new one without a row is a fault of the table.
    std::abort();
}

CommandState EvaluateCommand(EnableRule rule, const CommandContext& c)
{
    CommandState s;
    switch (rule) {
    case R::Always:
        break;
    case R::Detail:
        s.enabled = c.viewMode == ViewMode::Detail;
        break;
    case R::DetailOrCalendar:
        s.enabled = c.viewMode == ViewMode::Detail || c.viewMode == ViewMode::Calendar;
        break;
    case R::DayCountAbove0:
        s.enabled = c.dayCount > 0;
        break;
    case R::DayCountAbove1:
        s.enabled = c.dayCount > 1;
        break;
    case R::DetailAndTwoDays:
        s.enabled = c.viewMode == ViewMode::Detail && c.dayCount > 1;
        break;
    case R::Internet:
        s.enabled = c.internetEnabled != 0;
        break;
    case R::ViewCalendar:
    case R::ViewGraph:
    case R::ViewList: {
        ViewMode mode = rule == R::ViewCalendar ? ViewMode::Calendar
                        : rule == R::ViewGraph  ? ViewMode::Graph
                                                : ViewMode::List;
        s.checkable = true;
        s.checked = c.viewMode == mode;
        s.enabled = !s.checked;
        break;
    }
    case R::ToolBarShown:
        s.checkable = true;
        s.checked = c.toolBarShown;
        break;
    case R::StatusBarShown:
        s.checkable = true;
        s.checked = c.statusBarShown;
        break;
    }
    return s;
}

CommandState EvaluateCommand(const MenuCommand& command, const CommandContext& context)
{
    CommandState s = EvaluateCommand(command.rule, context);
    if (command.longJob && context.jobRunning)
        s.enabled = false;
    return s;
}

QString StatusText(const MenuCommand& command)
{
    return PromptPart(command, false);
}

QString ToolTipText(const MenuCommand& command)
{
    return PromptPart(command, true);
}
