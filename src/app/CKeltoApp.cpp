#include "app/CKeltoApp.h"

#include "app/CMainFrame.h"
#include "app/CNotebook.h"
#include "platform/Words.h"
#include "res/AppIdentity.h"

#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}
}  // namespace

CKeltoApp::CKeltoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Kelto");
    setApplicationVersion(QString::fromLatin1(kKeltoVersion));
    UseJapaneseConventions();
    // The interface is Japanese whatever the locale: Qt's own buttons (はい/いいえ, キャンセル) too.
    Words::InstallJapanese(*this);
    // Japanese glyphs come from IPA Gothic where it is installed.
    for (const char* family : {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP"}) {
        if (QFontDatabase::hasFamily(family)) {
            QFont f(family);
            f.setPointSize(10);
            setFont(f);
            break;
        }
    }
    watchTerminationSignals();
}

void CKeltoApp::UseJapaneseConventions()
{
    // Dates, calendars and numbers of every widget made afterwards follow Japanese conventions
    // (weeks start on Sunday), whatever the system locale.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

void CKeltoApp::watchTerminationSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        char c;
        while (::read(g_signalPipe[0], &c, 1) > 0) {}
        // Leaves every event loop, open dialogs included, without the close question (quit()
        // would ask it); the frame is then destroyed and the controller's shutdown writes the day.
        // Nothing asks anything from here on: no dialog may keep the process waiting.
        TerminationRequested = true;
        QCoreApplication::exit(0);
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &sa, nullptr);
}

CKeltoApp::~CKeltoApp() = default;

bool CKeltoApp::InitInstance(const std::string& commandLine)
{
    m_frame = std::make_unique<CMainFrame>(applicationDirPath().toStdString(), commandLine);
    m_frame->show();
    return true;
}
