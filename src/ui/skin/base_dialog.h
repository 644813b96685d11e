// The base of every skinned dialog: a frameless window drawn from a background
// picture, shaped by a mask picture and dragged by any point of its own surface.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRegion>

#include <string>

#include "ui/skin/skin_rect.h"

namespace quorvane {

// Every pixel that is not pure white (0xFFFFFF) belongs to the shape. Rows with the
// same runs as the row above extend those rectangles, so the region is built in
// one call over an already banded list.
QRegion regionFromMask(const QImage& mask);

// Skin folder + file name, with one separator between them.
std::string skinFilePath(const std::string& skinFolder, const std::u16string& fileName);

class CBaseDialog : public QDialog {
    Q_OBJECT
  public:
    CBaseDialog(int templateId, QWidget* parent, std::string layoutFile, std::string skinFolder);

    int templateId() const { return templateId_; }
    const std::string& layoutFile() const { return layoutFile_; }
    const std::string& skinFolder() const { return skinFolder_; }
    // The layout file, parsed when the dialog was built.
    const SkinLayout& layout() const { return layout_; }

    const QPixmap& background() const { return background_; }
    const QImage& maskImage() const { return mask_; }
    // The shape built from the mask; empty when the mask has no window pixel.
    const QRegion& windowRegion() const { return region_; }
    bool isShaped() const { return shaped_; }
    bool isSkinBusy() const { return busy_; }
    bool isDragging() const { return dragging_; }

    // Releases the pictures and ends the dialog.
    virtual void OnOK();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void loadSkin();

    int templateId_;
    std::string layoutFile_;
    std::string skinFolder_;
    SkinLayout layout_;
    QPixmap background_;
    QImage mask_;
    QRegion region_;
    bool shaped_ = false;
    bool busy_ = false;
    // Used where the window system cannot move the window itself.
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace quorvane
