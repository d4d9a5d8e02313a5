#pragma once
// Choosing, creating and renaming notebooks: the logic behind the selection dialog and the
// observation data settings dialog. They work on a NotebookPlace value the caller keeps.
#include "platform/FolderBrowser.h"
#include "store/DataFolders.h"

#include <QDate>

#include <optional>
#include <string>
#include <vector>

class Prompt;

// Where the settings and the open notebook are.
struct NotebookPlace {
    std::string dataAnchor;    // relative data roots lie here (AppFolders::dataAnchor)
    std::string settingsFile;  // Kelto.ini
    std::string dataRoot;
    std::string notebookFolder;
};

// What the settings dialog is opened for: the open notebook's settings, or a new notebook.
enum class SettingsMode { Edit, New };

// The fields of the settings dialog.
struct NotebookSettingsFields {
    std::string SchoolName;   // 1015
    std::string GradeNo;      // 1016
    std::string ClassName;    // 1017
    std::string StudentNo;    // 1019
    std::string StudentName;  // 1018
    std::string DataName;     // 1020, the notebook folder's name
    std::string KindName;     // 1021
    QDate StartDate;          // 1002
    std::string Option1;      // 1004
    std::string Option2;      // 1006
};

// The rows of the selection list and the row to select (-1: none).
struct NotebookList {
    std::vector<NotebookListRow> rows;
    int selected = -1;
};

// The notebooks of the data root; the row of the notebook folder is selected.
NotebookList FillNotebookList(const NotebookPlace& place);
// OK of the selection dialog with the chosen row's folder name as the file system holds it
// (null: no row chosen, message 157, false). The choice becomes the place's notebook and is
// remembered in Kelto.ini; the user is told when it cannot be remembered.
bool SelectNotebook(NotebookPlace& place, Prompt& prompt, const std::string* folderName);
// Tells the user that the notebook `dataName` cannot be remembered for the next start.
void TellDataNameNotRemembered(Prompt& prompt, const std::string& dataName);

// The fields as the settings dialog opens in `mode`: both modes start from the notebook file
// of the notebook folder, so a new notebook inherits the pupil data.
NotebookSettingsFields FillSettingsDialog(const NotebookPlace& place, const std::optional<QDate>& startDate,
                                          SettingsMode mode);
// OK of the settings dialog: creates or renames the folder, writes Kelto.dat and Kelto.ini, and
// sets the place's notebook folder and `startDate`. False to stay: a message was shown and
// nothing was changed.
bool ApplySettingsDialog(NotebookPlace& place, std::optional<QDate>& startDate, Prompt& prompt,
                         SettingsMode mode, const NotebookSettingsFields& fields);

// Lets the user pick another data root (message 179 for one outside the program folder).
// True when the place's data root changed; the caller refills the list.
bool ChangeDataRoot(NotebookPlace& place, Prompt& prompt, FolderBrowser& browser);

// The message shown for text that Shift-JIS files cannot hold.
extern const char* const kNotCp932Message;
