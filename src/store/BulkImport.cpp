#include "store/BulkImport.h"

#include "photos/ExifDate.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/SafeFormat.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

bool IsPhotoFileName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext == ".jpg" || ext == ".jpeg" || ext == ".bmp";
}

std::vector<std::string> ListPhotoFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        std::string name = it->path().filename().string();
        if (IsPhotoFileName(name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names)
        paths.push_back((fs::path(folder) / name).string());
    return paths;
}

namespace {
// A photo read and, when no question is needed, fitted. `source` is kept only for a portrait
// photo met before the run's rotation choice is known.
struct Prepared {
    bool loaded = false;
    std::optional<QDate> date;
    QImage source;
    std::optional<QImage> picture;
};

Prepared preparePhoto(const std::string& path, QSize frame, RotationChoice known)
{
    Prepared p;
    PhotoExif exif;
    p.loaded = LoadSourcePicture(path, frame, p.source, &exif);
    if (!p.loaded)
        return p;
    p.date = exif.date;
    const bool portrait = p.source.height() > p.source.width();
    if (!portrait || known != RotationChoice::None) {
        p.picture = FitSourcePicture(p.source, frame, false, true, known, {});
        p.source = QImage();
    }
    return p;
}

// Prepares the files ahead of the run on a few threads, at most `window` files ahead of the
// one the run takes next, so memory stays bounded whatever the folder holds.
class DecodePool {
public:
    DecodePool(const std::vector<std::string>& files, QSize frame, RotationChoice known, int threads)
        : m_files(files), m_frame(frame), m_known(known), m_results(files.size()),
          m_ready(files.size(), false), m_window(static_cast<size_t>(threads) * 2)
    {
        for (int t = 0; t < threads; ++t)
            m_threads.emplace_back([this] { work(); });
    }
    ~DecodePool()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }
    Prepared take(size_t i)
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_ready[i]; });
        Prepared p = std::move(m_results[i]);
        m_taken = i + 1;
        lock.unlock();
        m_cv.notify_all();
        return p;
    }
    // Once the run has its rotation choice, the photos prepared later are fitted with it.
    void setKnown(RotationChoice choice)
    {
        std::lock_guard lock(m_mutex);
        m_known = choice;
    }

private:
    void work()
    {
        for (;;) {
            size_t i;
            RotationChoice known;
            {
                std::unique_lock lock(m_mutex);
                m_cv.wait(lock,
                          [&] { return m_quit || (m_next < m_files.size() && m_next < m_taken + m_window); });
                if (m_quit)
                    return;
                i = m_next++;
                known = m_known;
            }
            Prepared p = preparePhoto(m_files[i], m_frame, known);
            {
                std::lock_guard lock(m_mutex);
                m_results[i] = std::move(p);
                m_ready[i] = true;
            }
            m_cv.notify_all();
        }
    }

    const std::vector<std::string>& m_files;
    const QSize m_frame;
    RotationChoice m_known;
    std::vector<Prepared> m_results;
    std::vector<bool> m_ready;
    const size_t m_window;
    size_t m_next = 0, m_taken = 0;
    bool m_quit = false;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::thread> m_threads;
};
}  // namespace

BulkImportReport RunBulkImport(const std::vector<std::string>& files, const BulkImportOptions& options,
                               Progress& progress, const BulkImportHooks& hooks)
{
    BulkImportReport report;
    report.matching = static_cast<int>(files.size());
    report.rotation = options.rotation;
    progress.setRange(report.matching);
    progress.setValue(0);
    const QSize frame(options.pictures.PictureWidth, options.pictures.PictureHeight);
    const QDate today = options.today.isValid() ? options.today : Clock::Today();
    int threads =
        options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, 16);
    std::optional<DecodePool> pool;
    if (threads > 1 && files.size() > 1)
        pool.emplace(files, frame, options.rotation, threads);
    bool skipUndated = false;
    std::map<QDate, std::string> written;  // each day and the photo it holds now
    bool wroteAny = false;

    for (size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        Prepared p = pool ? pool->take(i) : preparePhoto(path, frame, report.rotation);
        if (!p.loaded) {
            report.unreadable.push_back(path);
        } else if (!p.date) {
            report.undated.push_back(path);
            UndatedAnswer a = skipUndated || !hooks.askUndated ? UndatedAnswer::Skip : hooks.askUndated(path);
            if (a == UndatedAnswer::Stop) {
                report.stopped = true;
                break;
            }
            skipUndated = skipUndated || a == UndatedAnswer::SkipAll;
            continue;  // no step, no stop check: the question itself lets the user stop
        } else if (*p.date > today) {
            // A day after today is no record yet (a camera clock set wrong, mostly): never made.
            report.afterToday.emplace_back(*p.date, path);
        } else {
            if (!p.picture) {
                if (hooks.askRotation) {
                    p.picture =
                        FitSourcePicture(p.source, frame, false, true, report.rotation, hooks.askRotation);
                    if (!p.picture) {
                        report.stopped = true;
                        break;
                    }
                    if (pool)
                        pool->setKnown(report.rotation);
                } else {
                    report.portraitSkipped.push_back(path);
                }
                p.source = QImage();
            }
            if (p.picture) {
                DayRecord day;
                day.date = *p.date;
                day.picture = std::move(*p.picture);
                day.pictureChanged = true;
                bool renamed = false;
                day.sourcePath = SourcePathText(path, &renamed);
                day.dirty = true;
                if (hooks.weather) {
                    if (day.date >= today) {
                        // Not published yet: the photo is still imported, without weather.
                        report.weatherNotPublished.push_back(day.date);
                    } else {
                        DayWeather w;
                        const DayWeatherOutcome got = hooks.weather(day.date, w);
                        if (got == DayWeatherOutcome::Stopped) {
                            report.stopped = true;
                            break;
                        }
                        if (got != DayWeatherOutcome::Fetched) {
                            report.failed = true;
                            report.failedDay = day.date;
                            report.failure = Result::Failed(Msg::WeatherFetchFailed, path);
                            break;
                        }
                        day.weather = w;
                    }
                }
                Result r = hooks.write ? hooks.write(day)
                                       : WriteDayFiles(options.notebookFolder, day, options.pictures);
                if (!r && hooks.stoppedWithoutAsking && hooks.stoppedWithoutAsking()) {
                    report.stopped = true;
                    break;
                }
                if (!r) {
                    report.failed = true;
                    report.failedDay = day.date;
                    report.failure = r;
                    break;
                }
                wroteAny = true;
                if (renamed)
                    report.nameReplaced.push_back(path);
                auto [it, first] = written.try_emplace(day.date, path);
                if (!first) {
                    report.replaced.push_back({day.date, it->second, path});
                    it->second = path;
                }
                report.imported = static_cast<int>(written.size());
                report.lastDate = day.date;
            }
        }
        progress.setValue(++report.steps);
        if (progress.StopConfirmed(hooks.confirmStop)) {
            report.stopped = true;
            break;
        }
    }
    // Each day's files reached the disk under new names, were synced there, and were then
    // renamed over the old ones. A rename changes nothing but the folder's entries, and one sync
    // of the folder makes every change made to its entries before it durable: the renames of
    // every day of the run, whichever thread or call made them. So one sync here, after the
    // last write and before the run reports, gives every day written the guarantee a sync after
    // each day would: once the run has reported, a crash leaves each day with its new files.
    // A crash before that may undo the renames not yet on the disk; those days keep their old
    // files, each whole, as if the run had stopped before them. The days written before a
    // failure or a stop stay written, so they are synced too.
    if (wroteAny && !options.notebookFolder.empty() && !SyncDayFolder(options.notebookFolder)
        && !report.failed) {
        report.failed = true;
        report.failedDay = report.lastDate;
        report.failure = Result::Failed(Msg::DayWriteFailed, options.notebookFolder);
    }
    return report;
}

namespace {

// The words of the summary in one language.
struct SummaryWords {
    const char* imported;  // days, files
    const char* stopped;
    const char* unreadable;
    const char* undated;
    const char* portrait;
    const char* afterToday;
    const char* replaced;
    const char* arrow;
    const char* nameReplaced;
    const char* noWeather;
    const char* failed;  // after the date, before the reason
    bool fullPaths;      // else file names: the window's list names the files of one folder
};

const SummaryWords kJapanese = {
    "%d日分の写真を取り込みました（写真ファイル%d個のうち）。",
    "途中で中止しました。",
    "読み込めなかったため取り込まなかったファイル: %d個",
    "撮影日付がないため読み飛ばしたファイル: %d個",
    "縦長の写真で回転方法が決まっていないため取り込まなかったファイル: %d個",
    "撮影日付が今日より後のため取り込まなかったファイル: %d個（カメラの時計が合っているか確かめてください）",
    "同じ日付の写真が複数あった日: %d日（名前順で後の写真を取り込みました）",
    " → ",
    "ファイル名に記録できない文字（改行や一部の記号など）があったため、その文字を置き換えて記録した写真: "
    "%d個",
    "気象データがまだ公開されていないため、気象データなしで取り込んだ日: %d日",
    " の取り込みに失敗しました: ",
    false,
};

const SummaryWords kEnglish = {
    "imported %d days from %d photo files",
    "(stopped)",
    "skipped, not readable: %d",
    "skipped, no date: %d",
    "skipped, portrait (no rotation chosen): %d",
    "skipped, dated after today (camera clock?): %d",
    "days with several photos: %d (the later name replaced the earlier)",
    " -> ",
    "names stored with the characters a day file cannot hold replaced: %d",
    "without weather (not published yet): %d",
    ": failed: ",
    true,
};

}  // namespace

std::string BulkImportSummary(const BulkImportReport& r, SummaryLanguage language)
{
    const SummaryWords& w = language == SummaryLanguage::Japanese ? kJapanese : kEnglish;
    auto iso = [](const QDate& d) { return d.toString(Qt::ISODate).toStdString(); };
    auto count = [](size_t n) { return static_cast<long long>(n); };
    auto file = [&](const std::string& path) {
        return DecodeFileName(w.fullPaths ? path : LastComponent(path));
    };
    std::string s = FormatInts(w.imported, {r.imported, r.matching}) + "\n";
    if (r.stopped)
        s += std::string(w.stopped) + "\n";
    auto list = [&](const char* what, const std::vector<std::string>& paths) {
        if (paths.empty())
            return;
        s += FormatInts(what, {count(paths.size())}) + "\n";
        for (const std::string& p : paths)
            s += "  " + file(p) + "\n";
    };
    list(w.unreadable, r.unreadable);
    list(w.undated, r.undated);
    list(w.portrait, r.portraitSkipped);
    if (!r.afterToday.empty()) {
        s += FormatInts(w.afterToday, {count(r.afterToday.size())}) + "\n";
        for (const auto& [date, path] : r.afterToday)
            s += "  " + iso(date) + "  " + file(path) + "\n";
    }
    if (!r.replaced.empty()) {
        s += FormatInts(w.replaced, {count(r.replaced.size())}) + "\n";
        for (const ReplacedPhoto& p : r.replaced)
            s += "  " + iso(p.date) + "  " + DecodeFileName(LastComponent(p.replaced)) + w.arrow
                 + DecodeFileName(LastComponent(p.by)) + "\n";
    }
    list(w.nameReplaced, r.nameReplaced);
    if (!r.weatherNotPublished.empty()) {
        s += FormatInts(w.noWeather, {count(r.weatherNotPublished.size())}) + "\n";
        for (const QDate& d : r.weatherNotPublished)
            s += "  " + iso(d) + "\n";
    }
    if (r.failed)
        s += iso(r.failedDay) + w.failed + ResultText(r.failure) + "\n";
    return s;
}
