#pragma once
// Dialog 143 "データ選択": pick a notebook of the data root, or ask for a new one.
#include "app/NotebookSettings.h"

#include <QDialog>

#include <memory>

class Prompt;
class QTableWidget;
class QPushButton;

class CStartDlg : public QDialog {
    Q_OBJECT
public:
    // Works on `place`: a chosen notebook becomes its notebook folder, a changed data root its
    // data root. `browser` answers the folder change (null: the desktop's folder dialog).
    CStartDlg(NotebookPlace& place, Prompt& prompt, QWidget* parent = nullptr,
              FolderBrowser* browser = nullptr);
    ~CStartDlg() override;

    // Set by "新規データ"; cleared when the dialog is made and by OK.
    bool NewNotebookRequested() const { return m_newNotebook; }
    // The list's rows: fills it from the data root; the remembered notebook's row is selected.
    int FillNotebookList();

    void accept() override;

private:
    void InitStartDialog();
    void newNotebook();
    void changeDataRoot();

    NotebookPlace& m_place;
    Prompt& m_prompt;
    std::unique_ptr<FolderBrowser> m_ownBrowser;
    FolderBrowser* m_browser;
    QTableWidget* m_list = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_folderButton = nullptr;
    bool m_newNotebook = false;
};
