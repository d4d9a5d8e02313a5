#include "app/NotebookSettings.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "platform/TextCodec.h"
#include "res/Strings.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"

#include <QDir>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

const char* const kNotCp932Message =
    "入力した文字の中に、保存できない文字（機種依存文字や絵文字など）が含まれています。\n"
    "別の文字に置き換えてください。";

namespace {

// Bytes of one settings field in the notebook file (Shift-JIS), as a reader with a buffer of
// 260 bytes takes it whole.
constexpr size_t kFieldLimit = 259;

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// A field as the notebook file keeps it: one line (a pasted line break becomes a space), at
// most kFieldLimit bytes in Shift-JIS, never cut inside a character.
std::string limited(const std::string& text)
{
    return CutCp932(IniFile::OneLine(text), kFieldLimit);
}

// Writes the place's data root to Kelto.ini; a value that names it already is kept as written.
bool rememberDataRoot(const NotebookPlace& place)
{
    const TextSetting& s = KeltoIni::FolderPath;
    const std::string stored = IniFile::ReadString(place.settingsFile, s.section, s.key, "");
    return WriteSettingText(place.settingsFile, s, KeptFolderPath(place.dataAnchor, place.dataRoot, stored))
        .ok();
}

bool pathExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Renames without ever replacing an existing entry; errno EEXIST when the name is taken.
[[nodiscard]] bool renameNoReplace(const std::string& from, const std::string& to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // File systems without the flag: check first (rename would replace an empty folder).
    if (pathExists(to)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

NotebookList FillNotebookList(const NotebookPlace& place)
{
    NotebookList list;
    list.rows = ListNotebooks(place.dataRoot);
    // The exact folder wins; otherwise one that differs only in letter case.
    for (size_t i = 0; i < list.rows.size(); ++i) {
        std::string folder = JoinPath(place.dataRoot, list.rows[i].folderName);
        if (folder == place.notebookFolder) {
            list.selected = static_cast<int>(i);
            break;
        }
        if (list.selected < 0 && sameIgnoringCase(folder, place.notebookFolder))
            list.selected = static_cast<int>(i);
    }
    return list;
}

bool SelectNotebook(NotebookPlace& place, Prompt& prompt, const std::string* folderName)
{
    if (!folderName || folderName->empty()) {
        prompt.tell(Msg::NoNotebookSelected, Icon::Exclamation);
        return false;
    }
    // Kelto.ini keeps the data name as text; a folder made on Windows is found again by the
    // CP932 form of that text.
    std::string dataName = DataNameOfFolder(*folderName);
    // Both keys together find the notebook again: when either is not written the choice is
    // not remembered, and the user hears it.
    bool remembered = rememberDataRoot(place);
    remembered = CanRememberDataName(dataName) && remembered
                 && WriteSettingText(place.settingsFile, KeltoIni::DataName, dataName).ok();
    if (!remembered)
        TellDataNameNotRemembered(prompt, dataName);
    place.notebookFolder = JoinPath(place.dataRoot, *folderName);
    return true;
}

void TellDataNameNotRemembered(Prompt& prompt, const std::string& dataName)
{
    std::string text = LoadString(Msg::DataNameNotRemembered);
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, dataName);
    prompt.ask(Msg::None, Buttons::Ok, Icon::Exclamation, text);
}

NotebookSettingsFields FillSettingsDialog(const NotebookPlace& place, const std::optional<QDate>& start,
                                          SettingsMode mode)
{
    NotebookInfo info = ReadNotebookInfo(place.notebookFolder);
    NotebookSettingsFields f;
    f.SchoolName = info.SchoolName;
    f.GradeNo = info.GradeNo;
    f.ClassName = info.ClassName;
    f.StudentNo = info.StudentNo;
    f.StudentName = info.StudentName;
    f.KindName = info.KindName;
    f.Option1 = info.hasOption1 ? info.Option1 : kFreeItemDefaultCaption1;
    f.Option2 = info.hasOption2 ? info.Option2 : kFreeItemDefaultCaption2;
    if (mode == SettingsMode::Edit)
        f.DataName = DataNameOfFolder(LastComponent(place.notebookFolder));
    f.StartDate = (mode == SettingsMode::Edit && start) ? *start : Clock::Today();
    return f;
}

bool ApplySettingsDialog(NotebookPlace& place, std::optional<QDate>& startDate, Prompt& prompt,
                         SettingsMode mode, const NotebookSettingsFields& fields)
{
    std::string name = limited(fields.DataName);
    if (name.empty()) {
        prompt.tell(Msg::NoDataName, Icon::Exclamation);
        return false;
    }
    // A separator or a dot name would reach outside the data root.
    if (!IsSafeFolderName(name)) {
        prompt.tell(Msg::DataFolderCreateFailed, Icon::Exclamation);
        return false;
    }
    NotebookInfo info;
    info.KindName = limited(fields.KindName);
    info.SchoolName = limited(fields.SchoolName);
    info.GradeNo = limited(fields.GradeNo);
    info.ClassName = limited(fields.ClassName);
    info.StudentNo = limited(fields.StudentNo);
    info.StudentName = limited(fields.StudentName);
    info.Option1 = limited(fields.Option1);
    info.Option2 = limited(fields.Option2);
    // Kelto.dat and Kelto.ini are Shift-JIS: refuse what they cannot hold before touching anything,
    // and take every text as it will read back (〜 U+301C, which Japanese input here produces,
    // reads back as ～ U+FF5E), so the folder's name and the name Kelto.ini remembers are equal.
    // An unchanged folder name is not written anywhere, so it may stay as the file system has it.
    std::string currentName = DataNameOfFolder(LastComponent(place.notebookFolder));
    bool nameWritten = mode == SettingsMode::New || !sameIgnoringCase(name, currentName);
    bool fits = true;
    if (nameWritten) {
        name = NormaliseForCp932(name, &fits);
        // A folder whose name starts with "." is hidden and never listed: refused with its reason.
        if (!name.empty() && name[0] == '.') {
            prompt.ask(Msg::None, Buttons::Ok, Icon::Exclamation, LoadString(Msg::DataNameLeadingPeriod));
            return false;
        }
        if (fits && !IsSafeFolderName(name)) {
            prompt.tell(Msg::DataFolderCreateFailed, Icon::Exclamation);
            return false;
        }
        // Only a change of letter case or of look-alike characters: nothing to rename.
        if (mode == SettingsMode::Edit && name == currentName)
            nameWritten = false;
    }
    for (std::string* text : {&info.KindName, &info.SchoolName, &info.GradeNo, &info.ClassName,
                              &info.StudentNo, &info.StudentName, &info.Option1, &info.Option2}) {
        bool ok = true;
        *text = NormaliseForCp932(*text, &ok);
        fits = fits && ok;
    }
    if (!fits) {
        prompt.ask(Msg::None, Buttons::Ok, Icon::Exclamation, kNotCp932Message);
        return false;
    }
    QDate start = fields.StartDate.isValid() ? fields.StartDate : Clock::Today();
    info.StartDate = FormatIniDate(start);

    std::string previousFolder = place.notebookFolder;
    std::string target = JoinPath(place.dataRoot, name);
    bool created = false, renamed = false;
    if (mode == SettingsMode::New) {
        if (!FolderExists(place.dataRoot)) {
            prompt.tell(Msg::DataFolderCreateFailed, Icon::Exclamation);
            return false;
        }
        if (::mkdir(target.c_str(), 0777) != 0) {
            prompt.tell(errno == EEXIST || pathExists(target) ? Msg::DataNameExists
                                                              : Msg::DataFolderCreateFailed,
                        Icon::Exclamation);
            return false;
        }
        created = true;
    } else if (nameWritten) {
        // Renaming onto an existing name would merge two notebooks: never.
        if (!renameNoReplace(place.notebookFolder, target)) {
            prompt.tell(errno == EEXIST || errno == ENOTEMPTY ? Msg::DataNameExists : Msg::DataRenameFailed,
                        Icon::Exclamation);
            return false;
        }
        renamed = true;
    } else {
        target = place.notebookFolder;
    }

    if (Result written = WriteNotebookInfo(target, info); !written) {
        // Undo the folder change so a failed OK leaves things as they were.
        if (created)
            QDir().rmdir(QString::fromStdString(target));
        // A folder that cannot take its old name back stays open under the new one: the
        // notebook is still there, only its name changed.
        if (renamed && !renameNoReplace(target, previousFolder))
            place.notebookFolder = target;
        prompt.tell(written.message, Icon::Exclamation, ResultText(written));
        return false;
    }
    place.notebookFolder = target;
    // The notebook is made or renamed either way; when Kelto.ini cannot keep it the user hears
    // that the next start will not find it by itself.
    bool remembered = true;
    if (created)
        remembered = rememberDataRoot(place);
    if (created || renamed)
        remembered = WriteSettingText(place.settingsFile, KeltoIni::DataName, name).ok() && remembered;
    if (!remembered)
        TellDataNameNotRemembered(prompt, name);
    startDate = start;
    return true;
}

bool ChangeDataRoot(NotebookPlace& place, Prompt& prompt, FolderBrowser& browser)
{
    std::optional<std::string> picked =
        browser.BrowseForFolder(place.dataRoot, LoadString(Msg::ChooseDataFolder), true);
    if (!picked || picked->empty())
        return false;
    std::string chosen = *picked;
    while (chosen.size() > 1 && chosen.back() == '/')
        chosen.pop_back();
    if (!IsInsideAnchor(place.dataAnchor, chosen)
        && prompt.ask(Msg::ConfirmDataRootOutside, Buttons::YesNoDefaultNo, Icon::Question) != Answer::Yes)
        return false;
    place.dataRoot = chosen;
    return true;
}
