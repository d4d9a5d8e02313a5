#include "animation/AnimationPlayer.h"

#include "animation/FrameRegistration.h"

#include "photos/PictureFile.h"
#include "platform/SafeFormat.h"

#include <QPainter>

#include <algorithm>

AnimationPlayer::AnimationPlayer(AnimationSetup setup, Prompt& prompt)
    : m_setup(std::move(setup)), m_prompt(prompt)
{}

void AnimationPlayer::Open()
{
    m_frames = ScanFrames(m_setup.notebookFolder);
    m_slots.clear();
    m_playing = false;
    m_overlayEnabled = editing();
    ForgetDrag();
    if (m_frames.empty()) {
        m_current = -1;
        return;
    }
    m_current = 0;
    if (editing()) {
        const auto from = std::lower_bound(m_frames.begin(), m_frames.end(), m_setup.currentDate);
        m_current = from == m_frames.end() ? frameCount() - 1 : static_cast<int>(from - m_frames.begin());
    }
    showFrame();
    m_modified = false;
}

QDate AnimationPlayer::currentFrameDate() const
{
    return m_current >= 0 && m_current < frameCount() ? m_frames[m_current] : QDate();
}

std::string AnimationPlayer::dateText() const
{
    const QDate d = currentFrameDate();
    if (!d.isValid())
        return {};
    return FormatInts("%d/%d/%d", {d.year(), d.month(), d.day()});
}

std::string AnimationPlayer::dayNumberText() const
{
    const QDate d = currentFrameDate();
    if (!d.isValid() || !m_setup.startDate)
        return {};
    return std::to_string(m_setup.startDate->daysTo(d) + 1);
}

const AnimationPlayer::Slot& AnimationPlayer::slot(int index) const
{
    static const Slot none;
    for (const Slot& s : m_slots)
        if (s.index == index)
            return s;
    return none;
}

// Registration looks at brightness alone, read from the file for it, whether or not the frame
// is on screen: a frame's proposal does not depend on which frames were shown.
QImage AnimationPlayer::registrationPhoto(int index)
{
    QImage photo;
    LoadPictureBrightness(FramePhotoPath(m_setup.notebookFolder, m_frames[index]), photo);
    ++m_decodes;
    return photo;
}

// Each frame is decoded once while it stays the frame shown or one of its neighbours.
const AnimationPlayer::Slot& AnimationPlayer::load(int index)
{
    if (const Slot& s = slot(index); s.index == index)
        return s;
    Slot s;
    s.index = index;
    LoadPictureFile(FramePhotoPath(m_setup.notebookFolder, m_frames[index]), s.picture);
    ++m_decodes;
    if (editing() && !s.picture.isNull())
        s.thumbnail =
            s.picture.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_slots.push_back(std::move(s));
    return m_slots.back();
}

void AnimationPlayer::keepSlotsAround(int index, bool neighbours)
{
    std::erase_if(m_slots, [&](const Slot& s) {
        return neighbours ? std::abs(s.index - index) > 1 : s.index < index - 1 || s.index > index;
    });
}

void AnimationPlayer::readAlignment()
{
    const AlignmentLookup lookup =
        ReadFrameAlignment(m_setup.notebookFolder, m_frames, m_current, m_setup.geometry);
    m_alignment = lookup.alignment;
    m_modified = lookup.inherited;
    m_handEdited = false;
}

void AnimationPlayer::showFrame()
{
    m_beforeAuto.reset();
    const bool editor = editing() && !m_playing;
    keepSlotsAround(m_current, editor);
    load(m_current);
    readAlignment();
    m_previousAligned = QImage();
    if (editor) {
        if (m_current > 0)
            load(m_current - 1);
        if (m_current < frameCount() - 1)
            load(m_current + 1);
        if (m_current > 0) {
            // The previous frame under the overlay is drawn from its own record only.
            m_previousAligned = QImage(frameSize(), QImage::Format_RGB32);
            QPainter p(&m_previousAligned);
            DrawAlignedFrame(
                p, QPoint(0, 0), slot(m_current - 1).picture,
                ReadOwnFrameAlignment(m_setup.notebookFolder, m_frames[m_current - 1], m_setup.geometry),
                frameSize());
        }
    }
    composeOverlay();
}

void AnimationPlayer::composeOverlay()
{
    if (m_previousAligned.isNull() || m_playing) {
        m_overlay = QImage();
        return;
    }
    QImage current(frameSize(), QImage::Format_RGB32);
    QPainter p(&current);
    DrawAlignedFrame(p, QPoint(0, 0), picture(), shownAlignment(), frameSize());
    p.end();
    m_overlay = BlendFrames(current, m_previousAligned);
}

std::optional<int> AnimationPlayer::TimerInterval(int speed)
{
    if (!IsAnimationSpeed(speed))
        return std::nullopt;
    return 1000 / speed;
}

bool AnimationPlayer::AcceptSpeed(int speed)
{
    if (IsAnimationSpeed(speed))
        return true;
    m_prompt.tell(Msg::AnimationSpeedRange, Icon::Exclamation);
    return false;
}

bool AnimationPlayer::StartPlayback(int speed)
{
    if (!TimerInterval(speed) || m_frames.empty() || m_playing)
        return false;
    if (!writeIfModified())
        return false;
    ForgetDrag();
    m_playing = true;
    m_playNext = 0;
    m_overlay = QImage();
    return true;
}

void AnimationPlayer::Tick()
{
    if (!m_playing)
        return;
    m_current = m_playNext;
    showFrame();
    if (picture().isNull() || m_current >= frameCount() - 1)
        StopPlayback();
    else
        ++m_playNext;
}

void AnimationPlayer::StopPlayback()
{
    if (!m_playing)
        return;
    m_playing = false;
    if (editing()) {
        // Back in the editor: neighbours and overlay for the frame shown, its alignment as is.
        const FrameAlignment a = m_alignment;
        const bool modified = m_modified;
        showFrame();
        m_alignment = a;
        m_modified = modified;
        composeOverlay();
    }
}

bool AnimationPlayer::GoToFrame(int step)
{
    if (m_playing || m_frames.empty())
        return false;
    const int target = step == 0 ? 0 : m_current + step;
    if (target < 0 || target >= frameCount())
        return false;
    if (!writeIfModified())
        return false;
    m_current = target;
    showFrame();
    return true;
}

Result AnimationPlayer::Close()
{
    m_playing = false;
    ForgetDrag();
    if (!m_modified || m_current < 0)
        return {};
    Result r = WriteFrameAlignment(m_setup.notebookFolder, m_frames[m_current], m_alignment);
    if (r)
        m_modified = false;
    else
        tell(r);
    return r;
}

bool AnimationPlayer::writeIfModified()
{
    if (!m_modified || m_current < 0)
        return true;
    if (Result r = WriteFrameAlignment(m_setup.notebookFolder, m_frames[m_current], m_alignment); !r) {
        tell(r);
        return false;
    }
    m_modified = false;
    m_beforeRun.clear();
    return true;
}

void AnimationPlayer::forgetUndo()
{
    m_beforeAuto.reset();
    m_beforeRun.clear();
}

void AnimationPlayer::tell(const Result& r)
{
    m_prompt.tell(r.message, Icon::Stop, ResultText(r));
}

void AnimationPlayer::edited(const FrameAlignment& a)
{
    m_alignment = a;
    m_modified = true;
    forgetUndo();
    m_handEdited = true;
    composeOverlay();
}

void AnimationPlayer::Zoom(int d, bool fine)
{
    if (mayEdit())
        edited(ZoomFrame(m_alignment, d, frameSize(), fine));
}

void AnimationPlayer::Move(int dx, int dy)
{
    if (mayEdit())
        edited(MoveFrame(m_alignment, dx, dy, frameSize()));
}

void AnimationPlayer::MarkModified()
{
    if (mayEdit())
        edited(m_alignment);
}

bool AnimationPlayer::Reset()
{
    if (!mayEdit() || m_prompt.ask(Msg::ConfirmResetFrame, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    edited(m_setup.geometry.standard);
    return true;
}

bool AnimationPlayer::Undo()
{
    if (!mayEdit())
        return false;
    if (canUndoCarryOver()) {
        if (m_prompt.ask(Msg::ConfirmUndoCarryOver, Buttons::YesNo, Icon::Question) != Answer::Yes)
            return false;
        restoreRun();
        return true;
    }
    if (m_prompt.ask(Msg::ConfirmRevertFrame, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    forgetUndo();
    readAlignment();
    composeOverlay();
    return true;
}

bool AnimationPlayer::ApplyToFollowing()
{
    if (!mayEdit() || !m_modified)
        return false;
    if (m_prompt.ask(Msg::ApplyFrameToLater, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    const FrameAlignment cur = m_alignment;
    const FrameAlignment old =
        ReadFrameAlignment(m_setup.notebookFolder, m_frames, m_current, m_setup.geometry).alignment;
    forgetUndo();
    m_runCarriedOver = true;
    const Result r = ApplyToFollowingFrames(m_setup.notebookFolder, m_frames, m_current, cur, old,
                                            m_setup.geometry, &m_beforeRun);
    m_alignment = cur;
    // The frame's own edit is in its record unless the writing failed: then it stays unsaved.
    m_modified = !r;
    m_handEdited = m_handEdited && !r;
    if (!r)
        tell(r);
    composeOverlay();
    return r.ok();
}

bool AnimationPlayer::canAutoAlign() const
{
    return mayEdit() && m_setup.registrar && m_current > 0;
}

bool AnimationPlayer::AutoAlign()
{
    if (!canAutoAlign())
        return false;
    const bool ownValues =
        !ReadFrameAlignment(m_setup.notebookFolder, m_frames, m_current, m_setup.geometry).inherited;
    if (ownValues
        && m_prompt.ask(Msg::ConfirmReplaceAlignment, Buttons::YesNoDefaultNo, Icon::Question) != Answer::Yes)
        return false;
    const FrameAlignment previous =
        ReadFrameAlignment(m_setup.notebookFolder, m_frames, m_current - 1, m_setup.geometry).alignment;
    const QImage previousPhoto = registrationPhoto(m_current - 1), photo = registrationPhoto(m_current);
    std::optional<FrameAlignment> proposal;
    if (!previousPhoto.isNull() && !photo.isNull())
        proposal = m_setup.registrar(previousPhoto, previous, photo, m_alignment, frameSize());
    if (!proposal) {
        m_prompt.tell(Msg::AutoAlignNotFound, Icon::Information);
        return false;
    }
    forgetUndo();
    m_beforeAuto = Before{m_alignment, m_modified, m_handEdited};
    m_alignment = ClampAlignment(*proposal, frameSize());
    m_modified = true;
    m_handEdited = false;
    composeOverlay();
    return true;
}

void AnimationPlayer::restoreRun()
{
    for (auto it = m_beforeRun.rbegin(); it != m_beforeRun.rend(); ++it)
        if (Result r = RestoreStoredAlignment(m_setup.notebookFolder, *it); !r) {
            tell(r);
            break;
        }
    m_beforeRun.clear();
    showFrame();
}

void AnimationPlayer::UndoAutoAlign()
{
    if (!mayEdit() || !canUndoAutoAlign())
        return;
    if (!m_beforeRun.empty()) {
        restoreRun();
        return;
    }
    if (!m_beforeAuto)
        return;
    m_alignment = m_beforeAuto->alignment;
    m_modified = m_beforeAuto->modified;
    m_handEdited = m_beforeAuto->handEdited;
    m_beforeAuto.reset();
    composeOverlay();
}

int AnimationPlayer::AutoAlignFollowing(const std::function<bool(int, int)>& progress)
{
    if (!canAutoAlignFollowing()
        || m_prompt.ask(Msg::ConfirmAutoAlignFollowing, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return 0;
    const std::string& folder = m_setup.notebookFolder;
    const int first = std::max(m_current, 1), total = frameCount() - first;
    // The chain starts from the frame shown as the user sees it (the first frame has nothing to
    // be aligned to), and an edit made by hand is stored first so it counts as the user's own.
    if ((first != m_current || m_handEdited) && !writeIfModified())
        return 0;
    forgetUndo();
    m_runCarriedOver = false;
    std::vector<bool> own(frameCount(), false);
    int owned = 0;
    for (int j = first; j < frameCount(); ++j)
        owned += (own[j] = !ReadFrameAlignment(folder, m_frames, j, m_setup.geometry).inherited);
    bool replaceOwn = false;
    if (owned > 0) {
        const std::string text = FormatInts(LoadString(Msg::ReplaceStoredAlignments), {owned});
        const Answer a =
            m_prompt.ask(Msg::ReplaceStoredAlignments, Buttons::YesNoCancel, Icon::Question, text);
        if (a == Answer::Cancel)
            return 0;
        replaceOwn = a == Answer::Yes;
    }
    // Each frame is registered against the one before it as that one now stands, so the
    // proposals chain from the first frame taken to the last.
    // A photo is read only for a frame registered or the one before it.
    QImage previousPhoto;
    int previousIndex = -1;
    int aligned = 0, missed = 0, notReached = 0;
    bool currentTook = false;
    for (int j = first; j < frameCount(); ++j) {
        if (progress && !progress(j - first, total)) {
            notReached = frameCount() - j;
            break;
        }
        if (own[j] && !replaceOwn)
            continue;
        if (previousIndex != j - 1)
            previousPhoto = registrationPhoto(j - 1);
        const QImage photo = registrationPhoto(j);
        const FrameAlignment previous =
            ReadFrameAlignment(folder, m_frames, j - 1, m_setup.geometry).alignment;
        const FrameAlignment start =
            j == m_current ? m_alignment
                           : ReadFrameAlignment(folder, m_frames, j, m_setup.geometry).alignment;
        std::optional<FrameAlignment> proposal;
        if (!previousPhoto.isNull() && !photo.isNull())
            proposal = m_setup.registrar(previousPhoto, previous, photo, start, frameSize());
        previousPhoto = photo;
        previousIndex = j;
        if (!proposal) {
            ++missed;
            continue;
        }
        m_beforeRun.push_back(ReadStoredAlignment(folder, m_frames[j]));
        if (Result r = WriteFrameAlignment(folder, m_frames[j], ClampAlignment(*proposal, frameSize())); !r) {
            tell(r);
            break;
        }
        ++aligned;
        currentTook = currentTook || j == m_current;
    }
    if (progress)
        progress(total, total);
    if (currentTook)
        readAlignment();
    composeOverlay();
    if (notReached > 0)
        m_prompt.tell(Msg::AutoAlignStopped, Icon::Information,
                      FormatInts(LoadString(Msg::AutoAlignStopped), {aligned, missed, notReached}));
    else if (missed > 0)
        m_prompt.tell(Msg::AutoAlignSomeMissed, Icon::Information,
                      FormatInts(LoadString(Msg::AutoAlignSomeMissed), {aligned, missed}));
    else
        m_prompt.tell(Msg::AutoAlignDone, Icon::Information,
                      FormatInts(LoadString(Msg::AutoAlignDone), {aligned}));
    return aligned;
}

void AnimationPlayer::SetOverlayEnabled(bool on)
{
    m_overlayEnabled = on;
}

QRect AnimationPlayer::frameArea() const
{
    // Both ends belong to the area.
    return QRect(kFrameOrigin, frameSize() + QSize(1, 1));
}

FrameAlignment AnimationPlayer::shownAlignment() const
{
    if (!m_dragStart)
        return m_alignment;
    const QPoint d = m_dragNow - *m_dragStart;
    return DragFrame(m_alignment, d.x(), d.y(), frameSize());
}

void AnimationPlayer::ForgetDrag()
{
    const bool was = m_dragStart.has_value();
    m_dragStart.reset();
    m_overFrame = false;
    if (was)
        composeOverlay();
}

bool AnimationPlayer::MouseMove(QPoint p)
{
    if (!mayEdit() || !frameArea().contains(p)) {
        const bool was = dragging();
        ForgetDrag();
        return was;
    }
    m_overFrame = true;
    if (!dragging() || m_dragNow == p)
        return false;
    m_dragNow = p;
    composeOverlay();
    return true;
}

void AnimationPlayer::MousePress(QPoint p)
{
    if (!mayEdit() || !frameArea().contains(p)) {
        ForgetDrag();
        return;
    }
    m_overFrame = true;
    m_dragStart = p;
    m_dragNow = p;
}

bool AnimationPlayer::MouseRelease(QPoint p)
{
    if (!mayEdit() || !frameArea().contains(p) || !m_dragStart) {
        const bool was = dragging();
        ForgetDrag();
        return was;
    }
    const QPoint d = p - *m_dragStart;
    m_dragStart.reset();
    // A click that moved nothing is no edit.
    if (d.isNull())
        return false;
    edited(DragFrame(m_alignment, d.x(), d.y(), frameSize()));
    return true;
}

void AnimationPlayer::Paint(QPainter& p, const QColor& face) const
{
    if (m_current < 0) {
        p.fillRect(QRect(kFrameOrigin, frameSize()), Qt::black);
        return;
    }
    if (overlayShown() && !m_overlay.isNull())
        p.drawImage(kFrameOrigin, m_overlay);
    else
        DrawAlignedFrame(p, kFrameOrigin, picture(), shownAlignment(), frameSize());
    if (!editing() || m_playing)
        return;
    const int top = thumbnailTop();
    for (int i = 0; i < 3; ++i) {
        const QImage& thumb = slot(m_current - 1 + i).thumbnail;
        const QRect place(kThumbLefts[i], top, kThumbWidth, kThumbHeight);
        if (thumb.isNull())
            p.fillRect(place, face);
        else
            p.drawImage(place.topLeft(), thumb);
    }
}

AnimationSetup NotebookAnimationSetup(const std::string& notebookFolder, const std::string& keltoIni,
                                      std::optional<QDate> startDate, const QDate& currentDate,
                                      AnimationMode mode)
{
    AnimationSetup setup;
    setup.notebookFolder = notebookFolder;
    setup.geometry = ReadFrameGeometry(keltoIni);
    setup.startDate = startDate;
    setup.currentDate = currentDate;
    setup.mode = mode;
    setup.registrar = ProposeFrameAlignment;
    return setup;
}
