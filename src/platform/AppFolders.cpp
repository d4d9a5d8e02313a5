#include "platform/AppFolders.h"

#include "platform/Files.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {
std::string withoutTrailingSeparators(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool makeFolder(const std::string& folder)
{
    return !folder.empty() && QDir().mkpath(QString::fromStdString(folder));
}
}  // namespace

bool ProgramFolderWritable(const std::string& folder)
{
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    if (::geteuid() != 0)
        return true;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || (st.st_mode & 0222) == 0)
        return false;
    return folder != "/usr" && folder.rfind("/usr/", 0) != 0;
}

AppFolders AppFolders::Portable(std::string programFolder)
{
    AppFolders f;
    f.m_mode = FolderMode::Portable;
    f.m_programFolder = withoutTrailingSeparators(std::move(programFolder));
    f.m_settingsFile = JoinPath(f.m_programFolder, "Kelto.ini");
    f.m_dataAnchor = f.m_programFolder;
    f.m_defaultFolderPath = "data";
    return f;
}

AppFolders AppFolders::Installed(std::string programFolder, std::string configFolder,
                                 std::string documentsRoot)
{
    AppFolders f;
    f.m_mode = FolderMode::Installed;
    f.m_programFolder = withoutTrailingSeparators(std::move(programFolder));
    f.m_userFolder = withoutTrailingSeparators(std::move(configFolder));
    f.m_settingsFile = JoinPath(f.m_userFolder, "Kelto.ini");
    f.m_dataAnchor = withoutTrailingSeparators(std::move(documentsRoot));
    // Without a FolderPath the notebooks' root is the anchor itself.
    f.m_defaultFolderPath = "";
    return f;
}

AppFolders AppFolders::ForProgram(std::string programFolder)
{
    programFolder = withoutTrailingSeparators(std::move(programFolder));
    if (ProgramFolderWritable(programFolder))
        return Portable(std::move(programFolder));
    const std::string config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
    const std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    return Installed(std::move(programFolder), JoinPath(config, "kelto"), JoinPath(documents, "Kelto"));
}

std::string AppFolders::kitFile(const std::string& name) const
{
    if (m_mode == FolderMode::Installed) {
        std::string own = JoinPath(m_userFolder, name);
        if (FileExists(own))
            return own;
    }
    return JoinPath(m_programFolder, name);
}

std::string AppFolders::defaultDataRoot() const
{
    return m_defaultFolderPath.empty() ? m_dataAnchor : JoinPath(m_dataAnchor, m_defaultFolderPath);
}

bool AppFolders::MakeFolders() const
{
    bool made = m_mode == FolderMode::Portable || makeFolder(m_userFolder);
    return makeFolder(defaultDataRoot()) && made;
}

std::string AppFolders::RuntimeFolder()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return (dir && *dir) ? dir : "/tmp";
}
