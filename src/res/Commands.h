#pragma once
// The commands of the main window. The values are the ids the resource table gives them; an
// action's objectName is its id. Kept below every layer so a page can name the command it asks for.
enum class Command : int {
    ImportPhoto = 32774,
    ImportPhotoRotated = 32847,
    BulkImport = 32846,
    ExportAvi = 32809,
    ExportWeb = 32870,
    Print = 57607,
    Exit = 57665,
    FetchWeather = 32780,
    Entry = 32849,
    EditMemo = 32822,
    ChangeData = 32806,
    DeleteDay = 32817,
    EditAnimation = 32843,
    BulkWeather = 32851,
    Calendar = 32792,
    Graph = 32800,
    List = 59410,
    PreviousDay = 32824,
    NextDay = 32826,
    Animation = 32803,
    ToolBar = 59392,
    StatusBar = 59393,
    NotebookSettings = 32813,
    InternetSettings = 32815,
    GraphSettings = 32833,
    ListSettings = 32853,
    Help = 32821,
    About = 57664,
    Save = 57603,
    PrintFont = 32819,
};

constexpr int CommandId(Command command)
{
    return static_cast<int>(command);
}
