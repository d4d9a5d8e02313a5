#pragma once
// What a printed sheet is made of: the sheet's logical size and the places of its two pages
// (Print.ini beside the program), and the print header of Layout.ini [Print] with the box of
// the notebook's identity drawn on the top of every sheet.
#include "platform/SettingKey.h"

#include <QSize>

#include <string>

class QPainter;
struct NotebookInfo;

namespace PrintIni {
inline constexpr const char* Print = "Print";
inline constexpr const char* Preview = "Preview";
}  // namespace PrintIni

// Logical sheet units are the screen's page pixels.
struct PrintSettings {
    int PrintWidth = 780;   // logical width of a sheet
    int PrintHeight = 992;  // logical height of a sheet
    int PrintX = 0;         // left of both pages
    int PrintY = 0;         // top of the upper page; the lower one is a view's height below
    int PreviewWidth = 496;
    int PreviewHeight = 780;
};

// Print.ini, with defaults from the view's size. A size that is not positive or is larger
// than a sheet could sensibly be falls back to its default, so neither the preview bitmap nor
// the mapping is made from a hand-edited 0 or 2147483647.
PrintSettings ReadPrintSettings(const std::string& printIniFile, QSize viewSize);

// The print header at (x, y) of the sheet: Layout.ini [Print] Title and the identity box with
// the items Title1..Title10 and the values of Kelto.dat. Lines use the painter's pen, text its
// font.
void DrawPrintHeader(QPainter& p, int x, int y, const std::string& layoutFile, const NotebookInfo& info);
