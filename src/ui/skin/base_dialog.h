// The base of every skinned dialog: a frameless window of fixed size drawn from
// a background picture, shaped by a mask picture and dragged by any point of
// its own surface.
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

// When the background and mask are decoded: in the constructor, or by the
// owner before each show (takeSkinPictures), so that a hidden window holds
// neither; its size comes from the pictures' headers meanwhile.
enum class SkinLoad { AtOnce, WhenShown };

class CBaseDialog : public QDialog {
    Q_OBJECT
  public:
    CBaseDialog(int templateId, QWidget* parent, std::string layoutFile, std::string skinFolder,
                SkinLoad load = SkinLoad::AtOnce);

    int templateId() const { return m_templateId; }
    const std::string& layoutFile() const { return m_layoutFile; }
    const std::string& skinFolder() const { return m_skinFolder; }
    // The layout file, parsed when the dialog was built.
    const SkinLayout& layout() const { return m_layout; }

    const QPixmap& background() const { return m_background; }
    const QImage& maskImage() const { return m_mask; }
    // The shape built from the mask; empty when the mask has no window pixel.
    const QRegion& windowRegion() const { return m_region; }
    bool isShaped() const { return m_shaped; }
    bool isSkinBusy() const { return m_busy; }
    bool isDragging() const { return m_dragging; }
    // A left press on the surface that may still become a move.
    bool isMovePending() const { return m_movePending; }

    // Releases the pictures and ends the dialog.
    virtual void OnOK();

    // SkinLoad::WhenShown: the files to decode, empty when the skin names none.
    QString backgroundFile() const;
    QString maskFile() const;
    // Whether the shape still waits for its mask (only the first show needs it).
    bool needsMask() const { return m_shaped && !m_regionBuilt; }
    // The decoded background, and the mask while needsMask().
    void takeSkinPictures(const QPixmap& background, const QImage& mask);
    // Drops the decoded pictures; size and shape stay.
    void dropSkinPictures();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Hands the move to the window system; false where it cannot (the dialog
    // then follows the pointer itself). Tests count the calls.
    virtual bool startWindowMove();

  private:
    void loadSkin();
    void sizeFromHeaders();
    void shapeFrom(const QImage& mask);

    int m_templateId;
    std::string m_layoutFile;
    std::string m_skinFolder;
    SkinLayout m_layout;
    QPixmap m_background;
    QImage m_mask;
    QRegion m_region;
    bool m_shaped = false;
    bool m_regionBuilt = false;
    bool m_busy = false;
    // A press only arms the move: a window manager that grabs the pointer
    // after the release has come keeps the window glued to it.
    bool m_movePending = false;
    QPoint m_pressAt;  // global
    // Used where the window system cannot move the window itself.
    bool m_dragging = false;
    QPoint m_dragOffset;
};

}  // namespace quorvane
