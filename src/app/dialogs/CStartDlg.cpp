#include "app/dialogs/CStartDlg.h"

#include "platform/qt/QtFolderDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPalette>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPushButton* makeButton(const char* id, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(id);
    b->setAutoDefault(false);
    return b;
}
}  // namespace

CStartDlg::CStartDlg(NotebookPlace& place, Prompt& prompt, QWidget* parent, FolderBrowser* browser)
    : QDialog(parent), m_place(place), m_prompt(prompt), m_browser(browser)
{
    if (!m_browser) {
        m_ownBrowser = std::make_unique<QtFolderDialog>(this);
        m_browser = m_ownBrowser.get();
    }
    setWindowTitle(QString::fromUtf8("データ選択"));
    setObjectName("143");

    m_list = new QTableWidget(0, 3, this);
    m_list->setObjectName("1033");
    m_list->setHorizontalHeaderLabels(
        {QString::fromUtf8("データ名"), QString::fromUtf8("栽培種"), QString::fromUtf8("開始日")});
    const int widths[] = {128, 100, 80};
    for (int c = 0; c < 3; ++c) {
        m_list->setColumnWidth(c, widths[c]);
        m_list->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    }
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    // The chosen row stays marked when the focus moves to a button.
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_list->setPalette(pal);
    m_list->setMinimumSize(330, 200);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { accept(); });

    m_newButton = makeButton("3", "新規データ", this);
    m_folderButton = makeButton("4", "フォルダ変更", this);
    m_folderButton->setEnabled(false);
    m_folderButton->setVisible(false);
    QPushButton* ok = makeButton("1", "OK", this);
    ok->setDefault(true);
    QPushButton* quit = makeButton("2", "ﾌﾟﾛｸﾞﾗﾑ終了", this);
    connect(m_newButton, &QPushButton::clicked, this, &CStartDlg::newNotebook);
    connect(m_folderButton, &QPushButton::clicked, this, &CStartDlg::changeDataRoot);
    connect(ok, &QPushButton::clicked, this, &CStartDlg::accept);
    connect(quit, &QPushButton::clicked, this, &CStartDlg::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(quit);
    buttons->addSpacing(16);
    buttons->addWidget(m_newButton);
    buttons->addWidget(m_folderButton);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    setTabOrder(m_list, ok);
    setTabOrder(ok, quit);
    setTabOrder(quit, m_newButton);
    InitStartDialog();
}

CStartDlg::~CStartDlg() = default;

void CStartDlg::InitStartDialog()
{
    m_newNotebook = false;
    if (FillNotebookList() == 0) {
        // Nothing to choose from: creating a notebook is the only way on.
        QTimer::singleShot(0, this, &CStartDlg::newNotebook);
    }
    m_list->setFocus();
}

int CStartDlg::FillNotebookList()
{
    NotebookList list = ::FillNotebookList(m_place);
    m_list->clearContents();
    m_list->setRowCount(static_cast<int>(list.rows.size()));
    for (int r = 0; r < static_cast<int>(list.rows.size()); ++r) {
        const NotebookListRow& row = list.rows[r];
        const std::string* texts[] = {&row.name, &row.kindName, &row.startDate};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*texts[c]));
            item->setTextAlignment(Qt::AlignCenter);
            // The folder's own bytes ride with the row: a name made on Windows is shown
            // decoded, but opened as the file system holds it.
            if (c == 0)
                item->setData(Qt::UserRole, QByteArray::fromStdString(row.folderName));
            m_list->setItem(r, c, item);
        }
    }
    if (list.selected >= 0) {
        m_list->selectRow(list.selected);
        m_list->setCurrentCell(list.selected, 0);
    }
    return static_cast<int>(list.rows.size());
}

void CStartDlg::accept()
{
    m_newNotebook = false;
    std::string name;
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    for (QTableWidgetItem* item : selected) {
        if (item->column() == 0) {
            name = m_list->item(item->row(), 0)->data(Qt::UserRole).toByteArray().toStdString();
            break;
        }
    }
    if (SelectNotebook(m_place, m_prompt, name.empty() ? nullptr : &name))
        QDialog::accept();
}

void CStartDlg::newNotebook()
{
    m_newNotebook = true;
    QDialog::accept();
}

void CStartDlg::changeDataRoot()
{
    if (ChangeDataRoot(m_place, m_prompt, *m_browser))
        FillNotebookList();
}
