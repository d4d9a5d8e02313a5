#pragma once
// A PDF's photos as their own JPEG files. The PDF engine re-encodes every picture it embeds, at
// a quality that makes a camera photo larger than its file; a photo that went into the PDF at
// its own size can be embedded as the file itself, as sharp and no larger.
#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>
#include <string>
#include <vector>

struct PrintedPhoto {
    std::string path;  // the photo's JPEG file
    QSize size;        // the picture decoded from it, as drawn
    QByteArray jpeg;   // when not empty, the JPEG to put in instead of the file (a reduced copy)
    // When valid, the picture drawn (`standIn`) only stands in for the file, of this size: it was
    // decoded at a reduced scale from the file's bytes in `jpeg`, which go in at its place and
    // fill it at their own size.
    QSize file = {};
    QImage standIn = {};
};

// The size of a JPEG file that can go into a PDF as it is (a three-colour baseline or
// progressive JPEG); none for any other.
std::optional<QSize> WholeJpegSize(const QByteArray& jpeg);

// Replaces in `pdf` (a file as the PDF engine writes it: objects, a cross-reference table, a
// trailer) the stream of each JPEG picture that shows one of `photos`, in the order drawn, by
// that photo's file. A picture is replaced only when its size is the photo's and it looks the
// same at an eighth of its size, and only by a three-colour baseline or progressive JPEG; the
// rest stays as it is. A reduced copy (one with `jpeg`) of a photo whose file went in before
// shows that file instead, and its own picture goes. The number of pictures replaced; 0 leaves
// `pdf` untouched. `standInsLeft`, when given, receives how many stand-ins the file could not
// replace (the document then shows them at their reduced size).
int EmbedPhotoFiles(QByteArray& pdf, const std::vector<PrintedPhoto>& photos, int* standInsLeft = nullptr);
