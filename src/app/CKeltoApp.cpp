#include "app/CKeltoApp.h"

#include "app/CMainFrame.h"

#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

CKeltoApp::CKeltoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Kelto");
    setApplicationVersion("1.0.0");
    // The interface is Japanese whatever the locale: Qt's own buttons (はい/いいえ, キャンセル) too.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
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
