// The controller's side of the graph and list pages: their settings, the month the graph
// draws, the list's paging and the two settings dialogs.
#include "app/CNotebook.h"

#include "app/SettingsColor.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "views/PageDraw.h"

#include <QPainter>

void CNotebook::LoadPageSettings()
{
    m_paging.graphSettings = ReadGraphSettings(m_settingsFile, [this](const std::string& key, const char* def) {
        return ReadSettingsColor(m_settingsFile, GraphIni::Section, key.c_str(), def, m_prompt).value_or(Qt::black);
    });
    m_paging.listMode = ListModeFromInt(ReadSettingInt(m_settingsFile, KeltoIni::ListMode));
}

QDate CNotebook::graphShownMonth() const
{
    return m_calendarMonth.isValid() ? m_calendarMonth : Clock::Today();
}

void CNotebook::ReloadGraphMonth()
{
    const QDate shown = graphShownMonth();
    m_paging.graphMonth = ReadGraphMonth(m_notebookFolder, shown.year(), shown.month(), Clock::Today());
    // The page never waits for the site: it is drawn now, and again once the month has come.
    fetchGraphWeather(shown.year(), shown.month());
    m_paging.graphWeather = MonthWeatherForGraph(shown.year(), shown.month());
}

// The weather the graph draws for the month just read: the site's, when the internet retrieval
// and the graph's GetWeather are on and the month has been fetched; else the day files' own.
GraphWeather CNotebook::MonthWeatherForGraph(int year, int month, const GraphMonth* days)
{
    if (std::shared_ptr<const MonthWeather> site = keptMonthWeather(year, month); site && site->table.count > 0) {
        GraphWeather t;
        t.dayCount = std::min<int>(site->table.count, static_cast<int>(t.days.size()));
        for (int j = 0; j < t.dayCount; ++j) {
            const MonthWeatherTable::Entry& e = site->table.days[j];
            t.days[j].present = e.marks != 0;
            t.days[j].LowTemp = e.LowTemp;
            t.days[j].HighTemp = e.HighTemp;
            t.days[j].Daylight = e.Daylight;
        }
        return t;
    }
    return ReadMonthWeatherFromDays(m_notebookFolder, days ? *days : m_paging.graphMonth);
}

void CNotebook::preparePageInputs(PageSnapshot& s, bool reload)
{
    if (s.mode != ViewMode::Graph && m_paging.notesScale != 0)
        ShowGraphNotes(0, {});
    if (s.mode == ViewMode::Graph && reload) {
        ReloadGraphMonth();
        s.graph = GraphInput{m_paging.graphSettings, m_paging.graphMonth, m_paging.graphWeather};
    }
    if (s.mode == ViewMode::List) {
        if (m_paging.listStart.isValid() && m_paging.listPagedFrom == currentDate())
            s.currentDate = m_paging.listStart;
        else
            m_paging.listStart = m_paging.listPagedFrom = QDate();
        s.list.mode = m_paging.listMode;
        s.list.listed = ListedDays(m_notebookFolder, m_paging.listMode, s.today);
    }
}

void CNotebook::ShowListPageFrom(const QDate& date)
{
    m_paging.listStart = date;
    m_paging.listPagedFrom = currentDate();
    DrawPage(ViewMode::List);
    PresentPage();
}

void CNotebook::PreviewGraphSettings(const GraphSettings& settings)
{
    m_paging.graphSettings = settings;
    if (m_viewMode == ViewMode::Graph) {
        DrawPage(ViewMode::Graph, false);
        PresentPage();
    }
}

bool CNotebook::EditGraphSettings()
{
    if (!m_host)
        return false;
    // A length maximum never set shows the one the month is drawn with; it stays unset unless
    // the user types one.
    const GraphSettings shown = FitGraphSettings(m_paging.graphSettings, m_paging.graphMonth);
    const std::optional<GraphSettings> chosen = m_host->RunGraphDialog(
        shown, m_internetEnabled != 0, [this](const GraphSettings& g) { PreviewGraphSettings(g); });
    if (chosen) {
        m_paging.graphSettings = *chosen;
        if (!WriteGraphSettings(m_settingsFile, m_paging.graphSettings))
            tellSettingsWriteFailed();
    } else {
        // Every change made in the dialog is thrown away: the settings are Kelto.ini's again.
        LoadPageSettings();
    }
    if (m_viewMode == ViewMode::Graph) {
        DrawPage(ViewMode::Graph, false);
        PresentPage();
    }
    return chosen.has_value();
}

bool CNotebook::SetListMode(ListMode mode)
{
    m_paging.listMode = mode;
    const bool written = WriteSettingInt(m_settingsFile, KeltoIni::ListMode, static_cast<int>(mode)).ok();
    if (m_viewMode == ViewMode::List) {
        DrawPage(ViewMode::List);
        PresentPage();
    }
    return written;
}

bool CNotebook::EditListSettings()
{
    if (!m_host)
        return false;
    const std::optional<ListMode> chosen = m_host->RunListDialog(m_paging.listMode);
    if (!chosen || *chosen == m_paging.listMode)
        return false;
    if (!SetListMode(*chosen))
        tellSettingsWriteFailed();
    return true;
}

void CNotebook::ShowGraphNotes(int scale, QPoint point)
{
    if (!m_host || (scale != 0 && scale == m_paging.notesScale) || (scale == 0 && m_paging.notesScale == 0))
        return;
    m_paging.notesScale = scale;
    const std::string layout = m_layoutFile;
    const GraphLayout graph = m_pages.Graph;
    const GraphSettings settings = m_paging.graphSettings;
    m_host->ShowGraphNotes(scale, point, GraphNotesSize(layout), [=](QPainter& p) {
        PreparePagePainter(p);
        DrawGraphNotes(p, scale, layout, graph, settings);
    });
}

void CNotebook::tellSettingsWriteFailed()
{
    const Result failed = Result::Failed(Msg::SettingsWriteFailed, m_settingsFile);
    m_prompt.tell(failed.message, Icon::Stop, ResultText(failed));
}
