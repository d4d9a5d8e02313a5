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

    TempDir temp;
    std::string program;
    std::string notebook;
    ScriptedPrompt prompt;
    FakeViewHost host;
    std::unique_ptr<CNotebook> nb;
};
