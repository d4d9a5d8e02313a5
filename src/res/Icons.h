#pragma once
// The program's icon and the toolbar pictures, painted at start-up so no image files ship.
#include <QImage>

#include <string>

// The picture of toolbar command `commandId` at `size` × `size` pixels; a null image for a
// command without a button.
QImage ToolBarPicture(int commandId, int size);
// The program icon: a seedling in a pot.
QImage AppIconPicture(int size);
// The animation editor's alignment buttons by resource name: "UPU", "UPD", "DOWNU", "DOWND",
// "LEFTU", "LEFTD", "RIGHTU", "RIGHTD", "EXPU", "EXPD", "RDCU", "RDCD" (U released, D pressed).
QImage AlignButtonPicture(const std::string& name, int size);
