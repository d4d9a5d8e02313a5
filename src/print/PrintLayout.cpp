#include "print/PrintLayout.h"

#include "platform/IniFile.h"
#include "store/KeltoIni.h"
#include "store/NotebookFile.h"
#include "views/LayoutIni.h"
#include "views/PageDraw.h"

#include <QPainter>

namespace {
// The largest sheet or preview side taken from Print.ini.
constexpr int kSheetLimit = 8000;

int readSize(const std::string& file, const char* section, const char* key, int def)
{
    const int v = ReadSettingInt(file, IntSetting{section, key, def});
    return v > 0 && v <= kSheetLimit ? v : def;
}

namespace HeaderIni {
inline constexpr IntSetting X{"Print", "X", 10};
inline constexpr IntSetting Y{"Print", "Y", 10};
inline constexpr IntSetting Width{"Print", "Width", 100};
inline constexpr IntSetting Height{"Print", "Height", 100};
inline constexpr IntSetting LinePitch{"Print", "LinePitch", 20};
inline constexpr IntSetting ColumnWidth{"Print", "ColumnWidth", 100};
}  // namespace HeaderIni
}  // namespace

PrintSettings ReadPrintSettings(const std::string& file, QSize view)
{
    using namespace PrintIni;
    PrintSettings s;
    s.PrintWidth = readSize(file, Print, "Width", view.width());
    s.PrintHeight = readSize(file, Print, "Height", 2 * view.height());
    s.PrintX = ClampLayout(ReadSettingInt(file, IntSetting{Print, "X", 0}));
    s.PrintY = ClampLayout(ReadSettingInt(file, IntSetting{Print, "Y", 0}));
    s.PreviewWidth = readSize(file, Preview, "Width", view.height());
    s.PreviewHeight = readSize(file, Preview, "Height", view.width());
    return s;
}

void DrawPrintHeader(QPainter& p, int x, int y, const std::string& layout, const NotebookInfo& info)
{
    const QColor text = p.pen().color();
    if (auto title =
            ParseCaption(ReadLayoutText(layout, "Print", LayoutIni::Title, "", LayoutIni::kHeaderValueBytes)))
        DrawPageText(p, x + title->x, y + title->y, title->text, text);

    const int L = ReadLayoutInt(layout, HeaderIni::X) + x;
    const int T = ReadLayoutInt(layout, HeaderIni::Y) + y;
    const int W = ReadLayoutInt(layout, HeaderIni::Width);
    const int H = ReadLayoutInt(layout, HeaderIni::Height);
    const int pitch = ReadLayoutInt(layout, HeaderIni::LinePitch);
    const int column = ReadLayoutInt(layout, HeaderIni::ColumnWidth);
    const std::string* values[] = {&info.SchoolName,  &info.GradeNo,  &info.ClassName, &info.StudentNo,
                                   &info.StudentName, &info.KindName, &info.StartDate};
    int row = T;
    for (int i = 1; i <= 10; ++i) {
        const std::string item = ReadLayoutText(layout, "Print", ("Title" + std::to_string(i)).c_str());
        if (item.empty())
            break;
        const size_t comma = item.find(',');
        const int offset = ClampLayout(IniFile::ParseInt(item.substr(0, comma)));
        const std::string caption = comma == std::string::npos ? std::string() : item.substr(comma + 1);
        if (offset == 0 && i > 1) {
            row += pitch;
            p.drawLine(L, row, L + W, row);
        }
        const int c = L + offset;
        p.drawLine(c, row, c, row + pitch);
        DrawPageText(p, c + 4, row + 4, caption, text);
        p.drawLine(c + column, row, c + column, row + pitch);
        if (i <= 7)
            DrawPageText(p, c + column + 4, row + 4, *values[i - 1], text);
    }
    p.drawLine(L, T, L + W, T);
    p.drawLine(L + W, T, L + W, T + H);
    p.drawLine(L + W, T + H, L, T + H);
    p.drawLine(L, T + H, L, T);
}
