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
        IniFile::WriteString(dayPath(yyyymmdd, "dat"), "Growth", "DataHeight", height);
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

    // The entry dialog on the current day, `edit` changing the fields it opened with, then OK as
    // the window's dialog hands it on: 0 when that closed the dialog, else the field to correct.
    int enterMeasurements(const std::function<void(EntryFields&)>& edit)
    {
        int focus = 0;
        host.entryDialog = [&](const EntryFields& fields, const DialogApply<EntryFields>& apply) {
            EntryFields e = fields;
            edit(e);
            return (focus = apply(e)) == 0;
        };
        const bool closed = nb->EnterMeasurements();
        host.entryDialog = nullptr;
        return closed ? 0 : focus;
    }
    // The data change dialog the same way.
    int changeDayData(const std::function<void(DayDataFields&)>& edit)
    {
        int focus = 0;
        host.dataDialog = [&](const DayDataFields& fields, const DialogApply<DayDataFields>& apply) {
            DayDataFields d = fields;
            edit(d);
            return (focus = apply(d)) == 0;
        };
        const bool closed = nb->EditDayData();
        host.dataDialog = nullptr;
        return closed ? 0 : focus;
    }

    // The notebook settings dialog opened for `mode`, `opened` getting the fields it opened with:
    // `edit` changes them and OK is pressed (true when that closed the dialog); without `edit`
    // the dialog is cancelled.
    bool editSettings(SettingsMode mode, const std::function<void(NotebookSettingsFields&)>& edit,
                      NotebookSettingsFields* opened = nullptr)
    {
        host.settingsDialog = [&](const NotebookSettingsFields& fields, SettingsMode,
                                  const DialogApply<NotebookSettingsFields>& apply) {
            if (opened)
                *opened = fields;
            NotebookSettingsFields changed = fields;
            if (!edit)
                return false;
            edit(changed);
            return apply(changed) == 0;
        };
        const bool closed = nb->EditNotebookSettings(mode);
        host.settingsDialog = nullptr;
        return closed;
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
    // Internet use turned on or off there, the place left as it was.
    void setInternet(bool on)
    {
        internetSettings([on](const InternetSettingsFields&, const InternetSettingsOps& ops) {
            ops.apply(InternetSettingsChoice{on, {}, {}});
        });
    }

    TempDir temp;
    std::string program;
    std::string notebook;
    ScriptedPrompt prompt;
    FakeViewHost host;
    std::unique_ptr<CNotebook> nb;
};
