#include "app/dialogs/CEntryDlg.h"

#include "app/DayDialogs.h"
#include "platform/qt/QtDialogButtons.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct EntryRow {
    int id;
    const char* label;  // null: the free item's caption label
    const char* unit;   // null: the free item's unit label
    int captionId, unitId;
};
// The order of the fields is the order in which they are checked.
constexpr EntryRow kRows[] = {
    {EntryId::Height, "草たけ", "cm", 0, 0},
    {EntryId::Leaves, "葉の枚数", "枚", 0, 0},
    {EntryId::LeafSize, "葉の大きさ", "cm", 0, 0},
    {EntryId::Solution, "養液面", "cm", 0, 0},
    {EntryId::RoomTemp, "室温", "℃", 0, 0},
    {EntryId::Free1, nullptr, nullptr, EntryId::Free1Caption, EntryId::Free1Unit},
    {EntryId::Free2, nullptr, nullptr, EntryId::Free2Caption, EntryId::Free2Unit},
};
}  // namespace

CEntryDlg::CEntryDlg(const EntryFields& f, DialogApply<EntryFields> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply))
{
    setWindowTitle(QString::fromUtf8("観察データ入力ダイアログ"));
    setObjectName("147");

    auto* grid = new QGridLayout;
    QWidget* previous = nullptr;
    int row = 0;
    for (const EntryRow& r : kRows) {
        auto* label = new QLabel(QString::fromUtf8(r.label ? r.label : ""), this);
        auto* unit = new QLabel(QString::fromUtf8(r.unit ? r.unit : ""), this);
        if (r.captionId) {
            label->setObjectName(QString::number(r.captionId));
            unit->setObjectName(QString::number(r.unitId));
            m_captions[r.captionId] = label;
            m_captions[r.unitId] = unit;
        }
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(r.id));
        e->setMaxLength(kEntryFieldChars);
        e->setFixedWidth(80);
        e->setAlignment(Qt::AlignRight);
        label->setBuddy(e);
        m_edits[r.id] = e;
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(e, row, 1);
        grid->addWidget(unit, row, 2, Qt::AlignLeft | Qt::AlignVCenter);
        ++row;
        if (previous)
            setTabOrder(previous, e);
        previous = e;
    }
    grid->setColumnMinimumWidth(2, 40);
    m_graph = new QCheckBox(QString::fromUtf8("グラフ表示する"), this);
    m_graph->setObjectName("1007");
    grid->addWidget(m_graph, row, 1, 1, 2);
    setTabOrder(previous, m_graph);

    AddDialogButtons(*this, grid, m_graph);

    m_captions[EntryId::Free1Caption]->setText(QString::fromStdString(f.free1Caption));
    m_captions[EntryId::Free2Caption]->setText(QString::fromStdString(f.free2Caption));
    m_captions[EntryId::Free1Unit]->setText(QString::fromStdString(f.free1Unit));
    m_captions[EntryId::Free2Unit]->setText(QString::fromStdString(f.free2Unit));
    edit(EntryId::Height)->setText(QString::fromStdString(f.height));
    edit(EntryId::Leaves)->setText(QString::fromStdString(f.leaves));
    edit(EntryId::LeafSize)->setText(QString::fromStdString(f.leafSize));
    edit(EntryId::Solution)->setText(QString::fromStdString(f.solution));
    edit(EntryId::RoomTemp)->setText(QString::fromStdString(f.roomTemp));
    edit(EntryId::Free1)->setText(QString::fromStdString(f.free1));
    edit(EntryId::Free2)->setText(QString::fromStdString(f.free2));
    m_graph->setChecked(f.showInGraph);
    edit(EntryId::Height)->setFocus();
}

void CEntryDlg::accept()
{
    EntryFields f;
    f.height = edit(EntryId::Height)->text().toStdString();
    f.leaves = edit(EntryId::Leaves)->text().toStdString();
    f.leafSize = edit(EntryId::LeafSize)->text().toStdString();
    f.solution = edit(EntryId::Solution)->text().toStdString();
    f.roomTemp = edit(EntryId::RoomTemp)->text().toStdString();
    f.free1 = edit(EntryId::Free1)->text().toStdString();
    f.free2 = edit(EntryId::Free2)->text().toStdString();
    f.showInGraph = m_graph->isChecked();
    int focus = m_apply(f);
    if (focus == 0) {
        QDialog::accept();
        return;
    }
    if (QLineEdit* bad = m_edits.count(focus) ? edit(focus) : nullptr) {
        bad->setFocus();
        bad->selectAll();
    }
}
