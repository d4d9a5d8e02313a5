#include "platform/AppFolders.h"

#include "platform/Files.h"

#include <QDir>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace {
std::string withoutTrailingSeparators(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// A folder named by the environment counts only as an absolute path: a relative or empty value
// is ignored, as the base directory rules of the desktop have it.
std::string absoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? withoutTrailingSeparators(value) : std::string();
}

// The documents folder that user-dirs.dirs in `configHome` names, else home's "Documents".
std::string documentsFolder(const std::string& home, const std::string& configHome)
{
    std::string dirs;
    if (ReadFileBytes(JoinPath(configHome, "user-dirs.dirs"), dirs) && dirs.size() < 64 * 1024) {
        constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
        for (size_t at = 0; at < dirs.size();) {
            size_t end = dirs.find('\n', at);
            std::string_view line =
                std::string_view(dirs).substr(at, end == std::string::npos ? end : end - at);
            at = end == std::string::npos ? dirs.size() : end + 1;
            if (line.substr(0, kKey.size()) != kKey || line.size() < kKey.size() + 1 || line.back() != '"')
                continue;
            std::string_view value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
            if (value == "$HOME" || value.substr(0, 6) == "$HOME/")
                return withoutTrailingSeparators(home + std::string(value.substr(5)));
            if (!value.empty() && value[0] == '/')
                return withoutTrailingSeparators(std::string(value));
        }
    }
    return JoinPath(home, "Documents");
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
    const std::string config = ConfigHome();
    return Installed(std::move(programFolder), JoinPath(config, "kelto"),
                     JoinPath(documentsFolder(HomeFolder(), config), "Kelto"));
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

std::string AppFolders::HomeFolder()
{
    std::string home = absoluteEnv("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
            home = withoutTrailingSeparators(pw->pw_dir);
    }
    return home.empty() ? "/" : home;
}

std::string AppFolders::ConfigHome()
{
    std::string config = absoluteEnv("XDG_CONFIG_HOME");
    return config.empty() ? JoinPath(HomeFolder(), ".config") : config;
}

std::string AppFolders::RuntimeFolder()
{
    std::string dir = absoluteEnv("XDG_RUNTIME_DIR");
    return dir.empty() ? "/tmp" : dir;
}

void AppFolders::IgnoreRelativeEnvironment()
{
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        if (absoluteEnv(name).empty())
            ::unsetenv(name);
}

std::string EscapedLine(std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (b < 0x20 || b == 0x7F)
            out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
        else
            out += c;
    }
    return out;
}
