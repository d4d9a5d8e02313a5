// The animation commands: the player is made on the notebook's frames for the dialog's time
// and the current day is read again afterwards.
#include "app/CNotebook.h"
#include "app/ViewHost.h"
#include "platform/Prompt.h"
#include "store/KeltoIni.h"

void CNotebook::RunAnimation(AnimationMode mode)
{
    if (!m_host || m_notebookFolder.empty())
        return;
    // The editor writes alignments and runs an automatic alignment of its own.
    if (mode == AnimationMode::Edit && refuseWhileJobRuns())
        return;
    if (Result r = FlushDay(); !r) {
        PresentPage();
        return;
    }
    AnimationPlayer player(
        NotebookAnimationSetup(m_notebookFolder, m_settingsFile, m_store.StartDate, currentDate(), mode),
        m_prompt);
    player.Open();
    const int speed = ReadAnimationSpeed(m_settingsFile);
    const int chosen = m_host->RunAnimationDialog(player, speed);
    (void)player.Close();  // a frame that could not be written is told by the player
    // A speed that plays nothing is not kept: the video export takes this value as its rate.
    if (chosen != speed && IsAnimationSpeed(chosen))
        if (!WriteSettingInt(m_settingsFile, AnimationSpeedSetting, chosen))
            tellSettingsWriteFailed();
    // The day held now was flushed before the dialog: there is nothing left to fail here.
    (void)LoadDay(currentDate());
    if (m_viewMode != ViewMode::None)
        DrawPage(m_viewMode);
    PresentPage();
}
