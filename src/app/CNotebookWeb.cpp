// The web export of the controller: the folder is chosen on the user-interface thread, then the
// worker writes the site from values behind the progress dialog. It only reads the notebook,
// so the window stays usable meanwhile.
#include "app/CNotebook.h"

#include "app/BulkJob.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/FolderBrowser.h"
#include "platform/Prompt.h"
#include "res/Strings.h"
#include "store/DataFolders.h"
#include "web/WebExport.h"

struct CNotebook::WebExportState {
    BulkJob<WebExportReport> job;
    std::string folder;  // the site being written
};

bool CNotebook::WebExportRunning() const
{
    return m_webExport && m_webExport->job.running();
}

void CNotebook::StartWebExport(FolderBrowser& browser)
{
    if (m_notebookFolder.empty() || refuseWhileJobRuns())
        return;
    // What the user sees goes into the site too.
    if (!FlushDay())
        return;
    const std::string initial = m_webExport ? ParentFolder(m_webExport->folder) : std::string();
    const std::optional<std::string> chosen = browser.BrowseForFolder(initial, LoadString(Msg::WebChooseFolder), true);
    if (!chosen || chosen->empty())
        return;
    WebExportJob job;
    job.outFolder = *chosen;
    // A folder of other files (the documents folder, say) keeps them: the site goes inside it.
    RecoverWebTarget(job.outFolder);
    if (const Msg m = CheckWebTarget(job.outFolder).message;
        m == Msg::WebTargetNotSite || m == Msg::WebTargetIsLink) {
        job.outFolder = JoinPath(*chosen, DataNameOfFolder(LastComponent(m_notebookFolder)) + "のWebページ");
        RecoverWebTarget(job.outFolder);
    }
    if (const Result r = CheckWebTarget(job.outFolder, m_notebookFolder); !r) {
        m_prompt.tell(r.message, Icon::Exclamation, ResultText(r));
        return;
    }
    job.notebookFolder = m_notebookFolder;
    job.layoutFile = m_layoutFile;
    job.settingsFile = m_settingsFile;
    job.today = Clock::Today();
    if (!m_webExport)
        m_webExport = std::make_shared<WebExportState>();
    m_webExport->folder = job.outFolder;
    m_webExport->job.start(
        m_host, Msg::JobWebExport, JobDesk{},
        [job](JobLink& link) { return ExportWebSite(job, link.progress()); },
        [this](const WebExportReport& report) { finishWebExport(report.result, report.stopped); });
}

void CNotebook::finishWebExport(const Result& result, bool stopped)
{
    m_webExport->job.end(m_host);
    if (stopped)
        return;
    if (!result) {
        m_prompt.tell(result.message, Icon::Exclamation, ResultText(result));
        return;
    }
    const std::string index = JoinPath(m_webExport->folder, "index.html");
    const Answer open = m_prompt.ask(Msg::WebExportDone, Buttons::YesNo, Icon::Information,
                                     std::string(LoadString(Msg::WebExportDone)) + "\n" + m_webExport->folder);
    if (open == Answer::Yes && (!m_host || !m_host->OpenDocument(index)))
        m_prompt.tell(Msg::WebOpenFailed, Icon::Exclamation,
                      std::string(LoadString(Msg::WebOpenFailed)) + "\n" + index);
}

void CNotebook::StopWebExport()
{
    if (m_webExport)
        m_webExport->job.stop(m_host);
}
