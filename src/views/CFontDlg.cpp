#include "views/CFontDlg.h"

int RunFontDialog(CNotebook&, QWidget*)
{
    return 0;
}
