#pragma once
// The string table: numbered texts shown in message boxes and captions.
// Returns "" for an id the table does not hold.
const char* LoadString(int id);

// The numbered messages; the number is what the string table and the user's reports know.
// None: no numbered text (a message box that shows only the text it is given).
enum class Msg : int {
    None = 0,
    AppName = 128,
    UpdateDateFromPhoto = 130,
    WeatherFetchFailed = 131,
    EditorStartFailed = 132,
    PictureSaveFailed = 133,
    SettingsFormatError = 134,
    AviCreateFailed = 135,
    NoObservationPlace = 136,
    PrefectureCodeFailed = 137,
    ChooseDataFolder = 138,
    WeatherOnlyForPastDays = 139,
    ConfirmDeleteDay = 141,
    ConfirmDeleteOldDate = 142,
    FontSizeRange = 143,
    HelpOpenFailed = 144,
    NoPreviousDay = 145,
    NoNextDay = 146,
    InternetConnectFailed = 150,
    ConfirmNewDay = 151,
    ChooseBulkPhotoFolder = 152,
    NoPhotosInFolder = 153,
    PhotoWithoutDate = 154,
    ChooseBulkImportFolder = 155,
    NoNotebookSelected = 157,
    NoDataName = 158,
    DataFolderCreateFailed = 159,
    ApplyFrameToLater = 160,
    DataRenameFailed = 161,
    DaysBeforeStartDate = 162,
    DataNameExists = 163,
    BulkImportFailed = 165,
    ConfirmCancelBulkImport = 166,
    ConfirmInternetWeather = 167,
    BulkWeatherReplaces = 168,
    BulkWeatherFailed = 169,
    ConfirmCancelBulkWeather = 170,
    BulkWeatherRunning = 171,
    BulkImportRunning = 172,
    TooManyLeaves = 173,
    DigitsOnly = 174,
    ChooseTrimming = 175,
    AlreadyRunning = 177,
    ConfirmExit = 178,
    ConfirmDataRootOutside = 179,
    ConfirmResetFrame = 180,
    ConfirmRevertFrame = 181,
    NoDecimals = 182,
    HalfWidthDigitsOnly = 183,
    RoundedToOneDecimal = 184,
    WeatherSiteUnreachable = 185,
    DayWriteFailed = 200,
    UnsavedChange = 201,
    UnsavedChangeClosing = 202,
    DateTaken = 203,
    DateAfterToday = 204,
    DayDeleteFailed = 205,
    DaysHidden = 206,
    EditingMemo = 207,
    DayMoveFailed = 208,
    DataNameNotRemembered = 210,
    DataNameLeadingPeriod = 211,
    SettingsWriteFailed = 212,
    ConfirmReplaceAlignment = 213,
    ConfirmAutoAlignFollowing = 214,
    ReplaceStoredAlignments = 215,
    AutoAlignNotFound = 216,
    AutoAlignDone = 217,
    AutoAlignSomeMissed = 218,
    PrintFailed = 220,
    VideoExportRunning = 230,
    TooFewPhotoDays = 231,
    ConfirmUndoCarryOver = 300,
    VideoCreateFailed = 301,
    VideoExportDone = 302,
    AutoAlignStopped = 303,
    AnimationSpeedRange = 304,
    PhotoWithoutDateNamed = 340,
    PhotoDayTakenUseShownDay = 341,
    PhotoAfterTodayUseShownDay = 342,
    LongJobRunning = 390,
    ConfirmStopJobAndExit = 391,
    JobBulkImport = 392,
    JobBulkWeather = 393,
    JobVideoExport = 394,
    StoppingJob = 395,
    TemperatureRangeInverted = 410,
    ScaleMaximumZero = 411,
    VideoModuleMissing = 450,
};

constexpr int MsgId(Msg message)
{
    return static_cast<int>(message);
}
inline const char* LoadString(Msg message)
{
    return LoadString(MsgId(message));
}

constexpr int kAppTitle = 57344;        // caption of every message box
constexpr Msg kAppName = Msg::AppName;  // window title before a notebook is open

// The names of the two free measurement items until the notebook gives them its own.
inline constexpr const char* kFreeItemDefaultCaption1 = "フリー項目1";
inline constexpr const char* kFreeItemDefaultCaption2 = "フリー項目2";
