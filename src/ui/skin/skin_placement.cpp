#include "ui/skin/skin_placement.h"

namespace quorvane {

namespace {

SkinRect applyLoad(QWidget* control, const SkinRect& r) {
    if (control) {
        // Qt batches the repaint that follows; nothing is drawn here.
        control->setGeometry(r.x, r.y, r.w, r.h);
    }
    return r;
}

SkinRect applyMove(QWidget* control, const SkinRect& r) {
    if (control) {
        control->move(r.x, r.y);
        control->update();
    }
    return r;
}

SkinRect applyImage(CPngButton* button, const SkinRect& r, const SkinPictureSet& p) {
    if (!button) {
        return r;
    }
    button->setGeometry(r.x, r.y, r.w, r.h);
    button->SetPictures(r.x, r.y, p.normal, p.over, p.down, p.disabled, p.checked, true);
    if (r.isUnplaced()) {
        button->setEnabled(false);
    }
    return r;
}

SkinRect applyTwo(CPngButton* button, const SkinRect& place, const SkinRect& source,
                  const QPixmap& picture) {
    if (!button) {
        return place;
    }
    button->setGeometry(place.x, place.y, place.w, place.h);
    button->SetPictures(source.x, source.y, picture, picture, picture, picture, picture, true);
    return place;
}

}  // namespace

SkinRect loadSkinRect(QWidget* control, const SkinLayout& layout, std::u16string_view section,
                      std::u16string_view key) {
    return applyLoad(control, layout.rect(section, key));
}

SkinRect moveSkinRect(QWidget* control, const SkinLayout& layout, std::u16string_view section,
                      std::u16string_view key) {
    return applyMove(control, layout.rect(section, key));
}

SkinRect placeImageButton(CPngButton* button, const SkinLayout& layout, std::u16string_view section,
                          std::u16string_view key, const SkinPictureSet& pictures) {
    return applyImage(button, layout.rect(section, key), pictures);
}

SkinRect placeTwoRect(CPngButton* button, const SkinLayout& layout, std::u16string_view sectionA,
                      std::u16string_view keyA, std::u16string_view sectionB,
                      std::u16string_view keyB, const QPixmap& picture) {
    return applyTwo(button, layout.rect(sectionA, keyA), layout.rect(sectionB, keyB), picture);
}

SkinRect loadSkinRect(QWidget* control, const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key) {
    return applyLoad(control, readSkinRect(layoutFile, section, key));
}

SkinRect moveSkinRect(QWidget* control, const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key) {
    return applyMove(control, readSkinRect(layoutFile, section, key));
}

SkinRect placeImageButton(CPngButton* button, const std::string& layoutFile,
                          std::u16string_view section, std::u16string_view key,
                          const SkinPictureSet& pictures) {
    return applyImage(button, readSkinRect(layoutFile, section, key), pictures);
}

SkinRect placeTwoRect(CPngButton* button, const std::string& layoutFile,
                      std::u16string_view sectionA, std::u16string_view keyA,
                      std::u16string_view sectionB, std::u16string_view keyB,
                      const QPixmap& picture) {
    return applyTwo(button, readSkinRect(layoutFile, sectionA, keyA),
                    readSkinRect(layoutFile, sectionB, keyB), picture);
}

}  // namespace quorvane
