#pragma once
// Where the program's files are; every path of Kelto.ini, the notebooks' root and the files that
// ship beside the program comes from here.
//
// Portable: the program folder can be written (the build's folder, a USB stick, an unpacked
// archive). Kelto.ini and the notebooks' folder "data" lie beside the program.
// Installed: it cannot (a package installed once for every user of a machine). Kelto.ini lies in
// the user's configuration folder ($XDG_CONFIG_HOME/kelto), the notebooks in the user's documents
// folder under "Kelto", and the files the program only reads (Layout.ini, Print.ini, Weather.ini,
// Kelto.txt, the page backgrounds, the help) are taken from the configuration folder when the
// user has a copy there, else from beside the program.
#include <string>
#include <string_view>

enum class FolderMode { Portable, Installed };

class AppFolders {
public:
    // The mode this user finds the program folder in, with the user's folders taken from the
    // environment (XDG_CONFIG_HOME, the documents folder named in user-dirs.dirs, HOME).
    static AppFolders ForProgram(std::string programFolder);
    static AppFolders Portable(std::string programFolder);
    static AppFolders Installed(std::string programFolder, std::string configFolder,
                                std::string documentsRoot);

    FolderMode mode() const { return m_mode; }
    const char* modeName() const { return m_mode == FolderMode::Portable ? "portable" : "installed"; }
    const std::string& programFolder() const { return m_programFolder; }
    // Kelto.ini, the only settings file the program writes.
    const std::string& settingsFile() const { return m_settingsFile; }
    // The user's folder of their own copies of read-only files; empty when portable.
    const std::string& userFolder() const { return m_userFolder; }
    // Relative FolderPath values of Kelto.ini lie in this folder; a data root outside it is
    // confirmed by the user before it is taken.
    const std::string& dataAnchor() const { return m_dataAnchor; }
    // The FolderPath value when Kelto.ini holds none.
    const std::string& defaultFolderPath() const { return m_defaultFolderPath; }
    // A file the program only reads, named relative to the program folder.
    std::string kitFile(const std::string& name) const;
    // The notebooks' root when Kelto.ini names none: "data" beside the program, or the user's
    // documents folder's Kelto.
    std::string defaultDataRoot() const;
    // Makes the folders a first start writes to when they are missing: the default notebooks'
    // root (an unpacked copy may lack it) and, installed, the user's settings folder. False when
    // one cannot be made.
    [[nodiscard]] bool MakeFolders() const;

    // The folders the environment names, by the base directory rules of the desktop: a value
    // that is not an absolute path counts as unset. The home folder: $HOME, else the user's
    // entry in the password database. The settings' parent: $XDG_CONFIG_HOME, else
    // ~/.config. The folder of the per-user single-instance lock: $XDG_RUNTIME_DIR, else /tmp.
    static std::string HomeFolder();
    static std::string ConfigHome();
    static std::string RuntimeFolder();
    // Removes the base directory variables that hold no absolute path from the environment, so
    // that no library takes them for a folder relative to the current one (and makes it).
    static void IgnoreRelativeEnvironment();

private:
    AppFolders() = default;
    FolderMode m_mode = FolderMode::Portable;
    std::string m_programFolder, m_settingsFile, m_userFolder, m_dataAnchor, m_defaultFolderPath;
};

// A path as one line of text: a backslash and each control character escaped ("\\", "\n",
// "\t", "\r", "\x1b"), so a name holding a line break never reads as a line of its own.
std::string EscapedLine(std::string_view text);

// Whether this process may keep its files in `folder`. Root may write anywhere, so for root
// the folder's own write bits decide, and a folder under /usr (the package manager's) never is.
bool ProgramFolderWritable(const std::string& folder);
