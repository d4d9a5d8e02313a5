// The controller's side of the graph and list pages: their settings, the month the graph
// draws, the list's paging and the two settings dialogs.
#include "app/CNotebook.h"

#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "views/PageDraw.h"

#include <QPainter>

namespace {
constexpr int kMsgSettingsWriteFailed = 212;
}

void CNotebook::LoadPageSettings()
{
    m_graphSettings = ReadGraphSettings(SettingsFile, [this](const std::string& key) {
        return ColorFromRef(ReadColor(GraphIni::Section, key.c_str(), GraphIni::ColorDefault));
    });
    m_listMode = ListModeFromInt(ReadSettingInt(SettingsFile, KeltoIni::ListMode));
}

void CNotebook::ReloadGraphMonth()
{
    const QDate shown = m_calendarMonth.isValid() ? m_calendarMonth : Clock::Today();
    m_graphMonth = ReadGraphMonth(NotebookFolder, shown.year(), shown.month(), Clock::Today());
    m_graphWeather = MonthWeatherForGraph();
}

// The weather the graph draws for the month just read. When the site's month scrape is wired
// in, it belongs here: with InternetEnabled and the graph's GetWeather on, fetch the shown month
// for Kelto.ini [Data] Place; a fetch that fails (no days) falls back to the day files below.
MonthWeatherTable CNotebook::MonthWeatherForGraph() const
{
    return ReadMonthWeatherFromDays(NotebookFolder, m_graphMonth);
}

void CNotebook::preparePageInputs(PageSnapshot& s, bool reload)
{
    if (s.mode != ViewGraph && m_notesScale != 0)
        ShowGraphNotes(0, {});
    if (s.mode == ViewGraph && reload) {
        ReloadGraphMonth();
        s.graph = GraphInput{m_graphSettings, m_graphMonth, m_graphWeather};
    }
    if (s.mode == ViewList) {
        if (m_listStart.isValid() && m_listPagedFrom == CurrentDate())
            s.currentDate = m_listStart;
        else
            m_listStart = m_listPagedFrom = QDate();
        s.list.mode = m_listMode;
        s.list.listed = ListedDays(NotebookFolder, m_listMode, s.today);
    }
}

void CNotebook::ShowListPageFrom(const QDate& date)
{
    m_listStart = date;
    m_listPagedFrom = CurrentDate();
    DrawPage(ViewList);
    PresentPage();
}

void CNotebook::PreviewGraphSettings(const GraphSettings& settings)
{
    m_graphSettings = settings;
    if (ViewMode == ViewGraph) {
        DrawPage(ViewGraph, false);
        PresentPage();
    }
}

bool CNotebook::EditGraphSettings()
{
    if (!ViewWindow)
        return false;
    const std::optional<GraphSettings> chosen = ViewWindow->RunGraphDialog(
        m_graphSettings, InternetEnabled != 0, [this](const GraphSettings& g) { PreviewGraphSettings(g); });
    if (chosen) {
        m_graphSettings = *chosen;
        if (!WriteGraphSettings(SettingsFile, m_graphSettings))
            m_prompt.tell(kMsgSettingsWriteFailed, Icon::Stop, std::string(LoadString(kMsgSettingsWriteFailed)) + "\n" + SettingsFile);
    } else {
        // Every change made in the dialog is thrown away: the settings are Kelto.ini's again.
        LoadPageSettings();
    }
    if (ViewMode == ViewGraph) {
        DrawPage(ViewGraph, false);
        PresentPage();
    }
    return chosen.has_value();
}

bool CNotebook::SetListMode(ListMode mode)
{
    m_listMode = mode;
    const bool written = WriteSettingInt(SettingsFile, KeltoIni::ListMode, static_cast<int>(mode));
    if (ViewMode == ViewList) {
        DrawPage(ViewList);
        PresentPage();
    }
    return written;
}

bool CNotebook::EditListSettings()
{
    if (!ViewWindow)
        return false;
    const std::optional<ListMode> chosen = ViewWindow->RunListDialog(m_listMode);
    if (!chosen || *chosen == m_listMode)
        return false;
    if (!SetListMode(*chosen))
        m_prompt.tell(kMsgSettingsWriteFailed, Icon::Stop, std::string(LoadString(kMsgSettingsWriteFailed)) + "\n" + SettingsFile);
    return true;
}

void CNotebook::ShowGraphNotes(int scale, QPoint point)
{
    if (!ViewWindow || (scale != 0 && scale == m_notesScale) || (scale == 0 && m_notesScale == 0))
        return;
    m_notesScale = scale;
    const std::string layout = LayoutFile;
    const GraphLayout graph = m_pages.Graph;
    const GraphSettings settings = m_graphSettings;
    ViewWindow->ShowGraphNotes(scale, point, GraphNotesSize(layout), [=](QPainter& p) {
        PreparePagePainter(p);
        DrawGraphNotes(p, scale, layout, graph, settings);
    });
}
