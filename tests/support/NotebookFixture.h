#pragma once
// A program folder and a notebook in a temporary folder, with a controller opened on the
// notebook through the command line (so Kelto.ini stays untouched).
#include "app/CNotebook.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompt.h"
#include "store/NotebookFile.h"
#include "support/FakeViewHost.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"

#include <QUuid>

#include <functional>
#include <memory>
#include <tuple>

class NotebookFixture {
public:
    explicit NotebookFixture(const std::string& startDate = "2013/04/01")
    {
        program = temp.mkdir("program");
        notebook = temp.mkdir("program/data/観察");
        if (!startDate.empty())
            RequireWritten(WriteNotebookKey(notebook, "StartDate", startDate));
        RequireWritten(WriteNotebookKey(notebook, "KindName", "トマト"));
    }

    // Writes a day file with the given Growth height (and nothing else).
    void addDay(int yyyymmdd, const char* height = "10.0")
    {
        RequireWritten(IniFile::WriteString(dayPath(yyyymmdd, "dat"), "Growth", "DataHeight", height));
    }
    std::string dayPath(int yyyymmdd, const char* ext) const
    {
        return JoinPath(notebook, std::to_string(yyyymmdd) + "." + ext);
    }

    // Creates the controller and runs its start on the notebook.
    CNotebook& open()
    {
        nb = std::make_unique<CNotebook>(
            program, prompt, "KeltoTest-" + QUuid::createUuid().toString(QUuid::Id128).toStdString());
        nb->SetCommandLineNotebook(notebook);
        nb->Initialize(&host);
        return *nb;
    }

    // A dialog the fake host opens through `hook`, answered as the user would: `opened` gets the
    // fields it opened with, `edit` changes them and OK is pressed (no `edit`: Cancel); `run` is
    // the operation that opens it. 0 when OK closed the dialog, -1 when it was cancelled, else
    // the field to correct (as the window's dialog hands OK on to the controller).
    template <class Fields, class Hook>
    int answerDialog(Hook& hook, const std::function<bool()>& run,
                     const std::function<void(Fields&)>& edit, Fields* opened = nullptr)
    {
        int focus = -1;
        hook = [&](Fields fields, const auto&... modeAndApply) {
            if (opened)
                *opened = fields;
            if (edit) {
                edit(fields);
                focus = std::get<sizeof...(modeAndApply) - 1>(std::tie(modeAndApply...))(fields);
            }
            return focus == 0;
        };
        run();
        hook = nullptr;
        return focus;
    }
    int enterMeasurements(const std::function<void(EntryFields&)>& edit, EntryFields* opened = nullptr)
    {
        return answerDialog(host.entryDialog, [this] { return nb->EnterMeasurements(); }, edit, opened);
    }
    int changeDayData(const std::function<void(DayDataFields&)>& edit)
    {
        return answerDialog<DayDataFields>(host.dataDialog, [this] { return nb->EditDayData(); }, edit);
    }
    bool editSettings(SettingsMode mode, const std::function<void(NotebookSettingsFields&)>& edit,
                      NotebookSettingsFields* opened = nullptr)
    {
        return answerDialog(host.settingsDialog, [&] { return nb->EditNotebookSettings(mode); }, edit, opened) == 0;
    }
    // The internet settings dialog: `work` gets what it opened with and what its buttons call.
    bool internetSettings(const std::function<void(const InternetSettingsFields&, const InternetSettingsOps&)>& work)
    {
        host.internetDialog = [&](const InternetSettingsFields& fields, const InternetSettingsOps& ops) {
            work(fields, ops);
            return true;
        };
        const bool closed = nb->EditInternetSettings();
        host.internetDialog = nullptr;
        return closed;
    }

    TempDir temp;
    std::string program;
    std::string notebook;
    ScriptedPrompt prompt;
    FakeViewHost host;
    std::unique_ptr<CNotebook> nb;
};
