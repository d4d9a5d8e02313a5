#include "platform/EditorLauncher.h"

#include "platform/Files.h"
#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool executable(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty()
           || (program.contains('/') && QFileInfo(program).isExecutable());
}

std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

// The Exec line of a desktop entry without its field codes (the memo path is appended instead).
QStringList desktopExec(const QString& desktopFile, bool* terminal)
{
    QStringList dirs;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs << (home.isEmpty() ? QDir::homePath() + "/.local/share" : home);
    QString data = qEnvironmentVariable("XDG_DATA_DIRS");
    dirs << (data.isEmpty() ? QString("/usr/local/share:/usr/share") : data).split(':', Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        std::string bytes;
        if (!ReadChosenFileBytes((dir + "/applications/" + desktopFile).toStdString(), bytes))
            continue;
        QString exec;
        bool inEntry = false;
        *terminal = false;
        for (const QString& raw : QString::fromUtf8(bytes.data(), bytes.size()).split('\n')) {
            QString line = raw.trimmed();
            if (line.startsWith('['))
                inEntry = line == "[Desktop Entry]";
            else if (inEntry && line.startsWith("Exec=") && exec.isEmpty())
                exec = line.mid(5);
            else if (inEntry && line.startsWith("Terminal="))
                *terminal = line.mid(9).trimmed() == "true";
        }
        QStringList parts;
        for (QString arg : QProcess::splitCommand(exec)) {
            if (arg.size() == 2 && arg[0] == '%' && arg[1] != '%')
                continue;
            arg.replace("%%", "%");
            parts << arg;
        }
        return parts;
    }
    return {};
}

// Swallows the clicks and keys that arrived while the editor ran.
class InputDiscarder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            return true;
        default:
            return false;
        }
    }
};

}  // namespace

ProcessEditorLauncher::ProcessEditorLauncher() = default;

ProcessEditorLauncher::~ProcessEditorLauncher()
{
    if (m_process)
        waitForFinish();
}

std::vector<std::string> ProcessEditorLauncher::findEditor()
{
    QString configured = qEnvironmentVariable("KELTO_EDITOR").trimmed();
    if (!configured.isEmpty()) {
        if (QFileInfo(configured).isFile())
            return {configured.toStdString()};
        return toStd(QProcess::splitCommand(configured));
    }
    if (executable("xdg-mime")) {
        QProcess query;
        query.start("xdg-mime", {"query", "default", "text/plain"});
        if (query.waitForFinished(3000)) {
            QString desktop = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
            bool terminal = false;
            QStringList command = desktop.isEmpty() ? QStringList() : desktopExec(desktop, &terminal);
            // A terminal program would need a terminal the user may not have, and an editor
            // that the pupil does not know: the memo window does better.
            if (!command.isEmpty() && !terminal && executable(command.first()))
                return toStd(command);
        } else {
            query.kill();
            query.waitForFinished(1000);
        }
    }
    // Options that make an editor wait for its window instead of handing the file to a
    // running instance and returning at once.
    const QStringList candidates[] = {{"gedit", "--wait"}, {"mousepad"}, {"kate", "-b"}, {"xed"},
                                      {"pluma"},           {"leafpad"},  {"geany", "-i"}};
    for (const QStringList& c : candidates)
        if (executable(c.first()))
            return toStd(c);
    return {};
}

bool ProcessEditorLauncher::hasEditor()
{
    if (!m_editor)
        m_editor = findEditor();
    return !m_editor->empty();
}

Msg ProcessEditorLauncher::advice()
{
    return qEnvironmentVariable("KELTO_EDITOR").trimmed().isEmpty() ? Msg::EditorInstallAdvice
                                                                    : Msg::EditorSettingAdvice;
}

Result ReadMemoText(const std::string& path, MemoText& memo)
{
    // Far more than a pupil writes in a day; a larger file is no memo this window should hold.
    constexpr size_t kMemoLimit = 1 << 20;
    memo = MemoText{};
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
        return {};
    std::string bytes;
    if (!ReadFileBytes(path, bytes, kMemoLimit + 1) || bytes.size() > kMemoLimit)
        return Result::Failed(Msg::FileReadFailed, path);
    size_t bom = 0;
    memo.encoding = DetectFileEncoding(bytes, &bom);
    memo.bom = bom > 0;
    std::string text = DecodeText(std::string_view(bytes).substr(bom), memo.encoding);
    memo.crlf = text.find("\r\n") != std::string::npos;
    std::string lf;
    lf.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    memo.text = std::move(lf);
    return {};
}

Result WriteMemoText(const std::string& path, const MemoText& memo)
{
    std::string text;
    text.reserve(memo.text.size());
    for (char c : memo.text) {
        if (c == '\n' && memo.crlf)
            text += '\r';
        text += c;
    }
    bool ok = true;
    std::string bytes = EncodeFileText(text, memo.encoding, &ok);
    if (!ok)
        return Result::Failed(Msg::TextNotStorable, path);
    if (memo.bom && memo.encoding == TextEncoding::Utf8)
        bytes.insert(0, "\xEF\xBB\xBF");
    return WriteFileAtomic(path, bytes);
}

std::string ProcessEditorLauncher::reachableName(const std::string& path)
{
    removeLink();
    if (QString::fromStdString(path).toStdString() == path)
        return path;
    // A folder named in Shift-JIS (a notebook from a Windows archive) has no UTF-8 name to pass
    // to the editor: it gets a link with a plain name for as long as the editor runs.
    std::string dir = QDir::tempPath().toStdString() + "/kelto-memo-XXXXXX";
    if (!mkdtemp(dir.data()))
        return path;
    std::string link = dir + "/notebook";
    if (::symlink(ParentFolder(path).c_str(), link.c_str()) != 0) {
        ::rmdir(dir.c_str());
        return path;
    }
    m_linkFolder = dir;
    return JoinPath(link, LastComponent(path));
}

void ProcessEditorLauncher::removeLink()
{
    if (m_linkFolder.empty())
        return;
    ::unlink((m_linkFolder + "/notebook").c_str());
    ::rmdir(m_linkFolder.c_str());
    m_linkFolder.clear();
}

bool ProcessEditorLauncher::start(const std::string& path)
{
    // One editor at a time: a second start would orphan the first one's wait.
    if (m_process)
        return false;
    // The editor is looked up again for the next start.
    const bool found = hasEditor();
    const std::vector<std::string> editor = *m_editor;
    m_editor.reset();
    if (!found)
        return false;
    auto process = std::make_unique<QProcess>();
    QStringList args;
    for (size_t i = 1; i < editor.size(); ++i)
        args << QString::fromStdString(editor[i]);
    args << QString::fromStdString(reachableName(path));
    process->setProgram(QString::fromStdString(editor[0]));
    process->setArguments(args);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(10000)) {
        removeLink();
        return false;
    }
    m_process = std::move(process);
    return true;
}

int ProcessEditorLauncher::waitForFinish()
{
    if (!m_process)
        return -1;
    {
        // Work that workers queued for this thread would otherwise run inside the wait, in
        // the middle of the operation that opened the editor.
        UiThread::DeferCalls defer;
        if (QCoreApplication::instance() && UiThread::isCurrent()) {
            // Repaints go on; clicks, keys and commands wait outside the queue until the editor ends.
            QEventLoop loop;
            QObject::connect(m_process.get(), &QProcess::finished, &loop, &QEventLoop::quit);
            if (m_process->state() != QProcess::NotRunning)
                loop.exec(QEventLoop::ExcludeUserInputEvents);
        } else {
            m_process->waitForFinished(-1);
        }
        if (QCoreApplication* app = QCoreApplication::instance(); app && UiThread::isCurrent()) {
            InputDiscarder discarder;
            app->installEventFilter(&discarder);
            QCoreApplication::processEvents();
            app->removeEventFilter(&discarder);
        }
    }
    int code = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
    m_process.reset();
    removeLink();
    return code;
}
