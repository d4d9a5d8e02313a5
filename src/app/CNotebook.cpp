#include "app/CNotebook.h"

#include "app/NotebookSettings.h"
#include "app/SettingsColor.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/DataFolders.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <cctype>
#include <cstdio>

std::atomic<bool> SkipExitConfirmation{true};
std::atomic<bool> TerminationRequested{false};

CNotebook::CNotebook(std::string programFolder, Prompt& prompt, std::string lockName)
    : m_prompt(prompt), m_instanceLock(std::move(lockName)),
      m_folders(AppFolders::ForProgram(std::move(programFolder)))
{
    m_settingsFile = m_folders.settingsFile();
    m_layoutFile = m_folders.kitFile("Layout.ini");
    m_printSettingsFile = m_folders.kitFile("Print.ini");
    m_internetEnabled = ReadSettingInt(m_settingsFile, KeltoIni::EnableInternet) != 0;
    m_viewWidth = ReadSettingInt(m_settingsFile, KeltoIni::ViewWidth);
    m_viewHeight = ReadSettingInt(m_settingsFile, KeltoIni::ViewHeight);
    // A hand-edited size must not make an unusable or huge page buffer.
    if (m_viewWidth < 100 || m_viewWidth > 8000)
        m_viewWidth = KeltoIni::ViewWidth.def;
    if (m_viewHeight < 100 || m_viewHeight > 8000)
        m_viewHeight = KeltoIni::ViewHeight.def;
    int width = ReadSettingInt(m_settingsFile, KeltoIni::CursorWidth);
    QColor colour = ReadSettingsColor(m_settingsFile, KeltoIni::CursorColor.section,
                                      KeltoIni::CursorColor.key, KeltoIni::CursorColor.def, m_prompt)
                        .value_or(Qt::black);
    m_highlightPen = QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    m_viewMode = ViewMode::None;
}

CNotebook::~CNotebook()
{
    Shutdown();
}

void CNotebook::Initialize(ViewHost* view)
{
    if (!m_host && !m_shutDown && view) {
        if (!m_instanceLock.acquire()) {
            m_prompt.tell(Msg::AlreadyRunning, Icon::Stop);
            m_shutDown = true;  // never initialise after refusing the start
            view->CloseFrame();
            return;
        }
        m_host = view;
        // A first start makes the folders it writes to. Dropped: a folder that cannot be made
        // shows later, where the first file in it cannot be written, with that file's message.
        (void)m_folders.MakeFolders();
        m_pageBuffer = QImage(m_viewWidth, m_viewHeight, QImage::Format_RGB32);
        m_pageBuffer.fill(Qt::white);

        m_pages.LoadSettings(m_layoutFile, m_folders, QSize(m_viewWidth, m_viewHeight));
        LoadPageSettings();
        m_pictures = ReadPictureSettings(m_settingsFile);
        m_trimingWidth = ReadPictureSide(m_settingsFile, KeltoIni::TrimingWidth);
        m_trimingHeight = ReadPictureSide(m_settingsFile, KeltoIni::TrimingHeight);
        SetCurrentDate(Clock::Today());

        OpenNotebookAtStart();
    }
    if (m_host)
        PresentPage();
}

void CNotebook::OpenNotebookAtStart()
{
    SkipExitConfirmation = false;
    m_store.Reset();
    m_days = DayList{};
    m_toldHiddenDays = false;
    m_keptStartDateFor.clear();
    SetCurrentDate(Clock::Today());

    if (!m_commandLine.empty()) {
        std::string folder = m_commandLine;
        while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
            folder.pop_back();
        m_notebookFolder = folder;
        m_dataRoot = ParentFolder(folder);
        // Kelto.ini is left as it is; but a name it could never hold would also be lost when
        // the notebook is later chosen in the selection list: the user hears it now.
        std::string dataName = DataNameOfFolder(LastComponent(folder));
        if (!CanRememberDataName(dataName))
            TellDataNameNotRemembered(m_prompt, dataName);
    } else {
        m_dataRoot = ReadDataRoot(m_folders);
        m_notebookFolder =
            JoinPath(m_dataRoot,
                     FindNotebookFolderName(m_dataRoot, ReadSettingText(m_settingsFile, KeltoIni::DataName)));
        NotebookPlace place = this->place();
        StartChoice choice = m_host->RunStartDialog(place);
        SetPlace(place);
        if (choice == StartChoice::NewNotebook && !runSettingsDialog(SettingsMode::New))
            choice = StartChoice::EndProgram;
        if (choice == StartChoice::EndProgram) {
            SkipExitConfirmation = true;
            m_host->CloseFrame();
            return;
        }
    }
    OpenNotebook(m_notebookFolder);
}

void CNotebook::OpenNotebook(const std::string& folder)
{
    m_notebookFolder = folder;
    UpdateTitle();
    RemoveStaleNotebookTemporaries(m_notebookFolder);
    m_store.ReadStartDate(m_notebookFolder);
    if (!m_store.StartDate && m_host)
        m_host->PostCommand(Command::NotebookSettings);
    m_pages.LoadDetailBackground(m_layoutFile, m_folders);
    RescanDays();
    SetViewMode(ViewMode::Calendar);
}

void CNotebook::UpdateTitle()
{
    if (m_host)
        m_host->SetTitle(std::string(LoadString(kAppName)) + "["
                         + DataNameOfFolder(LastComponent(m_notebookFolder)) + "]");
}

void CNotebook::SetViewMode(ViewMode mode)
{
    if (!FlushDay()) {
        PresentPage();
        return;
    }
    m_viewMode = mode;
    DrawPage(mode);
    PresentPage();
}

void CNotebook::PresentPage()
{
    if (m_host)
        m_host->Present(m_pageBuffer);
}

void CNotebook::ShowHelpDocument()
{
    std::string path = m_folders.kitFile("doc/index.html");
    if (!FileExists(path) || !m_host) {
        m_prompt.tell(Msg::HelpOpenFailed, Icon::Stop);
        return;
    }
    // The desktop's opener says whether anything could show the document only by its exit
    // status, which may come long after (it can wait for the browser): watch it without
    // blocking the window. Without it, the window's own lookup of a browser decides.
    QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!m_host->OpenDocument(path))
            m_prompt.tell(Msg::HelpOpenFailed, Icon::Stop);
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // The answer is shown only while the window that asked still exists.
    auto* window = dynamic_cast<QObject*>(m_host);
    QObject* context = window ? window : process;
    Prompt* prompt = &m_prompt;
    QObject::connect(process, &QProcess::finished, context,
                     [process, prompt](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             prompt->tell(Msg::HelpOpenFailed, Icon::Stop);
                     });
    QObject::connect(process, &QProcess::errorOccurred, context,
                     [process, prompt](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;  // a crash or the like also ends in finished()
                         process->deleteLater();
                         prompt->tell(Msg::HelpOpenFailed, Icon::Stop);
                     });
    process->start(opener, {QString::fromStdString(path)});
}

bool CNotebook::PrepareToClose()
{
    if (!m_host)
        return true;
    return FlushDay(true).ok();
}

namespace {
// A message naming a job in place of its "%s".
std::string JobText(Msg message, Msg job)
{
    std::string text = LoadString(message);
    if (size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, LoadString(job));
    return text;
}
}  // namespace

Msg CNotebook::RunningJob() const
{
    if (BulkImportRunning())
        return Msg::JobBulkImport;
    if (BulkWeatherRunning())
        return Msg::JobBulkWeather;
    if (VideoExportRunning())
        return Msg::JobVideoExport;
    if (WebExportRunning())
        return Msg::JobWebExport;
    return Msg::None;
}

bool CNotebook::refuseWhileJobRuns()
{
    Msg job = RunningJob();
    if (job == Msg::None)
        return false;
    m_prompt.tell(Msg::LongJobRunning, Icon::Information, JobText(Msg::LongJobRunning, job));
    return true;
}

bool CNotebook::AskStopJobToQuit()
{
    Msg job = RunningJob();
    if (job == Msg::None)
        return true;
    return m_prompt.ask(Msg::ConfirmStopJobAndExit, Buttons::YesNoDefaultNo, Icon::Question,
                        JobText(Msg::ConfirmStopJobAndExit, job))
           == Answer::Yes;
}

void CNotebook::StopRunningJob()
{
    if (RunningJob() == Msg::None)
        return;
    if (m_host)
        m_host->SetBusy(LoadString(Msg::StoppingJob));
    stopJobs();
    if (m_host)
        m_host->SetBusy({});
}

void CNotebook::stopJobs()
{
    StopWeatherRequests();
    StopBulkWeatherFetch();
    StopBulkImport();
    StopVideoExport();
    StopWebExport();
}

void CNotebook::Shutdown()
{
    stopJobs();
    if (m_shutDown && !m_host)
        return;
    if (m_host) {
        m_quiet = true;
        if (Result r = FlushDay(); !r)
            std::fprintf(stderr, "Kelto: %s\n", ResultText(r).c_str());
        m_pages.Release();
        m_store.Day.picture = QImage();
        m_pageBuffer = QImage();
        m_host = nullptr;
    }
    m_instanceLock.release();
    m_shutDown = true;
}
