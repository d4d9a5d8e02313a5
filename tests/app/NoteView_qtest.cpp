// The client window: which mouse actions reach the page shown, and which go on to the usual
// processing.
#include "FrameFixture.h"

#include <QMouseEvent>

namespace {

// Sends one mouse event of `type` to the view and tells whether the view kept it.
bool Send(QWidget* view, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    if (type == QEvent::MouseMove)
        buttons = Qt::NoButton;
    QMouseEvent e(type, QPointF(at), view->mapToGlobal(QPointF(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    e.setAccepted(true);
    QApplication::sendEvent(view, &e);
    return e.isAccepted();
}
}  // namespace

class NoteViewTest : public QObject {
    Q_OBJECT
private slots:
    void mouseRouting_data();
    void mouseRouting();
};

void NoteViewTest::mouseRouting_data()
{
    QTest::addColumn<int>("mode");
    for (int mode = 0; mode <= 4; ++mode)
        QTest::addRow("mode%d", mode) << mode;
}

void NoteViewTest::mouseRouting()
{
    QFETCH(int, mode);
    FrameFixture f;
    f.start();
    CNoteView* view = f.frame->view();
    std::vector<std::pair<int, QPoint>> seen;
    view->setPageMouseHandler(
        [&](MouseAction action, QPoint p) { seen.emplace_back(static_cast<int>(action), p); });
    f.nb().SetViewMode(static_cast<ViewMode>(mode));
    bool page = mode != 0;
    QPoint at(120, 80);

    bool pressKept = Send(view, QEvent::MouseButtonPress, at);
    Send(view, QEvent::MouseMove, at + QPoint(3, 4));
    bool releaseKept = Send(view, QEvent::MouseButtonRelease, at + QPoint(3, 4));
    bool doubleKept = Send(view, QEvent::MouseButtonDblClick, at);
    Send(view, QEvent::MouseButtonPress, at, Qt::RightButton);

    std::vector<std::pair<int, QPoint>> expected;
    if (page)
        expected = {{1, at}, {2, at + QPoint(3, 4)}, {3, at + QPoint(3, 4)}};
    if (mode == 1)
        expected.emplace_back(4, at);
    QCOMPARE(seen, expected);
    // A page keeps press and release; a double-click always goes on as usual.
    QCOMPARE(pressKept, page);
    QCOMPARE(releaseKept, page);
    QVERIFY(!doubleKept);
}

QTEST_MAIN(NoteViewTest)
#include "NoteView_qtest.moc"
