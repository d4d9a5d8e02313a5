#pragma once
// The program's icon and the toolbar pictures, painted at start-up so no image files ship.
#include <QImage>

// The picture of toolbar command `commandId` at `size` × `size` pixels; a null image for a
// command without a button.
QImage ToolBarPicture(int commandId, int size);
// The program icon: a seedling in a pot.
QImage AppIconPicture(int size);
