#include "platform/qt/QtDialogButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

DialogButtons AddDialogButtons(QDialog& dialog, QLayout* body, QWidget* tabAfter, QWidget* leading)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), &dialog);
    cancel->setObjectName("2");
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    QWidget* previous = tabAfter;
    for (QWidget* w : {leading, static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel)}) {
        if (!w)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }

    auto* row = new QHBoxLayout;
    if (leading)
        row->addWidget(leading);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addLayout(row);
    return {ok, cancel};
}
