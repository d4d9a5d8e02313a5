#include "app/dialogs/CFontDlg.h"

#include "platform/qt/QtDialogButtons.h"

#include "app/CNotebook.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

CFontDlg::CFontDlg(CNotebook& notebook, QWidget* parent) : QDialog(parent), m_nb(notebook)
{
    setWindowTitle(QStringLiteral("フォント設定"));
    const FontSettings current = ReadFontSettings(m_nb);

    m_face = new QComboBox(this);
    m_face->setObjectName(QString::number(IdFace));
    m_face->setEditable(false);
    // Vertical-writing faces (named with a leading "@") are of no use for print.
    for (const QString& family : QFontDatabase::families())
        if (!family.startsWith(QLatin1Char('@')))
            m_face->addItem(family);
    m_face->setCurrentIndex(-1);

    m_size = new QLineEdit(QString::number(current.FontSize), this);
    m_size->setObjectName(QString::number(IdSize));
    m_size->setMaximumWidth(60);
    m_size->installEventFilter(this);

    // The up-down control: steps the number in the size edit within the allowed range.
    auto* upDown = new QWidget(this);
    upDown->setObjectName(QString::number(IdUpDown));
    auto* upDownLayout = new QVBoxLayout(upDown);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    auto* up = new QToolButton(upDown);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName(QStringLiteral("up"));
    auto* down = new QToolButton(upDown);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName(QStringLiteral("down"));
    upDownLayout->addWidget(up);
    upDownLayout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { stepSize(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepSize(-1); });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("フォント名"), this), 0, 0);
    grid->addWidget(m_face, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("サイズ"), this), 1, 0);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_size);
    sizeRow->addWidget(upDown);
    sizeRow->addStretch();
    grid->addLayout(sizeRow, 1, 1);
    m_ok = AddDialogButtons(*this, grid, upDown).ok;
    m_ok->setEnabled(false);

    // The stored face is selected when the list has it (exact, case-sensitive).
    if (!current.FontName.empty()) {
        int found = m_face->findText(QString::fromStdString(current.FontName),
                                     Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found >= 0) {
            m_face->setCurrentIndex(found);
            m_ok->setEnabled(true);
        }
    }
    connect(m_face, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_ok->setEnabled(true);
    });
}

void CFontDlg::stepSize(int delta)
{
    int v = IniFile::ParseInt(m_size->text().toStdString()) + delta;
    v = std::clamp(v, kMinFontSize, kMaxFontSize);
    m_size->setText(QString::number(v));
}

bool CFontDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_size && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            stepSize(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CFontDlg::accept()
{
    const int size = IniFile::ParseInt(m_size->text().toStdString());
    if (!FontSizeAllowed(size)) {
        m_nb.prompt().ask(Msg::FontSizeRange, Buttons::Ok, Icon::Exclamation, FontSizeRangeMessage());
        m_size->setFocus();
        return;
    }
    m_result.FontName = m_face->currentText().toStdString();
    m_result.FontSize = size;
    QDialog::accept();
}

bool RunFontDialog(CNotebook& notebook, QWidget* parent)
{
    CFontDlg dialog(notebook, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // An unwritable Kelto.ini would otherwise lose the choice without a word.
    if (Result r = WriteFontSettings(notebook, dialog.chosen()); !r)
        notebook.prompt().tell(r.message, Icon::Stop, ResultText(r));
    return true;
}
