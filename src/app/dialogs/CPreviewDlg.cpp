#include "app/dialogs/CPreviewDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

CPreviewDlg::CPreviewDlg(const PreviewSheets& sheets, QWidget* parent) : QDialog(parent), m_sheets(sheets)
{
    setObjectName(QString::number(DialogId::Preview));
    setWindowTitle(QStringLiteral("印刷プレビュ"));

    auto readOnly = [this](int id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(48);
        return edit;
    };
    auto button = [this](int id, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_number = readOnly(IdSheet);
    m_count = readOnly(IdSheets);
    m_previous = button(IdPrevious, "前ページ");
    m_next = button(IdNext, "次ページ");
    auto* print = button(IdPrint, "印刷");
    print->setDefault(true);
    auto* close = button(IdClose, "閉じる");
    m_previous->setEnabled(false);
    m_next->setEnabled(false);

    auto* numbers = new QHBoxLayout;
    numbers->addWidget(m_number);
    numbers->addWidget(new QLabel(QStringLiteral("/"), this));
    numbers->addWidget(m_count);
    auto* controls = new QVBoxLayout;
    controls->addLayout(numbers);
    for (QPushButton* b : {m_previous, m_next, print, close})
        controls->addWidget(b);
    controls->addStretch();

    // The sheet takes the space at (16, 16); the controls stand to its right.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kSheetLeft, kSheetTop, kSheetLeft, kSheetTop);
    layout->setSpacing(16);
    layout->addSpacing(std::max(1, m_sheets.shownSize.width()));
    layout->addLayout(controls);
    setMinimumHeight(m_sheets.shownSize.height() + 2 * kSheetTop);

    connect(m_previous, &QPushButton::clicked, this, [this] { TurnPreviewPage(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { TurnPreviewPage(+1); });
    connect(print, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    m_count->setText(QString::number(m_sheets.count));
    showSheet(0);
}

void CPreviewDlg::TurnPreviewPage(int direction)
{
    const int sheet = m_sheet + direction;
    if (sheet < 0 || sheet >= m_sheets.count)
        return;
    showSheet(sheet);
}

void CPreviewDlg::showSheet(int sheet)
{
    m_sheet = sheet;
    // Each turn draws the sheet afresh from the day records: nothing is kept between sheets.
    const QImage full = m_sheets.sheet ? m_sheets.sheet(sheet) : QImage();
    const QSize size = m_sheets.shownSize;
    m_shown = full.isNull() || size.isEmpty()
                  ? QImage()
                  : full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_number->setText(QString::number(sheet + 1));
    m_previous->setEnabled(sheet > 0);
    m_next->setEnabled(sheet + 1 < m_sheets.count);
    update();
}

void CPreviewDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (m_shown.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPoint(kSheetLeft, kSheetTop), m_shown);
}
