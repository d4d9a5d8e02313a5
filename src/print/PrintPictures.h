#pragma once
// The photos of one print, each decoded once: a worker thread decodes the detail pages' photos
// in page order a few pages ahead of the drawing, and of the days the list pages show as well it
// keeps a copy at the list's picture size, so the list needs no second decode. For a PDF whose
// photos go in as their files, a photo the page shows at its own size or larger is decoded only
// at an eighth, to stand in for the file on the detail page and on the list until the file
// takes its place.
#include "print/PdfPhotos.h"

#include <QDate>
#include <QImage>
#include <QSize>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class PrintPictures {
public:
    // `detailDays`: the detail pages' days in page order; `listDays`: the days the list pages show.
    // `standIns`: the print is a PDF whose photos go in as their files (see EmbedPhotoFiles).
    PrintPictures(std::string notebookFolder, std::vector<QDate> detailDays, std::set<QDate> listDays,
                  bool standIns = false);
    ~PrintPictures();  // stops the worker and waits for it
    PrintPictures(const PrintPictures&) = delete;
    PrintPictures& operator=(const PrintPictures&) = delete;

    // The list's pictures are made at this size (device pixels); the worker waits for it before
    // it makes the first one. Set once, when the first sheet is drawn.
    void SetListPictureSize(QSize device);
    // The detail page's photo area (device pixels); with stand-ins the worker waits for it
    // before the first photo. Set once, when the first sheet is drawn.
    void SetPhotoAreaSize(QSize device);

    // The photo of a detail page, handed over once: null when the day has none, or when it was
    // not among the detail days (the caller decodes it then).
    QImage TakePhoto(const QDate& date);
    // The list picture of `date` at `device` size: the copy made from the detail page's decode,
    // else decoded now. Null when the day has no readable photo.
    QImage ListPicture(const QDate& date, QSize device);

    int decodes() const;  // photo files decoded so far
    // The photos handed to detail pages and the list's pictures, in the order handed, with the
    // size drawn (and the list's as JPEG).
    std::vector<PrintedPhoto> printed() const;

    static constexpr size_t kAhead = 3;  // photos decoded and not yet drawn, at most

private:
    void work();
    void setOnce(QSize& size, QSize device);
    QImage standIn(const QDate& date, QSize area, QSize* file, QByteArray* bytes) const;
    std::string photoPath(const QDate& date) const;

    const std::string m_folder;
    const std::vector<QDate> m_detailDays;
    const std::set<QDate> m_listDays;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_standIns;
    std::map<QDate, QImage> m_ready;  // decoded, not yet taken
    struct StandIn {
        QSize file;        // the file's size
        QByteArray bytes;  // the file as read
    };
    std::map<QDate, StandIn> m_standInFor;  // of a photo in m_ready that stands in for its file
    struct ListCopy {
        QImage picture;
        QSize file;        // valid: the picture is the detail page's stand-in for a file of this size
        QByteArray bytes;  // then: the file as read
    };
    std::map<QDate, ListCopy> m_listPictures;
    std::vector<PrintedPhoto> m_printed;
    size_t m_next = 0;  // the detail day the worker decodes next
    QSize m_listSize, m_photoArea;
    bool m_stop = false;
    int m_decodes = 0;
    std::thread m_worker;
};
