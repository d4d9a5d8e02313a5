#pragma once
// Automatic alignment: proposes where a frame's photo should be cut so that it lines up with
// the frame before it as that frame is shown, by image registration (translation and a common
// scale, the alignment's own model).
#include "animation/FrameAlignment.h"

#include <QImage>
#include <QSize>

#include <optional>

// `previousPhoto` shown with `previous` is the reference; `currentPhoto` starts from `start`
// (its alignment as it is now). None when the photos hold too little to register or the
// search does not settle; the caller then keeps the frame as it is.
std::optional<FrameAlignment> ProposeFrameAlignment(const QImage& previousPhoto,
                                                    const FrameAlignment& previous,
                                                    const QImage& currentPhoto, const FrameAlignment& start,
                                                    QSize frame);
