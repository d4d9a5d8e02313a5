#include "app/dialogs/CRotateDlg.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QImage filled(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Each picture of the request in its own colour, so the preview tells which one it shows.
RotateRequest request(RotateMode mode, bool bulk = false)
{
    RotateRequest r;
    r.mode = mode;
    r.bulk = bulk;
    r.work = filled({480, 640}, qRgb(0, 255, 0));
    if (mode == RotateMode::Portrait) {
        r.cut = filled({640, 480}, qRgb(255, 0, 0));
        r.keep = filled({640, 480}, qRgb(0, 0, 255));
    } else {
        r.cutWork = filled({480, 640}, qRgb(255, 255, 0));
    }
    return r;
}

template <class T>
T* control(QWidget& dlg, int id)
{
    return dlg.findChild<T*>(QString::number(id));
}

QRgb previewCentre(CRotateDlg& dlg)
{
    return dlg.grab().toImage().pixel(dlg.PreviewRect().center());
}

}  // namespace

class CRotateDlgTest : public QObject {
    Q_OBJECT
private slots:
    void controlsPerMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<bool>("caption");
        QTest::addColumn<QString>("captionText");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<bool>("noRotation");
        QTest::addColumn<bool>("cutChecked");
        QTest::newRow("portrait") << 0 << false << true << QString::fromUtf8("画像が縦長です。") << true
                                  << true << false;
        QTest::newRow("portrait bulk")
            << 0 << true << true << QString::fromUtf8("画像が縦長です。") << true << true << false;
        QTest::newRow("rotating portrait") << 1 << false << false << QString() << false << false << true;
        QTest::newRow("rotating landscape")
            << 2 << false << true << QString::fromUtf8("画像が横長です。ﾄﾘﾐﾝｸﾞ方法を指定してください。")
            << false << false << true;
    }
    void controlsPerMode()
    {
        QFETCH(int, mode);
        QFETCH(bool, bulk);
        CRotateDlg dlg(request(RotateMode(mode), bulk));
        dlg.show();
        QCOMPARE(dlg.objectName(), QStringLiteral("145"));
        QCOMPARE(dlg.windowTitle(), QString::fromUtf8("画像回転"));
        QFETCH(bool, caption);
        QCOMPARE(control<QLabel>(dlg, RotateId::Caption)->isVisible(), caption);
        QFETCH(QString, captionText);
        if (caption)
            QCOMPARE(control<QLabel>(dlg, RotateId::Caption)->text(), captionText);
        QFETCH(bool, hint);
        QCOMPARE(control<QLabel>(dlg, RotateId::NoRotationHint)->isVisible(), hint);
        QCOMPARE(control<QLabel>(dlg, RotateId::BulkHint)->isVisible(), bulk);
        QFETCH(bool, noRotation);
        QCOMPARE(control<QPushButton>(dlg, RotateId::NoRotation)->isVisible(), noRotation);
        QVERIFY(!control<QPushButton>(dlg, RotateId::NoRotation)->isEnabled());
        QFETCH(bool, cutChecked);
        QCOMPARE(control<QRadioButton>(dlg, RotateId::Cut)->isChecked(), cutChecked);
        QVERIFY(!control<QRadioButton>(dlg, RotateId::Keep)->isChecked());
    }

    // The preview shows the picture each choice would take, at the place the mode gives.
    void previewFollowsTheRadio()
    {
        CRotateDlg portrait(request(RotateMode::Portrait));
        portrait.show();
        QCOMPARE(portrait.PreviewRect(), QRect(32, 96, 120, 160));
        QCOMPARE(previewCentre(portrait), qRgb(0, 255, 0));
        QTest::mouseClick(control<QRadioButton>(portrait, RotateId::Cut), Qt::LeftButton);
        QVERIFY(control<QPushButton>(portrait, RotateId::NoRotation)->isEnabled());
        QCOMPARE(portrait.PreviewRect(), QRect(32, 131, 120, 90));
        QCOMPARE(previewCentre(portrait), qRgb(255, 0, 0));
        QTest::mouseClick(control<QRadioButton>(portrait, RotateId::Keep), Qt::LeftButton);
        QVERIFY(!control<QRadioButton>(portrait, RotateId::Cut)->isChecked());
        QCOMPARE(previewCentre(portrait), qRgb(0, 0, 255));

        CRotateDlg landscape(request(RotateMode::RotatingLandscape));
        landscape.show();
        QCOMPARE(landscape.PreviewRect(), QRect(32, 96, 120, 160));
        QCOMPARE(previewCentre(landscape), qRgb(255, 255, 0));
        QTest::mouseClick(control<QRadioButton>(landscape, RotateId::Keep), Qt::LeftButton);
        QCOMPARE(previewCentre(landscape), qRgb(0, 255, 0));
    }

    void buttonsAnswer_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("radio");  // control clicked first, 0 for none
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("trim");
        QTest::newRow("clockwise") << 0 << 0 << RotateId::Clockwise << true << 1 << -1;
        QTest::newRow("anticlockwise") << 0 << 0 << RotateId::Anticlockwise << true << 2 << -1;
        QTest::newRow("no rotation, cut") << 0 << RotateId::Cut << RotateId::NoRotation << true << 3 << 0;
        QTest::newRow("no rotation, keep") << 0 << RotateId::Keep << RotateId::NoRotation << true << 4 << 1;
        QTest::newRow("rotating, keep") << 2 << RotateId::Keep << RotateId::Clockwise << true << 1 << 1;
        QTest::newRow("rotating, cut") << 1 << 0 << RotateId::Anticlockwise << true << 2 << 0;
        QTest::newRow("cancel") << 0 << RotateId::Cut << RotateId::Cancel << false << 0 << 0;
    }
    void buttonsAnswer()
    {
        QFETCH(int, mode);
        QFETCH(int, radio);
        QFETCH(int, button);
        CRotateDlg dlg(request(RotateMode(mode)));
        dlg.show();
        if (radio)
            QTest::mouseClick(control<QRadioButton>(dlg, radio), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dlg, button), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        const RotateAnswer answer = dlg.Answer();
        QFETCH(bool, accepted);
        QFETCH(int, choice);
        QFETCH(int, trim);
        QCOMPARE(answer.accepted, accepted);
        QCOMPARE(int(answer.choice), choice);
        QCOMPARE(int(answer.radio), trim);
    }
};

QTEST_MAIN(CRotateDlgTest)
#include "CRotateDlg_qtest.moc"
