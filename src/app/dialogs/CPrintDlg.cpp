#include "app/dialogs/CPrintDlg.h"

#include "platform/qt/QtDialogButtons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
template <class Control>
Control* addControl(QWidget* parent, QLayout* layout, int id, const char* text)
{
    auto* c = new Control(QString::fromUtf8(text), parent);
    c->setObjectName(QString::number(id));
    layout->addWidget(c);
    return c;
}
}  // namespace

CPrintDlg::CPrintDlg(const PrintDialogOps& ops, QWidget* parent) : QDialog(parent), m_ops(ops)
{
    setObjectName(QString::number(DialogId::Print));
    setWindowTitle(QStringLiteral("印刷設定"));

    auto* kinds = new QGroupBox(this);
    auto* kindRows = new QVBoxLayout(kinds);
    m_detail = addControl<QCheckBox>(kinds, kindRows, IdDetail, "詳細データ");
    m_graph = addControl<QCheckBox>(kinds, kindRows, IdGraph, "グラフ");
    m_list = addControl<QCheckBox>(kinds, kindRows, IdList, "一覧表");

    auto* range = new QGroupBox(this);
    auto* rangeRows = new QVBoxLayout(range);
    auto* group = new QButtonGroup(this);
    m_page =
        addControl<QRadioButton>(range, rangeRows, IdShownPage, "現在表示中の詳細ページのみ(グラフはその月)");
    m_month = addControl<QRadioButton>(range, rangeRows, IdShownMonth, "現在表示中の月のみ");
    m_all = addControl<QRadioButton>(range, rangeRows, IdAllData, "すべてのデータ");
    for (QRadioButton* r : {m_page, m_month, m_all})
        group->addButton(r);

    m_detail->setChecked(true);
    if (ops.detailView) {
        m_page->setChecked(true);
    } else {
        m_month->setChecked(true);
        m_page->setEnabled(false);
    }

    auto* body = new QVBoxLayout;
    body->addWidget(kinds);
    body->addWidget(range);
    auto* preview = new QPushButton(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭ"), this);
    preview->setObjectName(QString::number(IdPreview));
    preview->setAutoDefault(false);
    const DialogButtons buttons = AddDialogButtons(*this, body, m_all, preview);
    buttons.ok->setText(QStringLiteral("印刷"));
    connect(preview, &QPushButton::clicked, this, [this] {
        // Printing from the preview ends this dialog too; closing the preview keeps it.
        if (anyKindTicked() && m_ops.preview && m_ops.preview(ReadPrintOptions()))
            QDialog::accept();
    });
    // Without a kind of page there is nothing to print or preview.
    auto follow = [this, print = buttons.ok, preview] {
        print->setEnabled(anyKindTicked());
        preview->setEnabled(anyKindTicked());
    };
    for (QCheckBox* kind : {m_detail, m_graph, m_list})
        connect(kind, &QCheckBox::toggled, this, follow);
    follow();
}

bool CPrintDlg::anyKindTicked() const
{
    return m_detail->isChecked() || m_graph->isChecked() || m_list->isChecked();
}

PrintOptions CPrintDlg::ReadPrintOptions() const
{
    PrintOptions o;
    o.detail = m_detail->isChecked();
    o.graph = m_graph->isChecked();
    o.list = m_list->isChecked();
    o.range = m_month->isChecked() ? PrintRange::ShownMonth
              : m_all->isChecked() ? PrintRange::AllData
                                   : PrintRange::ShownPage;
    return o;
}

void CPrintDlg::accept()
{
    if (!anyKindTicked())
        return;
    // The dialog closes whether or not the system print dialog was confirmed.
    if (m_ops.print)
        m_ops.print(ReadPrintOptions());
    QDialog::accept();
}
