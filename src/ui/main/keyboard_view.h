// The keyboard picture of the main window: the 104 key buttons, the nine G
// keys and Fn, and the indicators around them (lock keys, G-key bank, flip
// buttons, arrows). It places and shows; what a click does is the owner's
// (onKeyClicked), what the buttons show comes from the core's KeyboardPicture.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/window/gkey_captions.h"
#include "core/window/key_buttons.h"
#include "core/window/keyboard_picture.h"
#include "ui/main/main_pictures.h"
#include "ui/skin/png_button.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {

inline constexpr int kLockCapsId = 1125;
inline constexpr int kLockNumId = 1126;
inline constexpr int kLockScrollId = 1127;
inline constexpr int kLockBankId = 1128;
inline constexpr int kFlip0Id = 1129;
inline constexpr int kFlip1Id = 1130;
inline constexpr int kFlip2Id = 1131;
inline constexpr int kLeftArrowId = 1132;
inline constexpr int kRightArrowId = 1133;

class KeyboardView {
  public:
    using KeyNames = std::function<QString(KeyId key)>;

    KeyboardView(QWidget* parent, const SkinLayout& layout, const MainPictures& pictures,
                 KeyNames names);

    // PlaceKeyButtons: the G keys, the key buttons and Fn with their pictures.
    void placeKeyButtons();
    // The indicators, with their stacking (later buttons cover earlier ones).
    void placeIndicators();

    CPngButton* button(int controlId) const;
    bool isKeyButton(int controlId) const;  // G keys, key buttons, Fn

    void showPicture(const KeyboardPicture& picture);
    void setGKeyStates(const std::array<bool, kGKeyCount>& checked);
    void showBank(std::uint8_t bank, const GKeyCaptions& captions);
    std::uint8_t bank() const { return m_bank; }

    // Colour-keys mode: every key shows main_color0 / main_color1 by its flag.
    void setColourKeyMode(bool on);
    bool colourKeyMode() const { return m_colourKeyMode; }
    void setSelected(int controlId, bool selected);

    // Flip layout 0 or 1: which top-row buttons are enabled, the pictures of
    // FLIP_0 and the arrows.
    void applyFlip(bool flipped);
    bool flipped() const { return m_flipped; }

    // Outlines by LED (the lighting preview, per-key colours): a colour, or
    // none for the plain picture. The nine G keys share one LED.
    void showOutlines(const std::function<std::optional<QColor>(int led)>& colourOf);
    void clearOutlines();

    // The clicked key stays lit while its dialog is open; restore() undoes it.
    void lightWhileOpen(int controlId);
    void restore(int controlId);

    // The key names again, after the language changed.
    void renameKeys();
    // The buttons Tab visits, in reading order: rows from the top, each left
    // to right (G keys, keys, Fn, the flip buttons; hidden or disabled ones
    // are skipped by Tab itself).
    std::vector<CPngButton*> focusOrder() const;
    // The button an arrow key moves to from `from`; nullptr: none that way.
    CPngButton* neighbour(CPngButton* from, int key) const;

    // Clicks on the G keys, key buttons, Fn, the flip buttons (ids).
    std::function<void(int controlId)> onKeyClicked;
    std::function<void(int controlId)> onFlipClicked;

  private:
    CPngButton* make(int controlId);
    void present(CPngButton* button, int controlId);
    // The focusable buttons grouped into rows by their place on the picture.
    std::vector<std::vector<CPngButton*>> rows(bool reachableOnly) const;
    void applyColourPictures(CPngButton* button, bool selected);

    QWidget* m_parent;
    const SkinLayout& m_layout;
    const MainPictures& m_pictures;
    KeyNames m_names;
    std::map<int, CPngButton*> m_buttons;
    std::map<int, bool> m_selected;
    std::map<int, QString> m_keyNames;
    std::uint8_t m_bank = 0;
    bool m_colourKeyMode = false;
    bool m_flipped = false;
};

}  // namespace quorvane
