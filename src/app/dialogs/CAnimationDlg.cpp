#include "app/dialogs/CAnimationDlg.h"

#include "animation/AnimationPlayer.h"
#include "platform/IniFile.h"
#include "res/Icons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

namespace {

// Zooming with Shift held steps by one unit instead of a few per cent.
bool fineZoom()
{
    return QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}

constexpr int kColumnWidth = 104;
constexpr int kBitmapButton = 32;

// An owner-drawn button: its released and pressed pictures, nothing else.
class BitmapButton : public QAbstractButton {
public:
    BitmapButton(const std::string& name, QWidget* parent) : QAbstractButton(parent)
    {
        setText(QString::fromStdString(name));
        m_up = QPixmap::fromImage(AlignButtonPicture(name + "U", kBitmapButton));
        m_down = QPixmap::fromImage(AlignButtonPicture(name + "D", kBitmapButton));
        // Holding the button keeps moving, one unit a step, as holding the arrow key does.
        setAutoRepeat(true);
        setAutoRepeatDelay(400);
        setAutoRepeatInterval(60);
        setFocusPolicy(Qt::NoFocus);
    }
    QSize sizeHint() const override { return QSize(kBitmapButton, kBitmapButton); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawPixmap(rect(), isDown() ? m_down : m_up);
        if (!isEnabled())
            p.fillRect(rect(), QColor(255, 255, 255, 140));
    }

private:
    QPixmap m_up, m_down;
};

QLabel* label(QWidget* parent, const char* utf8, QRect geometry)
{
    auto* l = new QLabel(QString::fromUtf8(utf8), parent);
    l->setGeometry(geometry);
    return l;
}

QLineEdit* edit(QWidget* parent, int id, QRect geometry, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::number(id));
    e->setGeometry(geometry);
    e->setReadOnly(readOnly);
    return e;
}

}  // namespace

CAnimationDlg::CAnimationDlg(AnimationPlayer& player, int speed, QTimer& timer, QWidget* parent)
    : QDialog(parent), m_player(player), m_timer(timer)
{
    using namespace AnimationId;
    setObjectName("132");
    const bool editing = player.editing();
    setWindowTitle(QString::fromUtf8(editing ? "アニメーション編集" : "アニメーション表示"));
    const QSize frame = player.frameSize();
    const int x = frame.width() + 32;  // the right-hand column
    const int thumbTop = player.thumbnailTop();

    label(this, "日付", QRect(x, 16, kColumnWidth, 16));
    m_date = edit(this, Date, QRect(x, 34, kColumnWidth, 22), true);
    m_dayNumber = edit(this, DayNumber, QRect(x, 64, 60, 22), true);
    label(this, "日目", QRect(x + 64, 66, 40, 18));
    m_previous = button("←", Previous, QRect(x, 96, 50, 26));
    m_next = button("→", Next, QRect(x + 54, 96, 50, 26));
    label(this, "表示ｽﾋﾟｰﾄﾞ", QRect(x, 134, kColumnWidth, 16));
    m_speed = edit(this, Speed, QRect(x, 152, 50, 22), false);
    m_speed->setText(QString::number(speed));
    label(this, "ｺﾏ/秒", QRect(x + 54, 154, 50, 18));
    m_start = button("開始", Start, QRect(x, 186, kColumnWidth, 26));
    m_start->setDefault(true);
    m_stop = button("停止", Stop, QRect(x, 216, kColumnWidth, 26));
    auto* close = button("閉じる", Close, QRect(x, 256, kColumnWidth, 26));
    connect(close, &QPushButton::clicked, this, &CAnimationDlg::reject);

    m_overlay = new QCheckBox(QString::fromUtf8("前のフレームと重ね合わせて表示する"), this);
    m_overlay->setObjectName(QString::number(Overlay));
    m_overlay->setGeometry(16, thumbTop - 25, frame.width(), 20);
    m_overlay->setChecked(player.overlayEnabled());
    m_overlay->setVisible(editing);
    connect(m_overlay, &QCheckBox::toggled, this, [this](bool on) {
        m_player.SetOverlayEnabled(on);
        update();
    });

    connect(m_previous, &QPushButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { step(+1); });
    connect(m_start, &QPushButton::clicked, this, &CAnimationDlg::start);
    connect(m_stop, &QPushButton::clicked, this, &CAnimationDlg::stop);

    // Display mode leaves only the picture and the right-hand column in view.
    const int width = x + kColumnWidth + 16;
    setFixedSize(width, thumbTop + 177);
    buildEditControls(thumbTop);
    if (editing) {
        setMouseTracking(true);
        // The editing keys are taken before any control sees them.
        installEventFilter(this);
        for (QWidget* child : findChildren<QWidget*>())
            child->installEventFilter(this);
    } else {
        for (QAbstractButton* b : m_editButtons)
            b->hide();
        findChild<QWidget*>(QString::number(Group))->hide();
        setFixedSize(width, std::max(306, frame.height() + 66));
    }
    refresh();
}

QPushButton* CAnimationDlg::button(const char* text, int id, QRect geometry)
{
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    b->setGeometry(geometry);
    return b;
}

void CAnimationDlg::buildEditControls(int thumbTop)
{
    using namespace AnimationId;
    auto* group = new QGroupBox(QString::fromUtf8("位置合わせ"), this);
    group->setObjectName(QString::number(Group));
    group->setGeometry(width() - 144, thumbTop + 7, 128, 112);
    const struct {
        const char* name;
        int id;
        int column, row;
        std::function<void()> act;
    } moves[] = {
        {"EXP", Expand, 0, 0, [this] { m_player.Zoom(-1, fineZoom()); }},
        {"UP", Up, 1, 0, [this] { m_player.Move(0, +1); }},
        {"RDC", Reduce, 2, 0, [this] { m_player.Zoom(+1, fineZoom()); }},
        {"LEFT", Left, 0, 1, [this] { m_player.Move(+1, 0); }},
        {"DOWN", Down, 1, 1, [this] { m_player.Move(0, -1); }},
        {"RIGHT", Right, 2, 1, [this] { m_player.Move(-1, 0); }},
    };
    for (const auto& m : moves) {
        auto* b = new BitmapButton(m.name, group);
        b->setObjectName(QString::number(m.id));
        b->setGeometry(12 + 38 * m.column, 28 + 40 * m.row, kBitmapButton, kBitmapButton);
        connect(b, &QAbstractButton::clicked, this, [this, act = m.act] {
            act();
            refresh();
        });
        m_editButtons.push_back(b);
    }

    const int row = thumbTop + 73;
    auto* first = button("先頭ﾌﾚｰﾑ", First, QRect(16, row, 92, 26));
    connect(first, &QPushButton::clicked, this, [this] { step(0); });
    auto* reset = button("ﾘｾｯﾄ", Reset, QRect(112, row, 92, 26));
    connect(reset, &QPushButton::clicked, this, [this] {
        m_player.Reset();
        refresh();
    });
    auto* undo = button("元に戻す", Undo, QRect(208, row, 100, 26));
    connect(undo, &QPushButton::clicked, this, [this] {
        m_player.Undo();
        refresh();
    });
    auto* carry = button("後続ﾌﾚｰﾑへの反映", ApplyToFollowing, QRect(16, row + 32, 188, 26));
    connect(carry, &QPushButton::clicked, this, [this] {
        m_player.ApplyToFollowing();
        refresh();
    });
    m_editButtons << first << reset << undo << carry;

    m_autoAlign = button("自動位置合わせ", AutoAlign, QRect(16, row + 64, 120, 26));
    m_autoAlign->setToolTip(QString::fromUtf8("このフレームを前のフレームに自動で合わせます"));
    connect(m_autoAlign, &QPushButton::clicked, this, [this] {
        m_player.AutoAlign();
        refresh();
    });
    m_autoAlignFollowing = button("以降も自動位置合わせ", AutoAlignFollowing, QRect(140, row + 64, 168, 26));
    m_autoAlignFollowing->setToolTip(
        QString::fromUtf8("このフレームから最後のフレームまでを順に自動で合わせます"));
    connect(m_autoAlignFollowing, &QPushButton::clicked, this, &CAnimationDlg::autoAlignFollowing);
    m_undoAutoAlign = button("自動位置合わせ取消", UndoAutoAlign, QRect(width() - 144, row + 64, 128, 26));
    connect(m_undoAutoAlign, &QPushButton::clicked, this, [this] {
        m_player.UndoAutoAlign();
        refresh();
    });
    for (QPushButton* b : {m_autoAlign, m_autoAlignFollowing, m_undoAutoAlign})
        b->setVisible(m_player.autoAlignOffered());
}

int CAnimationDlg::speed() const
{
    return IniFile::ParseInt(m_speed->text().toStdString());
}

void CAnimationDlg::refresh()
{
    const bool playing = m_player.playing();
    const bool any = m_player.frameCount() > 0;
    m_date->setText(QString::fromStdString(m_player.dateText()));
    m_dayNumber->setText(QString::fromStdString(m_player.dayNumberText()));
    m_previous->setEnabled(m_player.canGoBack());
    m_next->setEnabled(m_player.canGoForward());
    m_start->setEnabled(!playing && any);
    m_stop->setEnabled(playing);
    for (QAbstractButton* b : m_editButtons)
        b->setEnabled(!playing && any);
    if (m_autoAlign) {
        m_autoAlign->setEnabled(m_player.canAutoAlign());
        m_autoAlignFollowing->setEnabled(m_player.canAutoAlignFollowing());
        m_undoAutoAlign->setEnabled(m_player.canUndoAutoAlign() && !playing);
    }
    if (!m_player.pointerOverFrame())
        unsetCursor();
    update();
}

bool CAnimationDlg::speedAccepted()
{
    if (m_player.AcceptSpeed(speed()))
        return true;
    m_speed->setFocus();
    m_speed->selectAll();
    return false;
}

void CAnimationDlg::start()
{
    const int s = speed();
    if (!speedAccepted() || !m_player.StartPlayback(s))
        return;
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.start(*AnimationPlayer::TimerInterval(s));
    // The stop button takes the focus the start button had, so Enter stops again.
    m_stop->setEnabled(true);
    m_stop->setFocus();
    refresh();
}

void CAnimationDlg::stop()
{
    m_timer.stop();
    m_player.StopPlayback();
    refresh();
    m_start->setFocus();
}

void CAnimationDlg::tick()
{
    m_player.Tick();
    if (!m_player.playing()) {
        m_timer.stop();
        refresh();
        m_start->setFocus();
        return;
    }
    m_date->setText(QString::fromStdString(m_player.dateText()));
    m_dayNumber->setText(QString::fromStdString(m_player.dayNumberText()));
    update(QRect(kFrameOrigin, m_player.frameSize()));
}

void CAnimationDlg::step(int step)
{
    m_player.GoToFrame(step);
    refresh();
}

void CAnimationDlg::autoAlignFollowing()
{
    // A run takes a moment a frame: it shows how far it is and can be stopped between frames.
    // The progress window comes with the first frame, once the run's questions are answered:
    // shown before, it would stand over them and take their clicks.
    std::unique_ptr<QProgressDialog> progress;
    m_player.AutoAlignFollowing([&](int done, int total) {
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QString::fromUtf8("自動位置合わせ中..."),
                                                         QString::fromUtf8("中止"), 0, total, this);
            progress->setWindowTitle(windowTitle());
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
        }
        progress->setMaximum(total);
        progress->setValue(done);
        return !progress->wasCanceled();
    });
    progress.reset();
    refresh();
}

void CAnimationDlg::reject()
{
    // The speed typed in is kept for the next playback and the video: one that no player
    // takes is refused here too, and the dialog stays open for it to be put right.
    if (!speedAccepted())
        return;
    m_timer.stop();
    m_player.StopPlayback();
    QDialog::reject();
}

void CAnimationDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    m_player.Paint(p, palette().color(QPalette::Button));
}

void CAnimationDlg::wheelEvent(QWheelEvent* event)
{
    if (!m_player.editing()) {
        QDialog::wheelEvent(event);
        return;
    }
    // One zoom step a notch (a fine-grained wheel adds up to notches): turned away from the
    // user enlarges, as Insert and Delete do; towards the user reduces, as PageUp and PageDown.
    constexpr int kNotch = 120;
    m_wheelAngle += event->angleDelta().y();
    const int notches = m_wheelAngle / kNotch;
    m_wheelAngle -= notches * kNotch;
    for (int i = 0; i < std::abs(notches); ++i)
        m_player.Zoom(notches > 0 ? -1 : +1, event->modifiers().testFlag(Qt::ShiftModifier));
    if (notches != 0)
        refresh();
    event->accept();
}

void CAnimationDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_player.MouseMove(event->position().toPoint()))
        update(QRect(kFrameOrigin, m_player.frameSize()));
    if (m_player.pointerOverFrame())
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
}

void CAnimationDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_player.MousePress(event->position().toPoint());
    QDialog::mousePressEvent(event);
}

void CAnimationDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_player.MouseRelease(event->position().toPoint()))
        refresh();
    QDialog::mouseReleaseEvent(event);
}

bool CAnimationDlg::editKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
        m_player.Move(0, +1);
        break;
    case Qt::Key_Down:
        m_player.Move(0, -1);
        break;
    case Qt::Key_Left:
        m_player.Move(+1, 0);
        break;
    case Qt::Key_Right:
        m_player.Move(-1, 0);
        break;
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        m_player.Zoom(-1, fineZoom());
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        m_player.Zoom(+1, fineZoom());
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        m_player.MarkModified();
        break;
    default:
        return false;
    }
    refresh();
    return true;
}

bool CAnimationDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A control would take these keys for itself (the speed edit its cursor keys) first.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return QDialog::eventFilter(watched, event);
        if (event->type() == QEvent::KeyPress)
            return editKey(key->key());
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Insert:
        case Qt::Key_Delete:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
