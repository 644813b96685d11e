// Skin loading figures: the window shape from a mask, and the main window's pictures.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <string>

#include "ui/skin/base_dialog.h"

namespace {

const std::string kSkins = QUORVANE_SKIN_DIR;

QImage roundedMask(int w, int h, int radius) {
    QImage mask(w, h, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, w, h), radius, radius);
    return mask;
}

void regionFrom(benchmark::State& state, const QImage& mask) {
    if (mask.isNull()) {
        state.SkipWithError("mask picture missing");
        return;
    }
    for (auto _ : state) {
        QRegion region = quorvane::regionFromMask(mask);
        benchmark::DoNotOptimize(region);
    }
    state.counters["rects"] = static_cast<double>(quorvane::regionFromMask(mask).rectCount());
}

void BM_RegionFromMainMask(benchmark::State& state) {
    regionFrom(state, QImage(QString::fromStdString(kSkins + "/main_mask.bmp")));
}
BENCHMARK(BM_RegionFromMainMask)->Unit(benchmark::kMillisecond);

// The worst case the shape code must handle quickly: 1000 x 500 with round corners.
void BM_RegionFromRoundedMask1000x500(benchmark::State& state) {
    regionFrom(state, roundedMask(1000, 500, 24));
}
BENCHMARK(BM_RegionFromRoundedMask1000x500)->Unit(benchmark::kMillisecond);

// A mask with a run change on every row: no two rows can share rectangles.
void BM_RegionFromStripedMask1000x500(benchmark::State& state) {
    QImage mask(1000, 500, QImage::Format_RGB32);
    mask.fill(Qt::white);
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = (y % 7); x < mask.width(); x += 9) {
            for (int k = 0; k < 4 && x + k < mask.width(); ++k) {
                mask.setPixel(x + k, y, qRgb(0, 0, 0));
            }
        }
    }
    regionFrom(state, mask);
}
BENCHMARK(BM_RegionFromStripedMask1000x500)->Unit(benchmark::kMillisecond);

// The eleven full-window pictures of the main window, in the order it loads them.
void BM_LoadMainSkinPictures(benchmark::State& state) {
    const char* files[] = {"main_normal.jpg",  "main_over.jpg",    "main_down.jpg",
                           "main_disable.jpg", "main_normal.jpg",  "main_over.jpg",
                           "main_down.jpg",    "main_disable.jpg", "Arrow.jpg",
                           "main_color0.jpg",  "main_color1.jpg"};
    for (auto _ : state) {
        for (const char* f : files) {
            QPixmap picture(QString::fromStdString(kSkins + "/" + f));
            if (picture.isNull()) {
                state.SkipWithError("skin picture missing");
                return;
            }
            benchmark::DoNotOptimize(picture);
        }
    }
}
BENCHMARK(BM_LoadMainSkinPictures)->Unit(benchmark::kMillisecond);

// The base dialog's own start: layout file, background, mask, shape.
void BM_OpenMainSkinnedDialog(benchmark::State& state) {
    for (auto _ : state) {
        quorvane::CBaseDialog dialog(102, nullptr, kSkins + "/Main.ini", kSkins);
        if (!dialog.isShaped()) {
            state.SkipWithError("main skin missing");
            return;
        }
        benchmark::DoNotOptimize(dialog.windowRegion());
    }
}
BENCHMARK(BM_OpenMainSkinnedDialog)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
