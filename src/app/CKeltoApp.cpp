#include "app/CKeltoApp.h"

#include "app/CMainFrame.h"

#include <QFont>
#include <QFontDatabase>

CKeltoApp::CKeltoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Kelto");
    // Japanese glyphs come from IPA Gothic where it is installed.
    for (const char* family : {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP"}) {
        if (QFontDatabase::hasFamily(family)) {
            QFont f(family);
            f.setPointSize(10);
            setFont(f);
            break;
        }
    }
}

CKeltoApp::~CKeltoApp() = default;

bool CKeltoApp::InitInstance(const std::string& commandLine)
{
    m_frame = std::make_unique<CMainFrame>(applicationDirPath().toStdString(), commandLine);
    m_frame->show();
    return true;
}
