#include "app/dialogs/CDefineDlg.h"

#include "app/NotebookSettings.h"
#include "platform/qt/QtDateField.h"
#include "platform/qt/QtDialogButtons.h"
#include "res/Strings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct FieldRow {
    int id;
    const char* label;
};
// Pupil data first, then the notebook itself, in the order the dialog shows them.
constexpr FieldRow kRows[] = {{1015, "学校名"},
                              {1016, "学年"},
                              {1017, "組"},
                              {1019, "番号"},
                              {1018, "氏名"},
                              {1020, "データ名"},
                              {1021, "栽培種"},
                              {1002, "開始日"},
                              {1004, kFreeItemDefaultCaption1},
                              {1006, kFreeItemDefaultCaption2}};
}  // namespace

CDefineDlg::CDefineDlg(const NotebookSettingsFields& f, SettingsMode mode,
                       DialogApply<NotebookSettingsFields> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply)), m_mode(mode)
{
    setWindowTitle(QString::fromUtf8("観察データ設定ダイアログ"));
    setObjectName("136");

    auto* grid = new QGridLayout;
    QWidget* previous = nullptr;
    int row = 0;
    for (const FieldRow& r : kRows) {
        auto* label = new QLabel(QString::fromUtf8(r.label), this);
        QWidget* field;
        if (r.id == 1002) {
            m_date = new QtDateField(this);
            field = m_date;
        } else {
            auto* e = new QLineEdit(this);
            e->setMaxLength(259);
            e->setMinimumWidth(r.id == 1015 || r.id >= 1020 || r.id == 1004 || r.id == 1006 ? 220 : 120);
            m_edits[r.id] = e;
            field = e;
        }
        field->setObjectName(QString::number(r.id));
        label->setBuddy(field);
        // A blank line sets the pupil's data apart from the notebook's.
        if (r.id == 1020)
            grid->setRowMinimumHeight(row++, 8);
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, row, 1, Qt::AlignLeft);
        ++row;
        if (previous)
            setTabOrder(previous, field);
        previous = field;
    }
    grid->setColumnStretch(1, 1);

    auto* folder = new QPushButton(QString::fromUtf8("フォルダ変更"), this);
    folder->setObjectName("4");
    folder->setEnabled(false);
    folder->setVisible(false);
    AddDialogButtons(*this, grid, previous, folder);

    edit(1015)->setText(QString::fromStdString(f.SchoolName));
    edit(1016)->setText(QString::fromStdString(f.GradeNo));
    edit(1017)->setText(QString::fromStdString(f.ClassName));
    edit(1019)->setText(QString::fromStdString(f.StudentNo));
    edit(1018)->setText(QString::fromStdString(f.StudentName));
    edit(1020)->setText(QString::fromStdString(f.DataName));
    edit(1021)->setText(QString::fromStdString(f.KindName));
    edit(1004)->setText(QString::fromStdString(f.Option1));
    edit(1006)->setText(QString::fromStdString(f.Option2));
    m_date->setDate(f.StartDate);
    // A new notebook starts with its name; an existing one with the first pupil field.
    (m_mode == SettingsMode::New ? edit(1020) : edit(1015))->setFocus();
}

void CDefineDlg::accept()
{
    NotebookSettingsFields f;
    f.SchoolName = edit(1015)->text().toStdString();
    f.GradeNo = edit(1016)->text().toStdString();
    f.ClassName = edit(1017)->text().toStdString();
    f.StudentNo = edit(1019)->text().toStdString();
    f.StudentName = edit(1018)->text().toStdString();
    f.DataName = edit(1020)->text().toStdString();
    f.KindName = edit(1021)->text().toStdString();
    f.StartDate = m_date->date();
    f.Option1 = edit(1004)->text().toStdString();
    f.Option2 = edit(1006)->text().toStdString();
    if (m_apply(f) == 0) {
        QDialog::accept();
        return;
    }
    edit(1020)->setFocus();
}
