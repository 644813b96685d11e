#include "ui/skin/base_dialog.h"

#include <QApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <utility>
#include <vector>

#include "core/platform/ini_file.h"
#include "ui/skin/skin_picture.h"

namespace quorvane {

QRegion regionFromMask(const QImage& source) {
    if (source.isNull()) {
        return {};
    }
    const QImage mask =
        source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
            ? source
            : source.convertToFormat(QImage::Format_RGB32);
    const int width = mask.width();
    std::vector<QRect> rects;
    rects.reserve(static_cast<std::size_t>(mask.height()) * 2);
    std::vector<std::pair<int, int>> runs;
    std::vector<std::pair<int, int>> previous;
    std::size_t bandStart = 0;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        runs.clear();
        int x = 0;
        while (x < width) {
            while (x < width && (line[x] & 0xFFFFFFu) == 0xFFFFFFu) {
                ++x;
            }
            const int start = x;
            while (x < width && (line[x] & 0xFFFFFFu) != 0xFFFFFFu) {
                ++x;
            }
            if (x > start) {
                runs.emplace_back(start, x - start);
            }
        }
        if (!runs.empty() && runs == previous) {
            for (std::size_t i = bandStart; i < rects.size(); ++i) {
                rects[i].setHeight(rects[i].height() + 1);
            }
        } else {
            bandStart = rects.size();
            for (const auto& [start, length] : runs) {
                rects.emplace_back(start, y, length, 1);
            }
        }
        previous.swap(runs);
    }
    QRegion region;
    if (!rects.empty()) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    }
    return region;
}

std::string skinFilePath(const std::string& skinFolder, const std::u16string& fileName) {
    std::string path = skinFolder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + utf16ToUtf8(fileName);
}

CBaseDialog::CBaseDialog(int templateId, QWidget* parent, std::string layoutFile,
                         std::string skinFolder, SkinLoad load)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_templateId(templateId),
      m_layoutFile(std::move(layoutFile)),
      m_skinFolder(std::move(skinFolder)),
      m_layout(SkinLayout::load(m_layoutFile)) {
    if (load == SkinLoad::AtOnce) {
        loadSkin();
    } else {
        sizeFromHeaders();
    }
}

QString CBaseDialog::backgroundFile() const {
    const std::u16string name = m_layout.text(u"SCREEN", u"Main", u"", kIniLongBuffer);
    return name.empty() ? QString() : QString::fromStdString(skinFilePath(m_skinFolder, name));
}

QString CBaseDialog::maskFile() const {
    std::u16string name = m_layout.text(u"SCREEN", u"Mask", u"", kIniLongBuffer);
    if (name.empty()) {
        name = m_layout.text(u"SCREEN", u"Main", u"", kIniLongBuffer);
    }
    return name.empty() ? QString() : QString::fromStdString(skinFilePath(m_skinFolder, name));
}

void CBaseDialog::sizeFromHeaders() {
    const QString background = backgroundFile();
    const QString mask = maskFile();
    if (background.isEmpty() || mask.isEmpty()) {
        return;
    }
    const QSize size = QImageReader(background).size();
    // As loadSkin: without both pictures the dialog stays unshaped and unsized.
    if (!size.isValid() || !QImageReader(mask).canRead()) {
        return;
    }
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TranslucentBackground);
    m_shaped = true;
}

void CBaseDialog::shapeFrom(const QImage& mask) {
    m_region = regionFromMask(mask);
    // An empty region would clear the shape; a rectangle outside the window hides it all.
    setMask(m_region.isEmpty() ? QRegion(-2, -2, 1, 1) : m_region);
    m_regionBuilt = true;
}

void CBaseDialog::takeSkinPictures(const QPixmap& background, const QImage& mask) {
    if (!m_shaped || background.isNull()) {
        return;
    }
    if (needsMask() && !mask.isNull()) {
        shapeFrom(mask);
    }
    m_background = background;
}

void CBaseDialog::dropSkinPictures() {
    m_background = QPixmap();
    m_mask = QImage();
}

void CBaseDialog::loadSkin() {
    m_busy = true;
    const std::u16string mainName = m_layout.text(u"SCREEN", u"Main", u"", kIniLongBuffer);
    std::u16string maskName = m_layout.text(u"SCREEN", u"Mask", u"", kIniLongBuffer);
    if (maskName.empty()) {
        maskName = mainName;
    }
    QPixmap backgroundPicture;
    if (!mainName.empty()) {
        backgroundPicture = loadSkinPixmap(
            QString::fromStdString(skinFilePath(m_skinFolder, mainName)), devicePixelRatioF());
    }
    if (!maskName.empty()) {
        m_mask.load(QString::fromStdString(skinFilePath(m_skinFolder, maskName)));
    }
    // Without both pictures the dialog stays as it was: unshaped, unsized, no background.
    if (!backgroundPicture.isNull() && !m_mask.isNull()) {
        m_background = backgroundPicture;
        // A fixed size lets tiling compositors float the window instead of
        // stretching it into a tile.
        setFixedSize(m_background.deviceIndependentSize().toSize());
        // The picture covers the whole client area; nothing else needs to be erased.
        setAttribute(Qt::WA_OpaquePaintEvent);
        // A mask shapes only the input on Wayland: the corners outside it must
        // be see-through pixels, so the window is translucent and paints only
        // inside the mask.
        setAttribute(Qt::WA_TranslucentBackground);
        m_region = regionFromMask(m_mask);
        // An empty region would clear the shape; a rectangle outside the window hides it all.
        setMask(m_region.isEmpty() ? QRegion(-2, -2, 1, 1) : m_region);
        m_shaped = true;
        m_regionBuilt = true;
    } else {
        m_mask = QImage();
    }
    m_busy = false;
}

void CBaseDialog::OnOK() {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_background = QPixmap();
    m_mask = QImage();
    accept();
}

void CBaseDialog::paintEvent(QPaintEvent* /*event*/) {
    if (m_background.isNull()) {
        return;
    }
    QPainter painter(this);
    if (m_shaped) {
        painter.setClipRegion(m_region);
    }
    painter.drawPixmap(0, 0, m_background);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    event->accept();
    m_movePending = true;
    m_pressAt = event->globalPosition().toPoint();
}

bool CBaseDialog::startWindowMove() {
    QWindow* window = windowHandle();
    return window != nullptr && window->startSystemMove();
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->globalPosition().toPoint();
    if (m_movePending && (event->buttons() & Qt::LeftButton) &&
        (at - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
        m_movePending = false;
        if (!startWindowMove()) {
            m_dragging = true;
            m_dragOffset = m_pressAt - frameGeometry().topLeft();
        }
    }
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(at - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && (m_movePending || m_dragging)) {
        m_movePending = false;
        m_dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

}  // namespace quorvane
