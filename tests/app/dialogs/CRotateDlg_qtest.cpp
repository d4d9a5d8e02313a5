#include "app/dialogs/CRotateDlg.h"

#include <QAbstractButton>
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
        // A portrait photo starts unturned and whole, ready to be taken; the rotating import
        // waits for a direction.
        QFETCH(bool, noRotation);
        QCOMPARE(control<QPushButton>(dlg, RotateId::NoRotation)->isVisible(), noRotation);
        QCOMPARE(control<QPushButton>(dlg, RotateId::NoRotation)->isChecked(), noRotation);
        QCOMPARE(control<QPushButton>(dlg, RotateId::Ok)->isEnabled(), noRotation);
        QFETCH(bool, cutChecked);
        QCOMPARE(control<QRadioButton>(dlg, RotateId::Cut)->isChecked(), cutChecked);
        QCOMPARE(control<QRadioButton>(dlg, RotateId::Keep)->isChecked(), !cutChecked);
    }

    // Every choice only selects: the dialog stays and its preview shows the picture the
    // selection stores, in the picture's own shape.
    void previewFollowsTheSelection()
    {
        CRotateDlg portrait(request(RotateMode::Portrait));
        portrait.show();
        QCOMPARE(previewCentre(portrait), qRgb(0, 0, 255));
        QTest::mouseClick(control<QRadioButton>(portrait, RotateId::Cut), Qt::LeftButton);
        QCOMPARE(previewCentre(portrait), qRgb(255, 0, 0));
        QCOMPARE(portrait.PreviewRect().size(), QSize(200, 150));
        QTest::mouseClick(control<QPushButton>(portrait, RotateId::Clockwise), Qt::LeftButton);
        QCOMPARE(previewCentre(portrait), qRgb(0, 255, 0));
        QVERIFY(!control<QRadioButton>(portrait, RotateId::Keep)->isEnabled());

        CRotateDlg landscape(request(RotateMode::RotatingLandscape));
        landscape.show();
        QCOMPARE(landscape.PreviewRect().size(), QSize(112, 150));  // not turned yet
        QCOMPARE(previewCentre(landscape), qRgb(255, 255, 0));
        QTest::mouseClick(control<QRadioButton>(landscape, RotateId::Keep), Qt::LeftButton);
        QCOMPARE(previewCentre(landscape), qRgb(0, 255, 0));
        QTest::mouseClick(control<QPushButton>(landscape, RotateId::Anticlockwise), Qt::LeftButton);
        QCOMPARE(landscape.PreviewRect().size(), QSize(200, 150));
    }

    void buttonsAnswer_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("clicks");  // the last one closes the dialog
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("trim");
        using namespace RotateId;
        QTest::newRow("clockwise") << 0 << QList<int>{Clockwise, Ok} << true << 1 << 1;
        QTest::newRow("anticlockwise") << 0 << QList<int>{Anticlockwise, Ok} << true << 2 << 1;
        QTest::newRow("no rotation, cut") << 0 << QList<int>{Cut, Ok} << true << 3 << 0;
        QTest::newRow("no rotation, keep") << 0 << QList<int>{Ok} << true << 4 << 1;
        QTest::newRow("turned back") << 0 << QList<int>{Clockwise, NoRotation, Ok} << true << 4 << 1;
        QTest::newRow("rotating, keep") << 2 << QList<int>{Keep, Clockwise, Ok} << true << 1 << 1;
        QTest::newRow("rotating, cut") << 1 << QList<int>{Anticlockwise, Ok} << true << 2 << 0;
        QTest::newRow("cancel") << 0 << QList<int>{Cut, Cancel} << false << 0 << 0;
    }
    void buttonsAnswer()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, clicks);
        CRotateDlg dlg(request(RotateMode(mode)));
        dlg.show();
        for (int id : clicks) {
            QVERIFY(dlg.isVisible());
            QTest::mouseClick(dlg.findChild<QAbstractButton*>(QString::number(id)), Qt::LeftButton);
        }
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
