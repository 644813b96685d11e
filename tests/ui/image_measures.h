// Rough measures of a rendered control's pixels, for checks of its look.
#pragma once

#include <QImage>

namespace quorvane::test {

inline double meanGray(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += qGray(image.pixel(x, y));
        }
    }
    return sum / (image.width() * image.height());
}

// Light pixels (a caption, an arrow, a tick, a frame) in the columns from `left`.
inline int lightPixels(const QImage& image, int left = 0) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < image.width(); ++x) {
            n += qGray(image.pixel(x, y)) > 110 ? 1 : 0;
        }
    }
    return n;
}

}  // namespace quorvane::test
