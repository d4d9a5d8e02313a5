#pragma once
// The application object: creates and shows the main frame.
#include <QApplication>

#include <memory>

class CMainFrame;

class CKeltoApp : public QApplication {
    Q_OBJECT
public:
    CKeltoApp(int& argc, char** argv);
    ~CKeltoApp() override;
    // Creates the main frame on `commandLine` (the notebook folder, or empty) and shows it.
    bool InitInstance(const std::string& commandLine);
    CMainFrame* frame() const { return m_frame.get(); }
    // The program is Japanese whatever the system locale: date pickers, calendars, numbers.
    static void UseJapaneseConventions();

private:
    // A session that ends, or a kill, closes the program the orderly way, so the day being
    // edited is written like at any other exit.
    void watchTerminationSignals();

    std::unique_ptr<CMainFrame> m_frame;
};
