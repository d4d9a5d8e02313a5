#include "app/dialogs/CListDlg.h"

#include "platform/qt/QtDialogButtons.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

CListDlg::CListDlg(ListMode mode, QWidget* parent) : QDialog(parent)
{
    setObjectName("149");
    setWindowTitle(QStringLiteral("一覧設定"));
    auto* body = new QVBoxLayout;
    auto* group = new QButtonGroup(this);
    static const std::pair<int, const char*> choices[] = {
        {IdAllDays, "全てのデータを表示する"},
        {IdMeasuredDays, "観察データがあるデータを表示する"},
        {IdPhotoDays, "写真があるデータを表示する"},
    };
    QRadioButton* last = nullptr;
    for (const auto& [id, caption] : choices) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), this);
        radio->setObjectName(QString::number(id));
        group->addButton(radio, id);
        body->addWidget(radio);
        last = radio;
    }
    group->button(IdAllDays + static_cast<int>(mode))->setChecked(true);
    AddDialogButtons(*this, body, last);
}

ListMode CListDlg::chosen() const
{
    for (int id : {IdMeasuredDays, IdPhotoDays})
        if (auto* radio = findChild<QRadioButton*>(QString::number(id)); radio && radio->isChecked())
            return ListModeFromInt(id - IdAllDays);
    return ListMode::AllDays;
}
