#include "app/CliMessages.h"

#include "platform/Words.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {
// The English of the numbered messages the command line prints. In Japanese it says what the
// window says: the string table's text.
struct EnglishMessage {
    Msg id;
    const char* text;  // "%1", "%2": the integers the window's text was formatted with
};
const EnglishMessage kEnglish[] = {
    {Msg::WeatherFetchFailed, "The weather data could not be fetched."},
    {Msg::PictureSaveFailed, "The picture file could not be saved."},
    {Msg::SettingsFormatError, "A settings file is not written correctly."},
    {Msg::AviCreateFailed, "The AVI file could not be written."},
    {Msg::VideoCreateFailed, "The video file could not be written."},
    {Msg::NoObservationPlace,
     "No observation place is set. Set one in the window (設定 → インターネット設定)."},
    {Msg::InternetConnectFailed,
     "Could not connect to the internet.\nCheck that this computer can reach the internet."},
    {Msg::NoPhotosInFolder, "The folder holds no photos."},
    {Msg::DaysBeforeStartDate, "Some records are older than the start date. Change the start date?"},
    {Msg::BulkImportFailed, "The bulk photo import failed."},
    {Msg::BulkWeatherFailed, "The bulk weather fetch failed."},
    {Msg::WeatherSiteUnreachable, "Cannot connect to the weather site.\nThe internet settings may be wrong."},
    {Msg::DayWriteFailed,
     "The day record could not be saved. Check the free disk space and that the folder can be written."},
    {Msg::SettingsWriteFailed,
     "The settings could not be saved to the settings file. Check that the folder can be written."},
    {Msg::ReplaceStoredAlignments, "%1 frames hold an alignment of their own."},
    {Msg::AutoAlignDone, "%1 frames were aligned automatically."},
    {Msg::AutoAlignSomeMissed,
     "%1 frames were aligned automatically.\n%2 frames could not be aligned automatically and were left as "
     "they were."},
    {Msg::AutoAlignStopped,
     "Automatic alignment was stopped.\nFrames aligned: %1\nFrames that could not be aligned: %2\n"
     "Frames not aligned because of the stop: %3"},
    {Msg::PrintFailed, "Could not print. Check the printer and that the target folder can be written."},
    {Msg::VideoExportRunning, "Writing the animation"},
    {Msg::TooFewPhotoDays, "A video needs photos on at least two days."},
    {Msg::WebExportRunning, "Exporting the web pages"},
    {Msg::WebTargetNotSite,
     "The target folder holds files that are not an earlier web export, so it is not replaced. Choose an empty "
     "folder or a new name."},
    {Msg::WebExportFailed,
     "The web pages could not be written. Check the free disk space and that the folder can be written."},
    {Msg::WebCopyingPhotos, "Copying the photos"},
    {Msg::WebWritingPages, "Writing the pages"},
    {Msg::WebNoNotebooks, "The data folder holds no notebooks."},
    {Msg::WebNotebookUnreadable, "The notebook cannot be read."},
    {Msg::WebPhotoUnreadable, "A photo cannot be read."},
    {Msg::FileWriteFailed,
     "The file could not be saved. Check the free disk space and that the folder can be written."},
    {Msg::FileReadFailed, "The file could not be read."},
    {Msg::FileAlreadyExists, "A file of the same name already exists."},
    {Msg::TextNotStorable, "The text holds a character the file cannot hold, so it was not saved."},
    {Msg::NotNotebookFolder, "This is not a notebook folder (it has no Kelto.dat)."},
    {Msg::NothingToPrint, "Nothing to print: no pages of the chosen kinds in the range."},
    {Msg::VideoPhotoUnreadable, "The video was not written: this photo could not be read."},
    {Msg::WebTargetIsLink,
     "The target is a link, which is not replaced. Give the folder it leads to itself."},
    {Msg::WebTargetNotFolder, "The target is a file, not a folder. Choose another folder or a new name."},
    {Msg::WebTargetHoldsNotebook,
     "The web pages cannot go into a notebook's folder or the data folder, a folder inside one, or a folder "
     "that holds one. Choose another folder."},
};

}  // namespace

std::string CliMessageText(Msg id, const std::string& shown)
{
    const std::string window = LoadString(id);
    const std::string text = shown.empty() ? window : shown;
    const auto it = std::find_if(std::begin(kEnglish), std::end(kEnglish),
                                 [id](const EnglishMessage& e) { return e.id == id; });
    if (Words::japanese() || it == std::end(kEnglish))
        return text;
    const QString english = QString::fromUtf8(it->text);
    if (text.rfind(window, 0) == 0)
        return english.toStdString() + text.substr(window.size());
    // Formatted: the same integers, read back in order (numbered messages format integers only).
    QStringList numbers;
    for (const QRegularExpressionMatch& m :
         QRegularExpression("\\d+").globalMatch(QString::fromStdString(text)))
        numbers << m.captured();
    const int wanted = english.count(QRegularExpression("%[1-9]"));
    if (wanted == 0 || numbers.size() != wanted)
        return text;
    QString out = english;
    for (const QString& n : numbers)
        out = out.arg(n);
    return out.toStdString();
}

std::string CliResultText(const Result& r)
{
    return CliMessageText(r.message) + (r.path.empty() ? "" : "\n" + r.path)
           + (r.detail.empty() ? "" : "\n" + r.detail);
}
