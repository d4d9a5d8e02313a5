#include "app/CNotebook.h"

#include "store/KeltoIni.h"
#include "app/ViewHost.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/DataFolders.h"
#include "store/NotebookSettings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <cctype>
#include <cstdio>

std::atomic<bool> SkipExitConfirmation{true};
std::atomic<bool> TerminationRequested{false};

QColor ColorFromRef(int ref)
{
    if (ref < 0)
        return QColor(Qt::black);
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

CNotebook::CNotebook(std::string programFolder, Prompt& prompt, std::string lockName)
    : InstanceMutex(std::move(lockName)), m_prompt(prompt)
{
    while (programFolder.size() > 1 && programFolder.back() == '/')
        programFolder.pop_back();
    ProgramFolder = programFolder;
    SettingsFile = JoinPath(ProgramFolder, "Kelto.ini");
    LayoutFile = JoinPath(ProgramFolder, "Layout.ini");
    PrintSettingsFile = JoinPath(ProgramFolder, "Print.ini");
    InternetEnabled = ReadSettingInt(SettingsFile, KeltoIni::EnableInternet);
    ViewWidth = ReadSettingInt(SettingsFile, KeltoIni::ViewWidth);
    ViewHeight = ReadSettingInt(SettingsFile, KeltoIni::ViewHeight);
    // A hand-edited size must not make an unusable or huge page buffer.
    if (ViewWidth < 100 || ViewWidth > 8000)
        ViewWidth = KeltoIni::ViewWidth.def;
    if (ViewHeight < 100 || ViewHeight > 8000)
        ViewHeight = KeltoIni::ViewHeight.def;
    int width = ReadSettingInt(SettingsFile, KeltoIni::CursorWidth);
    QColor colour = ColorFromRef(ReadColor(KeltoIni::CursorColor.section, KeltoIni::CursorColor.key,
                                           KeltoIni::CursorColor.def));
    HighlightPen = QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    ViewMode = ViewNone;
}

CNotebook::~CNotebook()
{
    Shutdown();
}

std::string CNotebook::ReadSetting(const char* section, const char* key, const char* def, const std::string* file) const
{
    return IniFile::ReadString(file ? *file : SettingsFile, section, key, def);
}

int CNotebook::ReadColor(const char* section, const char* key, const char* def, const std::string* file)
{
    std::string v = ReadSetting(section, key, def, file);
    bool ok = v.size() == 7 && v[0] == '#';
    for (size_t i = 1; ok && i < 7; ++i)
        ok = std::isxdigit(static_cast<unsigned char>(v[i]));
    if (!ok) {
        // Name the file and the key, so the user knows what to correct.
        std::string where = (file ? *file : SettingsFile) + "\n[" + section + "] " + key + "=" + v;
        m_prompt.tell(134, Icon::Exclamation, std::string(LoadString(134)) + "\n" + where);
        return -1;
    }
    int rgb = std::stoi(v.substr(1), nullptr, 16);
    int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r | (g << 8) | (b << 16);
}

void CNotebook::Initialize(ViewHost* view)
{
    if (!ViewWindow && !m_shutDown && view) {
        if (!InstanceMutex.acquire()) {
            m_prompt.tell(177, Icon::Stop);
            m_shutDown = true;  // never initialise after refusing the start
            view->CloseFrame();
            return;
        }
        ViewWindow = view;
        PageBuffer = QImage(ViewWidth, ViewHeight, QImage::Format_RGB32);
        PageBuffer.fill(Qt::white);

        m_pages.LoadSettings(LayoutFile, ProgramFolder, QSize(ViewWidth, ViewHeight));
        Pictures.PictureWidth = ReadSettingInt(SettingsFile, KeltoIni::PictureWidth);
        Pictures.PictureHeight = ReadSettingInt(SettingsFile, KeltoIni::PictureHeight);
        Pictures.JpegQuality = ReadSettingInt(SettingsFile, KeltoIni::JpegQuality);
        // Sizes outside what a photo can be fall back to the defaults instead of failing every save.
        if (Pictures.PictureWidth < 16 || Pictures.PictureWidth > 8000)
            Pictures.PictureWidth = KeltoIni::PictureWidth.def;
        if (Pictures.PictureHeight < 16 || Pictures.PictureHeight > 8000)
            Pictures.PictureHeight = KeltoIni::PictureHeight.def;
        if (Pictures.JpegQuality < 1 || Pictures.JpegQuality > 100)
            Pictures.JpegQuality = KeltoIni::JpegQuality.def;
        TrimingWidth = ReadSettingInt(SettingsFile, KeltoIni::TrimingWidth);
        TrimingHeight = ReadSettingInt(SettingsFile, KeltoIni::TrimingHeight);
        SetCurrentDate(Clock::Today());

        OpenNotebookAtStart();
    }
    if (ViewWindow)
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
        NotebookFolder = folder;
        DataRoot = ParentFolder(folder);
        // Kelto.ini is left as it is; but a name it could never hold would also be lost when
        // the notebook is later chosen in the selection list: the user hears it now.
        std::string dataName = DataNameOfFolder(LastComponent(folder));
        if (!CanRememberDataName(dataName))
            TellDataNameNotRemembered(m_prompt, dataName);
    } else {
        DataRoot = ResolveDataRoot(ProgramFolder, ReadSettingText(SettingsFile, KeltoIni::FolderPath));
        NotebookFolder =
            JoinPath(DataRoot, FindNotebookFolderName(DataRoot, ReadSettingText(SettingsFile, KeltoIni::DataName)));
        NotebookPlace place = Place();
        StartChoice choice = ViewWindow->RunStartDialog(place);
        SetPlace(place);
        if (choice == StartChoice::NewNotebook && !runSettingsDialog(kSettingsNew))
            choice = StartChoice::EndProgram;
        if (choice == StartChoice::EndProgram) {
            SkipExitConfirmation = true;
            ViewWindow->CloseFrame();
            return;
        }
    }
    OpenNotebook(NotebookFolder);
}

void CNotebook::OpenNotebook(const std::string& folder)
{
    NotebookFolder = folder;
    UpdateTitle();
    m_store.ReadStartDate(NotebookFolder);
    if (!m_store.StartDate)
        ViewWindow->PostCommand(32813);
    m_pages.LoadDetailBackground(LayoutFile, ProgramFolder);
    RescanDays();
    SetViewMode(ViewCalendar);
    CurrentPrefecture = ReadSettingInt(SettingsFile, KeltoIni::Pref);
}

void CNotebook::UpdateTitle()
{
    if (ViewWindow)
        ViewWindow->SetTitle(std::string(LoadString(kAppName)) + "[" + DataNameOfFolder(LastComponent(NotebookFolder)) +
                             "]");
}

void CNotebook::SetViewMode(int mode)
{
    if (!FlushDay()) {
        PresentPage();
        return;
    }
    ViewMode = mode;
    DrawPage(mode);
    PresentPage();
}

void CNotebook::PresentPage()
{
    if (ViewWindow)
        ViewWindow->Present(PageBuffer);
}

void CNotebook::ShowHelpDocument()
{
    std::string path = JoinPath(ProgramFolder, "doc/index.html");
    if (!FileExists(path) || !ViewWindow) {
        m_prompt.tell(144, Icon::Stop);
        return;
    }
    // The desktop's opener says whether anything could show the document only by its exit
    // status, which may come long after (it can wait for the browser): watch it without
    // blocking the window. Without it, the window's own lookup of a browser decides.
    QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!ViewWindow->OpenDocument(path))
            m_prompt.tell(144, Icon::Stop);
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // The answer is shown only while the window that asked still exists.
    auto* window = dynamic_cast<QObject*>(ViewWindow);
    QObject* context = window ? window : process;
    Prompt* prompt = &m_prompt;
    QObject::connect(process, &QProcess::finished, context, [process, prompt](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            prompt->tell(144, Icon::Stop);
    });
    QObject::connect(process, &QProcess::errorOccurred, context, [process, prompt](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;  // a crash or the like also ends in finished()
        process->deleteLater();
        prompt->tell(144, Icon::Stop);
    });
    process->start(opener, {QString::fromStdString(path)});
}

bool CNotebook::PrepareToClose()
{
    if (!ViewWindow)
        return true;
    return FlushDay(true).ok();
}

void CNotebook::Shutdown()
{
    StopBulkWeatherFetch();
    if (m_shutDown && !ViewWindow)
        return;
    if (ViewWindow) {
        m_quiet = true;
        if (DayResult r = FlushDay(); !r)
            std::fprintf(stderr, "Kelto: %s\n", DayResultText(r).c_str());
        m_pages.Release();
        m_store.Day.picture = QImage();
        PageBuffer = QImage();
        ViewWindow = nullptr;
    }
    InstanceMutex.release();
    m_shutDown = true;
}
