#pragma once
// A notebook as a pupil's looks after `days` days: camera-like photos that each differ, every
// value of the day and a short memo, from `first` on.
#include "CameraPicture.h"
#include "support/RequireWritten.h"
#include "photos/PictureFile.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"

#include <QPainter>

#include <string>

// One photo day: the photo and the day's values (height and count as given, the rest fixed).
inline void WriteBenchDay(const std::string& notebook, const QDate& date, const QImage& photo,
                          const std::string& height, const std::string& count, const std::string& weather)
{
    RequireWritten(SavePictureFile(DayFilePath(notebook, date, "jpg"), photo, 640, 480, 80));
    const std::string dat = DayFilePath(notebook, date, "dat");
    RequireWritten(IniFile::WriteKeys(dat, "Growth",
                                      {{"DataHeight", height},
                                       {"DataCount", count},
                                       {"DataWidth", "4.5"},
                                       {"DataFuel", "8.0"},
                                       {"Temperature", "22.0"}}));
    RequireWritten(IniFile::WriteKeys(
        dat, "Weather",
        {{"LowTemp", "12.0"}, {"HighTemp", "24.5"}, {"Daylight", "6.5"}, {"Weather", weather}}));
}

inline void WriteBenchNotebook(const std::string& notebook, const QDate& first, int days)
{
    RequireWritten(WriteNotebookKey(notebook, "StartDate", FormatIniDate(first)));
    RequireWritten(WriteNotebookKey(notebook, "SchoolName", "みどり台小学校"));
    RequireWritten(WriteNotebookKey(notebook, "StudentName", "山川 さくら"));
    RequireWritten(WriteNotebookKey(notebook, "KindName", "ミニトマト"));
    const QImage base = CameraLikePicture(640, 480);
    for (int i = 0; i < days; ++i) {
        const QDate date = first.addDays(i);
        // Every photo differs, as a camera's do.
        QImage photo = base;
        QPainter p(&photo);
        p.fillRect(40 + i, 300 - i / 2, 120, 160, QColor::fromHsv(i % 360, 180, 160));
        p.end();
        WriteBenchDay(notebook, date, photo, std::to_string(3 + i / 8) + ".5", std::to_string(2 + i / 12),
                      "晴れ");
        RequireWritten(WriteFileAtomic(DayFilePath(notebook, date, "txt"),
                                       "きょうの かんさつ\nはっぱが ふえました。\n"));
    }
}
