// The single photo import: file, fit (with the rotation dialog), the photo's date, the page.
#include "app/CNotebook.h"

#include "app/DayDialogs.h"
#include "app/ViewHost.h"
#include "photos/ExifDate.h"
#include "platform/Clock.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"
#include "platform/SafeFormat.h"
#include "store/DayOperations.h"

namespace {
const char* const kPhotoFilter = "写真画像ﾌｧｲﾙ (*.jpg *.jpeg *.JPG *.JPEG *.Jpg);;ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp *.BMP)";
const char* const kPhotoDialogTitle = "写真画像取込";
}  // namespace

std::optional<QImage> CNotebook::FitDayPicture(const QImage& source, bool rotating, bool bulk)
{
    const QSize frame(m_pictures.PictureWidth, m_pictures.PictureHeight);
    RotateAsk ask;
    if (m_host)
        ask = [this](const RotateRequest& request) { return m_host->RunRotateDialog(request); };
    return ::FitSourcePicture(source, frame, rotating, bulk, m_rotationChoice, ask);
}

bool CNotebook::ImportPhoto(bool rotating, FileChooser& chooser)
{
    if (!m_host || m_viewMode != ViewMode::Detail || !currentDate().isValid())
        return false;
    std::string path;
    if (!chooser.OpenFile(kPhotoDialogTitle, kPhotoFilter, "jpg", path))
        return false;
    // A file that cannot be read ends the import with the day unchanged.
    QImage source;
    PhotoExif exif;
    if (!LoadSourcePicture(path, QSize(m_pictures.PictureWidth, m_pictures.PictureHeight), source, &exif))
        return false;
    std::optional<QImage> picture = FitDayPicture(source, rotating, false);
    if (!picture)
        return false;
    source = QImage();

    DayRecord& day = m_store.Day;
    const QDate photoDate = exif.date.value_or(QDate());
    bool toPhotoDate = false;
    if (exif.date && photoDate != day.date) {
        // A day after today is no record, and another day's record is never overwritten: the
        // photo goes on the day shown or nowhere, and nowhere leaves the day as it was.
        bool afterToday = photoDate > Clock::Today();
        if (afterToday || DayHasFiles(m_notebookFolder, photoDate)) {
            Msg question = afterToday ? Msg::PhotoAfterTodayUseShownDay : Msg::PhotoDayTakenUseShownDay;
            std::string text =
                FormatInts(LoadString(question), {photoDate.year(), photoDate.month(), photoDate.day(),
                                                  day.date.year(), day.date.month(), day.date.day()});
            if (m_prompt.ask(question, Buttons::YesNo, Icon::Question, text) != Answer::Yes)
                return false;
        } else {
            toPhotoDate =
                m_prompt.ask(Msg::UpdateDateFromPhoto, Buttons::YesNo, Icon::Question) == Answer::Yes;
        }
    }
    day.picture = std::move(*picture);
    day.pictureChanged = true;
    day.sourcePath = path;
    day.dirty = true;
    if (toPhotoDate)
        moveDayToPhotoDate(photoDate);
    drawDetailPage();
    return true;
}

void CNotebook::moveDayToPhotoDate(const QDate& photoDate)
{
    // The data change's own date logic: a day after today or one that already has files is
    // refused with its message, and a written day's files go with it (the old ones removed
    // only when the user says so, once every copy is complete).
    DayDataFields fields = FillDayDataDialog(m_store.Day, m_internetEnabled);
    fields.date = photoDate;
    const std::optional<DayWeather> weather = m_store.Day.weather;
    if (applyDayData(fields, nullptr) != DayDataOutcome::Refused)
        m_store.Day.weather = weather;
    m_store.Day.dirty = true;
}
