#pragma once
// Dialog 141 "グラフ設定": which series the graph draws and in which colours, the scale ends and
// whether the month's weather is fetched. Every change is handed on at once, so the graph
// behind the dialog shows it.
#include "views/GraphPage.h"

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>
#include <map>
#include <optional>

class Prompt;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CGraphDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdFirstCheck = 300,  // 300-307: series 1-8 shown
        IdFirstColor = 310,  // 310-317: series 1-8 colour
        IdGetWeather = 1022,
        IdMaxLength = 1024,
        IdMinTemp = 1031,
        IdMaxTemp = 1033,
        IdMaxDaylight = 1035,
    };
    using Preview = std::function<void(const GraphSettings&)>;
    // Asks the user for a colour starting at `initial`; none when the choice was cancelled.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial)>;

    CGraphDlg(const GraphSettings& settings, bool internetEnabled, Prompt& prompt, Preview preview,
              QWidget* parent = nullptr);
    const GraphSettings& settings() const { return m_settings; }
    // Refuses scales that cannot be drawn: the lowest temperature at or above the highest, or
    // a length or sunshine scale of no height. The dialog then stays open.
    void accept() override;
    // Tests answer the colour dialog here; by default it is the desktop's colour dialog.
    void setColorChooser(ColorChooser chooser) { m_chooseColor = std::move(chooser); }

private:
    void chooseColor(int series);
    void editChanged(int id, QLineEdit* edit);
    void paintColorButton(int series);

    GraphSettings m_settings;
    Prompt& m_prompt;
    Preview m_preview;
    ColorChooser m_chooseColor;
    std::array<QCheckBox*, kGraphSeriesCount> m_checks{};
    std::array<QPushButton*, kGraphSeriesCount> m_colors{};
    std::map<int, QLineEdit*> m_edits;
};
