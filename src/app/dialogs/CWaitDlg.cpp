#include "app/dialogs/CWaitDlg.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

CWaitDlg::CWaitDlg(const QString& status, std::function<void()> stop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint), m_onStop(std::move(stop))
{
    setObjectName("wait");
    setWindowTitle(QString::fromUtf8("Kelto"));
    setWindowModality(Qt::ApplicationModal);
    auto* text = new QLabel(status, this);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0);  // no end known: the bar keeps moving
    bar->setMinimumWidth(260);
    m_stop = new QPushButton(QString::fromUtf8("中止"), this);
    m_stop->setObjectName("stop");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(bar);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    connect(m_stop, &QPushButton::clicked, this, [this] { stopNow(); });
    QTimer::singleShot(kShowAfterMs, this, [this] { show(); });
}

void CWaitDlg::showEvent(QShowEvent* event)
{
    qApp->installEventFilter(this);
    QDialog::showEvent(event);
}

CWaitDlg::~CWaitDlg()
{
    qApp->removeEventFilter(this);
}

void CWaitDlg::stopNow()
{
    m_stop->setEnabled(false);
    if (m_onStop)
        m_onStop();
}

void CWaitDlg::reject()
{
    stopNow();
}

bool CWaitDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu: {
        auto* w = qobject_cast<QWidget*>(watched);
        return !(w && (w == this || isAncestorOf(w)));
    }
    case QEvent::Close:
        // The window system's close box of another window waits with the rest.
        return event->spontaneous() && watched != this;
    default:
        return false;
    }
}
