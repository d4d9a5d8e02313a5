#pragma once
// The time-lapse player and frame editor behind the animation dialog, without widgets: the
// frames, the frame shown, its photo and alignment, the neighbours and the overlay of the
// editor, playback steps, the alignment edits and the mouse drag. The dialog owns the timer
// and the controls; it calls one operation per user action and paints what this holds.
#include "animation/FrameAlignment.h"
#include "platform/Prompt.h"
#include "platform/Result.h"
#include "platform/SettingKey.h"

#include <QColor>
#include <QDate>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;

enum class AnimationMode { Display = 1, Edit = 2 };

// Registration of a frame against the frame before it (see FrameRegistration.h); the player
// takes it as a value so tests can stand in for it.
using FrameRegistrar = std::function<std::optional<FrameAlignment>(
    const QImage& previousPhoto, const FrameAlignment& previous, const QImage& currentPhoto,
    const FrameAlignment& start, QSize frame)>;

struct AnimationSetup {
    std::string notebookFolder;
    FrameGeometry geometry;
    std::optional<QDate> startDate;  // day numbers count from here; none: no day numbers
    QDate currentDate;               // the editor opens on the first frame from this day on
    AnimationMode mode = AnimationMode::Display;
    FrameRegistrar registrar;  // none: automatic alignment is not offered
};

// The player on a notebook as the window and the command line open it: the frames of
// `notebookFolder`, the frame size and standard alignment of Kelto.ini, and automatic alignment
// by image registration.
AnimationSetup NotebookAnimationSetup(const std::string& notebookFolder, const std::string& keltoIni,
                                      std::optional<QDate> startDate, const QDate& currentDate,
                                      AnimationMode mode);

// Where the frame and the thumbnails are drawn, in dialog pixels.
inline constexpr QPoint kFrameOrigin{16, 16};
inline constexpr int kThumbWidth = 80, kThumbHeight = 60;
inline constexpr int kThumbLefts[3] = {36, 132, 228};  // previous, current, next

class AnimationPlayer {
public:
    AnimationPlayer(AnimationSetup setup, Prompt& prompt);

    // Scans the frames, picks the start frame (display: the first; edit: the first from the
    // current date on, else the last) and shows it. What that frame inherited is not an edit.
    void Open();

    AnimationMode mode() const { return m_setup.mode; }
    bool editing() const { return m_setup.mode == AnimationMode::Edit; }
    const std::vector<QDate>& frames() const { return m_frames; }
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    int currentFrame() const { return m_current; }
    QDate currentFrameDate() const;
    bool playing() const { return m_playing; }
    bool alignmentModified() const { return m_modified; }
    const FrameAlignment& alignment() const { return m_alignment; }
    QSize frameSize() const { return m_setup.geometry.frame; }
    // The frame's photo as decoded (null when it could not be read).
    const QImage& picture() const { return slot(m_current).picture; }
    // Photos decoded since opening: one per frame shown, however it was reached.
    int decodeCount() const { return m_decodes; }
    bool canGoBack() const { return !m_playing && m_current > 0; }
    bool canGoForward() const { return !m_playing && m_current < frameCount() - 1; }
    // "2026/3/1" and the day number ("" without a start date or a frame).
    std::string dateText() const;
    std::string dayNumberText() const;

    // Playback. The timer interval for `speed` frames per second, none for a speed outside
    // 1 to 60, which starts nothing.
    static std::optional<int> TimerInterval(int speed);
    // The speed typed in: true for 1 to 60, else the user is told the range (message 304).
    bool AcceptSpeed(int speed);
    // Starts from the first frame; the first Tick shows it. An unsaved edit of the frame shown
    // is written first, as leaving the frame would. False when nothing started.
    bool StartPlayback(int speed);
    // One timer tick: shows the next frame; the last one (or a photo that cannot be read)
    // stops the playback, and that frame stays current.
    void Tick();
    void StopPlayback();

    // Steps: -1, +1, or 0 for the first frame. An unsaved alignment is written first; when that
    // fails the user is told and the frame stays.
    bool GoToFrame(int step);
    // Writes an unsaved alignment and stops; the user is told of a failure.
    Result Close();

    // The edits of the frame shown (edit mode, stopped): zoom d = -1 enlarges, +1 reduces, by
    // a few per cent, or by one unit when `fine`.
    void Zoom(int d, bool fine = false);
    void Move(int dx, int dy);
    // Home and End: nothing moves, but the frame counts as edited.
    void MarkModified();
    // Buttons "ﾘｾｯﾄ", "元に戻す" and "後続ﾌﾚｰﾑへの反映": each asks first; true when it acted.
    // After a carry-over to the following frames, until the next edit or write, "元に戻す"
    // takes the carry-over back as a whole: every later record as it was, the frame carried
    // from keeping its edit.
    bool Reset();
    bool Undo();
    bool ApplyToFollowing();

    // Automatic alignment against the frame before, as shown. A frame with stored values of
    // its own is replaced only when the user agrees; none found is told. True when the frame
    // took a proposal, which stays an unsaved edit until the frame is left.
    bool autoAlignOffered() const { return editing() && m_setup.registrar != nullptr; }
    bool canAutoAlign() const;
    bool AutoAlign();
    // The proposal of the last AutoAlign, while on that frame: back to what it replaced.
    // After a run over the following frames (AutoAlignFollowing), until the next edit or write:
    // every record it changed back to what it held.
    bool canUndoAutoAlign() const { return m_beforeAuto.has_value() || (!m_beforeRun.empty() && !m_runCarriedOver); }
    bool canUndoCarryOver() const { return !m_beforeRun.empty() && m_runCarriedOver; }
    void UndoAutoAlign();
    // Every frame from the one shown (from the second when the first is shown) to the last, each
    // against the one before it as it now stands. `progress(done, total)` is called before each
    // frame; false stops. Returns how many frames took a proposal. The result told counts the
    // frames aligned, those that could not be, and on a stop those not reached.
    bool canAutoAlignFollowing() const { return mayEdit() && m_setup.registrar && frameCount() > 1; }
    int AutoAlignFollowing(const std::function<bool(int done, int total)>& progress = {});

    // The overlay of the previous frame (edit mode).
    bool overlayEnabled() const { return m_overlayEnabled; }
    void SetOverlayEnabled(bool on);
    bool overlayShown() const { return editing() && m_overlayEnabled && !m_playing && m_current > 0; }

    // Mouse over the dialog (edit mode, stopped). Press and release return true when the
    // picture changed. While the button is held the picture follows the pointer; the move is
    // stored on release inside the frame.
    QRect frameArea() const;
    bool pointerOverFrame() const { return m_overFrame; }
    bool dragging() const { return m_dragStart.has_value(); }
    bool MouseMove(QPoint p);
    void MousePress(QPoint p);
    bool MouseRelease(QPoint p);
    void ForgetDrag();

    // Paints the frame at kFrameOrigin and, in the stopped editor, the thumbnail row at y =
    // thumbnailTop() (`face` fills the place of a missing neighbour).
    void Paint(QPainter& p, const QColor& face) const;
    int thumbnailTop() const { return kFrameOrigin.y() + frameSize().height() + 33; }
    // The alignment the frame is drawn with now (the drag's while the button is held).
    FrameAlignment shownAlignment() const;

private:
    QImage registrationPhoto(int index);
    struct Slot {
        int index = -1;
        QImage picture, thumbnail;
    };
    const Slot& slot(int index) const;
    const Slot& load(int index);
    void keepSlotsAround(int index, bool neighbours);
    void showFrame();
    void readAlignment();
    void composeOverlay();
    void edited(const FrameAlignment& a);
    bool writeIfModified();
    void forgetUndo();
    void restoreRun();
    bool mayEdit() const { return editing() && !m_playing && m_current >= 0; }
    void tell(const Result& r);

    AnimationSetup m_setup;
    Prompt& m_prompt;
    std::vector<QDate> m_frames;
    int m_current = -1;
    int m_playNext = 0;
    bool m_playing = false;
    FrameAlignment m_alignment;
    bool m_modified = false;
    bool m_handEdited = false;  // the alignment in memory was edited since the frame was read
    bool m_overlayEnabled = false;
    std::vector<Slot> m_slots;  // the frame shown and, in the stopped editor, its neighbours
    int m_decodes = 0;
    QImage m_previousAligned;  // the previous frame as its own record shows it
    QImage m_overlay;
    bool m_overFrame = false;
    std::optional<QPoint> m_dragStart;
    QPoint m_dragNow;
    struct Before {
        FrameAlignment alignment;
        bool modified, handEdited;
    };
    std::optional<Before> m_beforeAuto;  // what the last proposal on this frame replaced
    // What the records changed by the last run over the following frames held: an automatic
    // alignment run, or a carry-over.
    std::vector<StoredAlignment> m_beforeRun;
    bool m_runCarriedOver = false;
};
