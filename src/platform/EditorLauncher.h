#pragma once
// The external text editor that edits memo files, behind an interface so tests and other
// platforms can put their own in.
#include <memory>
#include <string>
#include <vector>

class QProcess;

class EditorLauncher {
public:
    virtual ~EditorLauncher() = default;
    // Opens `path` in the editor; false when there is no editor or it does not start.
    virtual bool start(const std::string& path) = 0;
    // Waits until the editor ends and returns its exit code (-1 when it crashed or none was
    // started). On the user-interface thread the windows keep repainting meanwhile, while
    // clicks, keys and workers' calls wait; input given during the wait is dropped.
    virtual int waitForFinish() = 0;
};

// The editor as a child process: the command is KELTO_EDITOR when set (a program path or a
// command line), else the desktop's default application for text/plain, else the first
// common editor found on PATH.
class ProcessEditorLauncher : public EditorLauncher {
public:
    ProcessEditorLauncher();
    // Waits for an editor still running: ending it would lose the user's unsaved text.
    ~ProcessEditorLauncher() override;

    bool start(const std::string& path) override;
    int waitForFinish() override;

    // The editor command without the file; empty when none is found.
    static std::vector<std::string> findEditor();

private:
    // The name the editor gets for `path`: the path itself, or one through a link in the
    // temporary folder when the path is not UTF-8.
    std::string reachableName(const std::string& path);
    void removeLink();

    std::unique_ptr<QProcess> m_process;
    std::string m_linkFolder;
};
