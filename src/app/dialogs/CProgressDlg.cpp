#include "app/dialogs/CProgressDlg.h"

#include "platform/UiThread.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint)
{
    setObjectName("148");
    setModal(false);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("1046");
    m_bar->setMinimumWidth(280);
    m_stop = new QPushButton(QString::fromUtf8("中止"), this);
    m_stop->setObjectName("1047");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_progress.cancel(); });
}

void CProgressDlg::start(const QString& caption)
{
    m_progress.reset();
    setWindowTitle(caption);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    show();
    raise();
}

void CProgressDlg::finish()
{
    hide();
    m_bar->setValue(0);
}

void CProgressDlg::reject()
{
    m_progress.cancel();
}

namespace {
template <class F>
void onUi(QPointer<CProgressDlg> guard, F f)
{
    UiThread::post([guard, f] {
        if (guard)
            f(*guard);
    });
}
}  // namespace

void CProgressDlg::Forwarder::setRange(int maximum)
{
    onUi(m_dlg.m_self, [maximum](CProgressDlg& d) { d.m_bar->setRange(0, std::max(1, maximum)); });
}

void CProgressDlg::Forwarder::setValue(int value)
{
    onUi(m_dlg.m_self, [value](CProgressDlg& d) { d.m_bar->setValue(value); });
}

void CProgressDlg::Forwarder::setText(const std::string& text)
{
    onUi(m_dlg.m_self, [t = QString::fromStdString(text)](CProgressDlg& d) { d.setWindowTitle(t); });
}
