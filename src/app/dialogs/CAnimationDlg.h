#pragma once
// Dialog 132: the time-lapse player ("アニメーション表示") and, in edit mode, the frame
// alignment editor ("アニメーション編集"). The player holds the frames and does the work; the
// dialog turns clicks, keys and drags into its operations and paints it. Playback runs on the
// note view's window timer, which calls tick().
#include <QDialog>

class AnimationPlayer;
class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace AnimationId {
inline constexpr int Date = 1001, DayNumber = 1002, Speed = 1003, Previous = 3, Next = 7, Start = 6, Stop = 4,
                     Close = 2, Overlay = 1050, Group = 1051, Expand = 209, Up = 201, Reduce = 210,
                     Left = 202, Down = 204, Right = 203, First = 10, Reset = 8, ApplyToFollowing = 9,
                     Undo = 11, AutoAlign = 1060, AutoAlignFollowing = 1061, UndoAutoAlign = 1062;
}  // namespace AnimationId

class CAnimationDlg : public QDialog {
    Q_OBJECT
public:
    // `player` is opened; `timer` is window timer 1, whose ticks the owner passes to tick().
    CAnimationDlg(AnimationPlayer& player, int speed, QTimer& timer, QWidget* parent = nullptr);

    // The integer in the speed edit (0 for text that is no number).
    int speed() const;
    // One tick of the playback timer.
    void tick();

    // Button 2 and Esc: stops the playback and ends the dialog; a speed outside 1 to 60 is
    // refused first.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEditControls(int thumbTop);
    QPushButton* button(const char* text, int id, QRect geometry);
    // The speed edit holds 1 to 60; else the user is told and the edit takes the focus.
    bool speedAccepted();
    void start();
    void stop();
    void step(int step);
    // After an operation: the frame repainted and the controls set for the state.
    void refresh();
    bool editKey(int key);
    void autoAlignFollowing();

    AnimationPlayer& m_player;
    QTimer& m_timer;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_dayNumber = nullptr;
    QLineEdit* m_speed = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QCheckBox* m_overlay = nullptr;
    QList<QAbstractButton*> m_editButtons;  // enabled while stopped
    QPushButton* m_autoAlign = nullptr;
    QPushButton* m_autoAlignFollowing = nullptr;
    QPushButton* m_undoAutoAlign = nullptr;
    int m_wheelAngle = 0;  // wheel turn not yet a whole notch
};
