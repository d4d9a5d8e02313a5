#include "app/CMainFrame.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtFolderDialog.h"

#include "app/CNoteView.h"
#include "app/CNotebook.h"
#include "app/Dialogs.h"
#include "app/dialogs/CFontDlg.h"
#include "platform/Prompt.h"
#include "res/AppIdentity.h"
#include "res/Icons.h"
#include "res/Strings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtGui/qguiapplication_platform.h>

#include <dlfcn.h>

namespace {
constexpr int kFrameWidth = 799;
constexpr int kFrameHeight = 599;
constexpr int kIdleMs = 250;

QIcon ToolIcon(Command command)
{
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(QPixmap::fromImage(ToolBarPicture(CommandId(command), size)));
    return icon;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(AppIconPicture(size)));
    return icon;
}

// Lock-key states for the status-bar indicators: bit 0 caps, 1 num, 2 scroll; -1 when the
// display cannot tell (no X11 display, e.g. offscreen). Xlib is looked up at run time so the
// program needs no X11 development files to build.
int LockKeyStates()
{
#if QT_CONFIG(xcb)
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return -1;
    using InternAtom = unsigned long (*)(Display*, const char*, int);
    using GetNamedIndicator = int (*)(Display*, unsigned long, int*, int*, void*, int*);
    static void* lib = dlopen("libX11.so.6", RTLD_LAZY);
    static auto intern = lib ? reinterpret_cast<InternAtom>(dlsym(lib, "XInternAtom")) : nullptr;
    static auto getIndicator =
        lib ? reinterpret_cast<GetNamedIndicator>(dlsym(lib, "XkbGetNamedIndicator")) : nullptr;
    if (!intern || !getIndicator)
        return -1;
    static const unsigned long atoms[3] = {intern(display, "Caps Lock", 0), intern(display, "Num Lock", 0),
                                           intern(display, "Scroll Lock", 0)};
    int bits = 0;
    for (int i = 0; i < 3; ++i) {
        int on = 0;
        if (getIndicator(display, atoms[i], nullptr, &on, nullptr, nullptr) && on)
            bits |= 1 << i;
    }
    return bits;
#else
    return -1;
#endif
}

QLabel* Indicator(const char* text)
{
    auto* label = new QLabel(QString::fromLatin1(text));
    label->setObjectName(QString::fromLatin1(text));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    label->setEnabled(false);
    return label;
}
}  // namespace

CMainFrame::CMainFrame(const std::string& programFolder, const std::string& commandLine, Prompt* prompt,
                       const std::string& lockName)
{
    setWindowTitle(QString::fromUtf8(LoadString(kAppName)));
    setWindowIcon(AppIcon());
    // An overlapped window without the maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_view = new CNoteView(this, programFolder, commandLine, prompt, lockName);
    m_prompt = &m_view->notebook().prompt();
    // The sunken edge sits around the client window, so page coordinates start inside it.
    auto* edge = new QFrame(this);
    edge->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(edge);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setCentralWidget(edge);

    buildMenu();
    buildToolBar();
    buildStatusBar();
    resize(kFrameWidth, kFrameHeight);
    updateCommandStates();

    // Toolbar buttons follow the rules between commands, as the menu does when it opens.
    m_idleTimer.setInterval(kIdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::onIdle);
    m_idleTimer.start();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::buildMenu()
{
    QMenu* popups[PopupCount] = {};
    for (int i = 0; i < PopupCount; ++i) {
        popups[i] = menuBar()->addMenu(QString::fromUtf8(kMenuPopups[i]));
        popups[i]->setObjectName(QStringLiteral("popup%1").arg(i));
        connect(popups[i], &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    }
    for (const MenuCommand& c : MenuCommands()) {
        auto* a = new QAction(this);
        a->setObjectName(QString::number(CommandId(c.id)));
        if (c.caption)
            a->setText(QString::fromUtf8(c.caption));
        a->setStatusTip(StatusText(c));
        a->setToolTip(ToolTipText(c));
        a->setIconVisibleInMenu(false);
        if (c.toolbar)
            a->setIcon(ToolIcon(c.id));
        Command id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_actions.insert(c.id, a);
        if (c.popup != PopupNone) {
            popups[c.popup]->addAction(a);
            if (c.separatorAfter)
                popups[c.popup]->addSeparator();
        } else {
            addAction(a);  // no menu item, but still a command of the frame
        }
    }
    // The frame's accelerator: Ctrl+S writes the day being edited.
    m_actions.value(Command::Save)->setShortcut(QKeySequence::Save);
}

void CMainFrame::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolbar128"));
    m_toolBar->setWindowTitle(QString::fromUtf8("ツール バー"));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setIconSize(QSize(24, 24));
    // Words under the icons: a pupil should not have to hover to learn what a button does.
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (size_t i = 0; i < kToolBarOrder.size(); ++i) {
        if (i > 0)
            m_toolBar->addSeparator();
        QAction* a = m_actions.value(kToolBarOrder[i]);
        a->setIconText(QString::fromUtf8(kToolBarCaptions[i]));
        m_toolBar->addAction(a);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusbar"));
    m_capsIndicator = Indicator("CAP");
    m_numIndicator = Indicator("NUM");
    m_scrollIndicator = Indicator("SCRL");
    bar->addPermanentWidget(m_capsIndicator);
    bar->addPermanentWidget(m_numIndicator);
    bar->addPermanentWidget(m_scrollIndicator);
}

void CMainFrame::onIdle()
{
    updateCommandStates();
    updateIndicators();
}

void CMainFrame::updateIndicators()
{
    int bits = LockKeyStates();
    if (bits < 0)
        return;
    m_capsIndicator->setEnabled(bits & 1);
    m_numIndicator->setEnabled(bits & 2);
    m_scrollIndicator->setEnabled(bits & 4);
}

CommandContext CMainFrame::commandContext() const
{
    CNotebook& nb = m_view->notebook();
    CommandContext c;
    c.viewMode = nb.viewMode();
    c.dayCount = nb.dayCount();
    c.internetEnabled = nb.internetEnabled();
    c.toolBarShown = !m_toolBar->isHidden();
    c.statusBarShown = !statusBar()->isHidden();
    c.jobRunning = nb.RunningJob() != Msg::None;
    return c;
}

void CMainFrame::updateCommandStates()
{
    CommandContext context = commandContext();
    for (const MenuCommand& c : MenuCommands()) {
        QAction* a = m_actions.value(c.id);
        CommandState s = EvaluateCommand(c, context);
        // Only a checked item is checkable, so unchecked items show no empty box.
        a->setCheckable(s.checkable && s.checked);
        a->setChecked(s.checked);
        a->setEnabled(s.enabled);
    }
}

void CMainFrame::focusInEvent(QFocusEvent*)
{
    m_view->setFocus();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A second close (the window manager's, while a job is being waited for) is the same one.
    if (m_closing) {
        event->ignore();
        return;
    }
    QScopedValueRollback closing(m_closing, true);
    CNotebook& nb = m_view->notebook();
    // While a long job runs, the one question is whether to stop it.
    const bool quit =
        nb.RunningJob() != Msg::None
            ? nb.AskStopJobToQuit()
            : SkipExitConfirmation
                  || m_prompt->ask(Msg::ConfirmExit, Buttons::YesNo, Icon::Question) == Answer::Yes;
    if (!quit) {
        event->ignore();
        return;
    }
    // The day is written while the window is still there to say what went wrong; a user who
    // stays then finds the job still running.
    if (!nb.PrepareToClose()) {
        event->ignore();
        return;
    }
    nb.StopRunningJob();
    m_idleTimer.stop();
    event->accept();
}

void CMainFrame::runCommand(int commandId)
{
    if (std::optional<Command> command = CommandFromId(commandId))
        runCommand(*command);
}

void CMainFrame::postCommand(Command command)
{
    QTimer::singleShot(0, this, [this, command] { runCommand(command); });
}

void CMainFrame::runCommand(Command command)
{
    if (!EvaluateCommand(FindCommand(command), commandContext()).enabled)
        return;
    CNotebook& nb = m_view->notebook();
    // Page commands need the page buffer, which exists once the start has run.
    bool started = nb.host() != nullptr;
    switch (command) {
    case Command::Calendar:
        if (started)
            nb.SetViewMode(ViewMode::Calendar);
        break;
    case Command::Graph:
        if (started)
            nb.SetViewMode(ViewMode::Graph);
        break;
    case Command::List:
        if (started)
            nb.SetViewMode(ViewMode::List);
        break;
    case Command::PreviousDay:
        nb.StepDay(-1);
        break;
    case Command::NextDay:
        nb.StepDay(+1);
        break;
    case Command::Help:
        nb.ShowHelpDocument();
        break;
    case Command::About: {
        QDialog* about = createAboutDialog(this);
        about->exec();
        delete about;
        break;
    }
    case Command::Exit:
        close();
        break;
    case Command::ToolBar:
        m_toolBar->setVisible(m_toolBar->isHidden());
        break;
    case Command::StatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        break;
    case Command::PrintFont:
        RunFontDialog(nb, this);
        break;
    case Command::Print:
        if (started)
            nb.Print();
        break;
    case Command::GraphSettings:
        if (started)
            nb.EditGraphSettings();
        break;
    case Command::ListSettings:
        if (started)
            nb.EditListSettings();
        break;
    case Command::NotebookSettings:
    case Command::Entry:
    case Command::ChangeData:
    case Command::FetchWeather:
    case Command::EditMemo:
    case Command::DeleteDay:
    case Command::Save:
        RunStoreCommand(*this, command);
        break;
    case Command::BulkWeather:
        nb.StartBulkWeatherFetch();
        break;
    case Command::InternetSettings:
        nb.EditInternetSettings();
        break;
    case Command::ImportPhoto:
    case Command::ImportPhotoRotated: {
        QtFileChooser chooser(this);
        nb.ImportPhoto(command == Command::ImportPhotoRotated, chooser);
        break;
    }
    case Command::BulkImport: {
        QtFolderDialog browser(this);
        nb.StartBulkImport(browser);
        break;
    }
    case Command::EditAnimation:
    case Command::Animation:
        nb.RunAnimation(command == Command::Animation ? AnimationMode::Display : AnimationMode::Edit);
        break;
    case Command::ExportAvi: {
        QtFileChooser chooser(this);
        nb.StartVideoExport(chooser);
        break;
    }
    }
    updateCommandStates();
}

QDialog* CMainFrame::createAboutDialog(QWidget* parent)
{
    auto* dlg = new QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dlg->setObjectName(QString::number(DialogId::About));
    dlg->setWindowTitle(QString::fromUtf8("Keltoのバージョン情報"));
    auto* icon = new QLabel(dlg);
    icon->setPixmap(QPixmap::fromImage(AppIconPicture(32)));
    icon->setAlignment(Qt::AlignTop);
    auto* name = new QLabel(QString::fromUtf8("Kelto バージョン %1").arg(QLatin1String(kKeltoVersion)), dlg);
    name->setObjectName(QStringLiteral("version"));
    auto* maker = new QLabel(QString::fromUtf8("学校の植物観察ノート"), dlg);
    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(maker);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    auto* layout = new QVBoxLayout(dlg);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return dlg;
}
