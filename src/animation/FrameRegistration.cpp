#include "animation/FrameRegistration.h"

#include <QPainter>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Where a frame pixel (u, v) lies in the photo: (sx * u + tx, sy * v + ty), in photo pixels.
struct Warp {
    double sx = 1, sy = 1, tx = 0, ty = 0;
};

Warp WarpOf(const FrameAlignment& a, QSize picture, QSize frame)
{
    const QRect source = AlignedSourceRect(a, picture, frame);
    return Warp{double(source.width()) / frame.width(), double(source.height()) / frame.height(),
                double(source.x()), double(source.y())};
}

// The alignment that shows the photo through `warp`: its centre and its width as frame units.
std::optional<FrameAlignment> AlignmentOf(const Warp& warp, const FrameAlignment& start, QSize picture,
                                          QSize frame)
{
    const double pw = picture.width(), ph = picture.height(), fw = frame.width(), fh = frame.height();
    const double cx = warp.sx * fw / 2 + warp.tx, cy = warp.sy * fh / 2 + warp.ty;
    const double w = warp.sx * fw * fw / pw, h = warp.sy * fh * fh / ph;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !(w >= 0.5) || !(h >= 0.5) || w > 1e6 || h > 1e6)
        return std::nullopt;
    FrameAlignment a = start;
    a.x = static_cast<int>(std::lround(cx * fw / pw));
    a.y = static_cast<int>(std::lround(cy * fh / ph));
    a.w = static_cast<int>(std::lround(w));
    a.h = static_cast<int>(std::lround(h));
    // Outside the frame the photo's centre cannot be shown: that is no alignment of this photo.
    if (a.x < 0 || a.y < 0 || a.x >= frame.width() || a.y >= frame.height())
        return std::nullopt;
    return ClampAlignment(a, frame);
}

cv::Mat GrayFloat(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    cv::Mat wrapped(gray.height(), gray.width(), CV_8UC1, const_cast<uchar*>(gray.constBits()),
                    static_cast<size_t>(gray.bytesPerLine()));
    cv::Mat out;
    wrapped.convertTo(out, CV_32F, 1.0 / 255);
    return out;
}

cv::Mat FrameOf(const QImage& photo, const FrameAlignment& a, QSize frame)
{
    QImage image(frame, QImage::Format_RGB32);
    QPainter p(&image);
    DrawAlignedFrame(p, QPoint(0, 0), photo, a, frame);
    p.end();
    return GrayFloat(image);
}

// Too little contrast to register against: a blank or nearly flat picture.
bool Featureless(const cv::Mat& image)
{
    cv::Scalar mean, deviation;
    cv::meanStdDev(image, mean, deviation);
    return deviation[0] < 0.02;
}

}  // namespace

std::optional<FrameAlignment> ProposeFrameAlignment(const QImage& previousPhoto,
                                                    const FrameAlignment& previous,
                                                    const QImage& currentPhoto, const FrameAlignment& start,
                                                    QSize frame)
{
    if (previousPhoto.isNull() || currentPhoto.isNull() || frame.width() < 16 || frame.height() < 16)
        return std::nullopt;
    const QSize picture = currentPhoto.size();
    const cv::Mat reference = FrameOf(previousPhoto, previous, frame);
    if (Featureless(reference) || Featureless(FrameOf(currentPhoto, start, frame)))
        return std::nullopt;

    try {
        // A coarse search first: the shift that phase correlation finds at a few zooms around
        // the start, keeping the zoom that correlates best. Hand-held series move far more
        // between days than the fine search alone can follow.
        cv::Mat window;
        cv::createHanningWindow(window, reference.size(), CV_32F);
        FrameAlignment best = start;
        double bestResponse = -1;
        for (double zoom : {1.0, 0.87, 1.15, 0.76, 1.32}) {
            FrameAlignment candidate = start;
            candidate.w = std::max(1, static_cast<int>(std::lround(start.w * zoom)));
            candidate.h = std::max(1, static_cast<int>(std::lround(start.h * zoom)));
            double response = 0;
            // Phase correlation windows its inputs in place when they have a size the transform
            // takes as it is, so it gets a copy of the reference.
            const cv::Point2d shift = cv::phaseCorrelate(
                reference.clone(), FrameOf(currentPhoto, candidate, frame), window, &response);
            // The content of the reference at u lies at u + shift in this frame.
            const double ux = double(candidate.w) / frame.width(), uy = double(candidate.h) / frame.height();
            candidate.x = static_cast<int>(std::lround(candidate.x + shift.x * ux));
            candidate.y = static_cast<int>(std::lround(candidate.y + shift.y * uy));
            if (response > bestResponse && candidate.x >= 0 && candidate.y >= 0 && candidate.x < frame.width()
                && candidate.y < frame.height()) {
                bestResponse = response;
                best = candidate;
            }
        }

        // The fine search: ECC over translation, scale (and, only to let it converge, shear
        // and rotation, which the alignment then drops) on the photo reduced so the frame's
        // part of it is about frame-sized.
        const Warp coarse = WarpOf(best, picture, frame);
        const double reduce = std::min(1.0, 1.0 / std::max(coarse.sx, coarse.sy));
        QImage input = currentPhoto;
        if (reduce < 1.0)
            input = currentPhoto.scaled(std::max(1, int(std::lround(picture.width() * reduce))),
                                        std::max(1, int(std::lround(picture.height() * reduce))),
                                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double gx = double(input.width()) / picture.width(),
                     gy = double(input.height()) / picture.height();
        cv::Mat warp = (cv::Mat_<float>(2, 3) << float(coarse.sx * gx), 0.f, float(coarse.tx * gx), 0.f,
                        float(coarse.sy * gy), float(coarse.ty * gy));
        const double correlation = cv::findTransformECC(
            reference, GrayFloat(input), warp, cv::MOTION_AFFINE,
            cv::TermCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 100, 1e-5), cv::noArray(), 5);
        const double a = warp.at<float>(0, 0) / gx, b = warp.at<float>(0, 1) / gx;
        const double c = warp.at<float>(1, 0) / gy, d = warp.at<float>(1, 1) / gy;
        const double scale = (a / coarse.sx + d / coarse.sy) / 2;
        if (!(correlation > 0.5) || !(scale > 0) || std::abs(b) > 0.1 * std::abs(a)
            || std::abs(c) > 0.1 * std::abs(d))
            return bestResponse > 0.1 ? std::optional(ClampAlignment(best, frame)) : std::nullopt;
        // The frame's centre through the affine warp; the scale is the mean of both axes.
        const double u = frame.width() / 2.0, v = frame.height() / 2.0;
        const double cx = a * u + b * v + warp.at<float>(0, 2) / gx,
                     cy = c * u + d * v + warp.at<float>(1, 2) / gy;
        Warp fine{coarse.sx * scale, coarse.sy * scale, 0, 0};
        fine.tx = cx - fine.sx * u;
        fine.ty = cy - fine.sy * v;
        return AlignmentOf(fine, start, picture, frame);
    } catch (const cv::Exception&) {
        // ECC raises when its iterations diverge: the photos do not match well enough.
        return std::nullopt;
    }
}
