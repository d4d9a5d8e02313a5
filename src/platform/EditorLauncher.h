#pragma once
// The external text editor that edits memo files, behind an interface so tests and other
// platforms can put their own in.
#include "platform/Result.h"
#include "platform/TextCodec.h"

#include <memory>
#include <optional>
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
// command line), else the desktop's default application for text/plain when it opens a window
// of its own, else the first common graphical editor found on PATH. A program that needs a
// terminal is never chosen.
class ProcessEditorLauncher : public EditorLauncher {
public:
    ProcessEditorLauncher();
    // Waits for an editor still running: ending it would lose the user's unsaved text.
    ~ProcessEditorLauncher() override;

    bool start(const std::string& path) override;
    int waitForFinish() override;

    // Whether an editor is set or found (looked up once, then kept for start).
    bool hasEditor();
    // What the user can do when no editor started: set KELTO_EDITOR right, or install one.
    static Msg advice();

    // The editor command without the file; empty when none is found.
    static std::vector<std::string> findEditor();

private:
    // The name the editor gets for `path`: the path itself, or one through a link in the
    // temporary folder when the path is not UTF-8.
    std::string reachableName(const std::string& path);
    void removeLink();

    std::unique_ptr<QProcess> m_process;
    std::string m_linkFolder;
    std::optional<std::vector<std::string>> m_editor;
};

// A memo as the memo window edits it: the text, and how the file holds it, so that it is
// written back the same way (CP932 unless the file was UTF-8, its byte-order mark and its
// line ends kept).
struct MemoText {
    std::string text;  // UTF-8, lines ended by "\n"
    TextEncoding encoding = TextEncoding::Cp932;
    bool bom = false;
    bool crlf = false;
};
// A missing file reads as an empty memo; a file that cannot be read (or is too large for a
// memo) fails (Msg::FileReadFailed).
Result ReadMemoText(const std::string& path, MemoText& memo);
// Replaces the file whole; a text the file's encoding cannot hold is refused (Msg::TextNotStorable)
// and the file stays as it was.
Result WriteMemoText(const std::string& path, const MemoText& memo);
