#include "app/Dialogs.h"

#include "app/CMainFrame.h"
#include "app/CNoteView.h"
#include "app/CNotebook.h"
#include "platform/Prompt.h"
#include "store/DataFolders.h"

int RunStoreDialog(CMainFrame&, int, int)
{
    return 0;
}

StartChoice RunStartDialog(CMainFrame& frame)
{
    // Opens the notebook remembered in Kelto.ini.
    CNotebook& nb = frame.view()->notebook();
    if (!IsNotebookFolder(nb.NotebookFolder)) {
        nb.prompt().ask(0, Buttons::Ok, Icon::Stop,
                        "開くデータがありません。データフォルダーを指定して起動してください。\n"
                        "No notebook to open: start Kelto with a notebook folder.");
        return StartChoice::EndProgram;
    }
    return StartChoice::Open;
}

bool RunStoreCommand(CMainFrame&, int)
{
    return false;
}
