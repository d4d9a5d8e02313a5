#pragma once
// A notebook, or every notebook of a data root, as a static web site that any browser opens
// from a folder: an index with the month calendars, one page a day, one page a month with the
// growth graph and the list, the photos as they are stored and the time-lapse as MP4. Links are
// relative and nothing comes from outside, so the folder can be moved, copied onto a stick or
// served as it is. The site is built in a temporary folder beside the target and takes the
// target's name only once complete; a target that is not a site made here is never replaced.
// A class site keeps each notebook's site under notebooks/, so no notebook's name can take the
// name of a file of the class site.
#include "platform/Result.h"

#include <QDate>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Progress;

// The file that marks a folder as a site made by this export, with the site's id; only a folder
// that holds it and nothing but what an export writes is replaced.
inline constexpr const char* kWebSiteMarker = ".kelto-web";
// The folder of a class site that holds the notebooks' sites.
inline constexpr const char* kWebNotebooksFolder = "notebooks";
// Thumbnails fit this box (twice the calendar cell, for screens of high density).
inline constexpr int kWebThumbWidth = 160, kWebThumbHeight = 120;

struct WebExportJob {
    std::string outFolder;       // the site's folder (created, or a previous site replaced)
    std::string notebookFolder;  // --export-web: the notebook
    std::string dataRoot;        // --class: every notebook of this data root instead
    std::string layoutFile;      // Layout.ini: the names of the rows and the graph's layout
    std::string settingsFile;    // Kelto.ini: graph settings, frame size, animation speed; the
                                 // export's note of its target lies beside it while it runs
    QDate today;
    bool video = true;  // the time-lapse (off for measuring the rest alone)
    int threads = 2;    // photo copies and thumbnails run on this many threads
};

// One pupil's plant as the class page lists it.
struct WebNotebookSummary {
    std::string name;       // the data name
    std::string
        subfolder;  // the notebook's site in the class site's notebooks folder (the notebook's folder name)
    std::string failure;    // why the notebook could not be exported; empty when it was
    std::string kind;
    std::string startDate;  // as stored
    int days = 0;           // days recorded
    QDate lastDay;
    float latestHeight = -1.0f;  // the height of the latest day that has one
    QDate latestPhoto;           // the latest day with a photo
    std::vector<std::pair<int, float>> heights;  // (days since the start, height), oldest first
};

struct WebExportReport {
    Result result;  // the failure, with the file it concerns; ok when stopped
    bool stopped = false;
    int pages = 0;   // HTML pages written
    int photos = 0;  // photos copied
    bool video = false;
    std::vector<WebNotebookSummary> notebooks;  // the class export's rows
    bool ok() const { return result.ok() && !stopped; }
    // Notebooks of a class that could not be exported: the run as a whole failed for them.
    int failedNotebooks() const;
};

// Whether the site may go to `outFolder`: ok when it is missing, empty or an earlier site (the
// marker with a site id, an index.html and nothing an export does not write). Refused: a link,
// a file, a folder of other files, and, with `source` (the notebook or the data root) given, the
// source itself, a folder inside it or a folder that holds it.
Result CheckWebTarget(const std::string& outFolder, const std::string& source = {});

// Finishes or undoes a swap of sites that a killed export left half done at `outFolder`, and
// removes the temporary folders beside it that an export which is gone left there. Only folders
// named as an export names them, owned by this user and holding no notebook are touched.
void RecoverWebTarget(const std::string& outFolder);
// At a start of the program: the same for each target that an export noted beside
// `settingsFile` and that ended without removing its note.
void RecoverWebExports(const std::string& settingsFile);

// Writes the site of job.notebookFolder, or with job.dataRoot set the class site.
// Polls progress.cancelled() between steps; a stopped or failed export leaves the target as it was.
WebExportReport ExportWebSite(const WebExportJob& job, Progress& progress);

// HTML text: & < > " ' as entities, so a text never becomes markup.
std::string HtmlEscape(std::string_view text);
// A file or folder name as one segment of a relative link.
std::string LinkSegment(const std::string& name);
