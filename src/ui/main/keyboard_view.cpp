#include "ui/main/keyboard_view.h"

#include <QAccessible>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/keys/key_id.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

namespace {

std::u16string u16(const char* text) {
    std::u16string out;
    for (const char* c = text; *c != '\0'; ++c) {
        out.push_back(static_cast<char16_t>(*c));
    }
    return out;
}

std::u16string keySkinName(KeyId key) {
    char name[16];
    std::snprintf(name, sizeof name, "KEY_%03X", static_cast<unsigned>(rowOfKey(key)));
    return u16(name);
}

// Buttons 1016-1021 take the place of 1010-1013 in the flipped top row; they
// have no picture of their own.
constexpr std::array<int, 6> kFlippedRowIds = {1016, 1017, 1018, 1019, 1020, 1021};
constexpr std::array<int, 4> kPlainRowIds = {1010, 1011, 1012, 1013};

}  // namespace

KeyboardView::KeyboardView(QWidget* parent, const SkinLayout& layout, const MainPictures& pictures,
                           KeyNames names)
    : m_parent(parent), m_layout(layout), m_pictures(pictures), m_names(std::move(names)) {}

CPngButton* KeyboardView::make(int controlId) {
    auto* b = qtOwned<CPngButton>(m_parent);
    b->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    m_buttons[controlId] = b;
    return b;
}

CPngButton* KeyboardView::button(int controlId) const {
    const auto it = m_buttons.find(controlId);
    return it == m_buttons.end() ? nullptr : it->second;
}

bool KeyboardView::isKeyButton(int controlId) const {
    return ledOfButton(controlId) != 0;
}

// A key says its name (G1..G9 for the G keys, whatever their caption) and,
// as its description, its assignment: the tip the core wrote for it.
void KeyboardView::present(CPngButton* button, int controlId) {
    QString name = m_keyNames[controlId];
    if (name.isEmpty()) {
        name = button->text();
    }
    if (name.isEmpty()) {
        name = button->tooltipText();
    }
    if (button->accessibleName() != name) {
        button->setAccessibleName(name);
    }
    if (button->accessibleDescription() != button->tooltipText()) {
        button->setAccessibleDescription(button->tooltipText());
    }
}

void KeyboardView::renameKeys() {
    if (!m_names) {
        return;
    }
    for (const KeyButton& key : kKeyButtons) {
        if (CPngButton* b = button(key.controlId)) {
            m_keyNames[key.controlId] = m_names(key.key);
            present(b, key.controlId);
        }
    }
}

std::vector<std::vector<CPngButton*>> KeyboardView::rows(bool reachableOnly) const {
    auto reachable = [&](const CPngButton* b) {
        return b != nullptr && b->focusPolicy() != Qt::NoFocus &&
               (!reachableOnly || (b->isVisibleTo(m_parent) && b->isEnabled()));
    };
    auto centreY = [](const CPngButton* b) { return b->geometry().center().y(); };
    // The G keys stand in a column of their own beside the rows: the first "row".
    std::vector<std::vector<CPngButton*>> out(1);
    for (const int id : G_KEY_IDS) {
        if (CPngButton* b = button(id); reachable(b)) {
            out.front().push_back(b);
        }
    }
    std::vector<CPngButton*> keys;
    for (const auto& [id, b] : m_buttons) {
        if (reachable(b) && std::find(G_KEY_IDS.begin(), G_KEY_IDS.end(), id) == G_KEY_IDS.end()) {
            keys.push_back(b);
        }
    }
    std::sort(keys.begin(), keys.end(),
              [&](const CPngButton* a, const CPngButton* b) { return centreY(a) < centreY(b); });
    // A button whose centre lies within half its height of a row's first
    // button belongs to that row.
    int rowTop = 0;
    for (CPngButton* b : keys) {
        if (out.size() == 1 || centreY(b) - rowTop > b->height() / 2) {
            out.emplace_back();
            rowTop = centreY(b);
        }
        out.back().push_back(b);
    }
    for (auto row = out.begin() + 1; row != out.end(); ++row) {
        std::sort(row->begin(), row->end(), [](const CPngButton* a, const CPngButton* b) {
            return a->geometry().center().x() < b->geometry().center().x();
        });
    }
    return out;
}

std::vector<CPngButton*> KeyboardView::focusOrder() const {
    std::vector<CPngButton*> out;
    for (const auto& row : rows(false)) {
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

namespace {

// The button of `among` whose centre lies nearest to `at` along one axis.
CPngButton* nearest(const std::vector<CPngButton*>& among, int at, bool vertical) {
    if (among.empty()) {
        return nullptr;
    }
    auto distance = [&](const CPngButton* b) {
        const QPoint c = b->geometry().center();
        return std::abs((vertical ? c.y() : c.x()) - at);
    };
    return *std::min_element(
        among.begin(), among.end(),
        [&](const CPngButton* a, const CPngButton* b) { return distance(a) < distance(b); });
}

}  // namespace

CPngButton* KeyboardView::neighbour(CPngButton* from, int key) const {
    const auto all = rows(true);
    const int y = from->geometry().center().y();
    const int x = from->geometry().center().x();
    const std::vector<CPngButton*>& column = all.front();
    if (const auto at = std::find(column.begin(), column.end(), from); at != column.end()) {
        switch (key) {
            case Qt::Key_Up:
                return at == column.begin() ? nullptr : *(at - 1);
            case Qt::Key_Down:
                return at + 1 == column.end() ? nullptr : *(at + 1);
            case Qt::Key_Right: {
                // Into the row beside, at its start.
                const std::vector<CPngButton*>* best = nullptr;
                for (std::size_t r = 1; r < all.size(); ++r) {
                    if (best == nullptr ||
                        std::abs(all[r].front()->geometry().center().y() - y) <
                            std::abs(best->front()->geometry().center().y() - y)) {
                        best = &all[r];
                    }
                }
                return best == nullptr ? nullptr : best->front();
            }
            default:
                return nullptr;
        }
    }
    for (std::size_t r = 1; r < all.size(); ++r) {
        const auto& row = all[r];
        const auto at = std::find(row.begin(), row.end(), from);
        if (at == row.end()) {
            continue;
        }
        switch (key) {
            case Qt::Key_Left:
                // From the start of a row into the G-key column beside it.
                return at == row.begin() ? nearest(column, y, true) : *(at - 1);
            case Qt::Key_Right:
                return at + 1 == row.end() ? nullptr : *(at + 1);
            case Qt::Key_Up:
                return r == 1 ? nullptr : nearest(all[r - 1], x, false);
            default:
                return r + 1 == all.size() ? nullptr : nearest(all[r + 1], x, false);
        }
    }
    return nullptr;
}

void KeyboardView::placeKeyButtons() {
    const SkinPictureSet keys{m_pictures.normal, m_pictures.over, m_pictures.down,
                              m_pictures.normal, m_pictures.disable};
    auto place = [&](int id, const std::u16string& skinKey, const QString& name) {
        CPngButton* b = button(id);
        if (b == nullptr) {
            b = make(id);
            QObject::connect(b, &QAbstractButton::clicked, b, [this, id] {
                if (onKeyClicked) {
                    onKeyClicked(id);
                }
            });
        }
        placeImageButton(b, m_layout, u"BUTTONINFO", skinKey, keys);
        m_keyNames[id] = name;
        b->setFocusPolicy(Qt::TabFocus);
        b->setArrowKeys([this](CPngButton* from, int arrow) {
            CPngButton* to = neighbour(from, arrow);
            if (to != nullptr) {
                to->setFocus(Qt::OtherFocusReason);
            }
            return true;  // the arrows stay within the picture
        });
        present(b, id);
        b->show();
    };
    for (std::size_t n = 0; n < G_KEY_IDS.size(); ++n) {
        place(G_KEY_IDS[n], u16(("FUNC_G" + std::to_string(n + 1)).c_str()),
              QStringLiteral("G%1").arg(n + 1));
    }
    for (const KeyButton& key : kKeyButtons) {
        place(key.controlId, keySkinName(key.key), m_names ? m_names(key.key) : QString());
    }
    place(kFnButtonId, u"KEY_FN", QStringLiteral("Fn"));
    for (const int id : kFlippedRowIds) {
        if (button(id) == nullptr) {
            make(id)->hide();
        }
    }
    applyFlip(m_flipped);
    setColourKeyMode(m_colourKeyMode);
}

void KeyboardView::placeIndicators() {
    const SkinPictureSet locks{m_pictures.normal, m_pictures.normal, m_pictures.normal,
                               m_pictures.normal, m_pictures.over};
    const std::pair<int, const char16_t*> lockKeys[] = {{kLockCapsId, u"LOCK_CAPS"},
                                                        {kLockNumId, u"LOCK_NUM"},
                                                        {kLockScrollId, u"LOCK_SCROLL"},
                                                        {kLockBankId, u"LOCK_AB"}};
    for (const auto& [id, key] : lockKeys) {
        CPngButton* b = make(id);
        placeImageButton(b, m_layout, u"BUTTONINFO", key, locks);
        b->setRole(SkinRole::Indicator);
    }
    CPngButton* flip0 = make(kFlip0Id);
    placeImageButton(flip0, m_layout, u"BUTTONINFO", u"FLIP_0",
                     {m_pictures.normal, m_pictures.normal, m_pictures.normal, m_pictures.normal,
                      m_pictures.disable});
    flip0->setRole(SkinRole::Graphic);
    const SkinPictureSet flips{m_pictures.normal, m_pictures.over, m_pictures.down,
                               m_pictures.normal, m_pictures.disable};
    for (const auto& [id, key] : {std::pair{kFlip1Id, u"FLIP_1"}, std::pair{kFlip2Id, u"FLIP_2"}}) {
        CPngButton* b = make(id);
        placeImageButton(b, m_layout, u"BUTTONINFO", key, flips);
        b->setFocusPolicy(Qt::TabFocus);
        QObject::connect(b, &QAbstractButton::clicked, b, [this, id = id] {
            if (onFlipClicked) {
                onFlipClicked(id);
            }
        });
    }
    make(kLeftArrowId)->setRole(SkinRole::Graphic);
    make(kRightArrowId)->setRole(SkinRole::Graphic);

    // Where pictures overlap, the buttons painted later lie on top: the G keys
    // over the bank indicator, 1055 over Enter, the top row and the flip
    // buttons over FLIP_0, the arrows over the flip buttons.
    for (const int id : G_KEY_IDS) {
        button(id)->raise();
    }
    if (CPngButton* b = button(1055)) {
        b->raise();
    }
    for (const int id : {1010, 1011, 1012, 1013, 1014, kFlip1Id, kFlip2Id}) {
        if (CPngButton* b = button(id)) {
            b->raise();
        }
    }
    // An arrow shows only while its flip button shows its normal picture.
    auto arrowFollows = [this](int arrowId) {
        return [this, arrowId](CPngButton*, bool normalShown) {
            CPngButton* arrow = button(arrowId);
            if (arrow != nullptr && arrow->isVisible() != normalShown) {
                arrow->setVisible(normalShown);
            }
        };
    };
    button(kFlip1Id)->SetAfterPaint(arrowFollows(kLeftArrowId));
    button(kFlip2Id)->SetAfterPaint(arrowFollows(kRightArrowId));
    button(kLeftArrowId)->raise();
    button(kRightArrowId)->raise();
    applyFlip(m_flipped);
}

void KeyboardView::applyFlip(bool flipped) {
    m_flipped = flipped;
    for (const int id : kPlainRowIds) {
        if (CPngButton* b = button(id)) {
            b->setEnabled(!flipped);
        }
    }
    for (const int id : kFlippedRowIds) {
        if (CPngButton* b = button(id)) {
            b->setEnabled(flipped);
        }
    }
    if (CPngButton* flip0 = button(kFlip0Id)) {
        if (flipped) {
            flip0->SetPictureSet(m_pictures.normal2, m_pictures.normal2, m_pictures.normal2,
                                 m_pictures.normal2, m_pictures.disable2, true);
        } else {
            flip0->SetPictureSet(m_pictures.normal, m_pictures.normal, m_pictures.normal,
                                 m_pictures.normal, m_pictures.disable, true);
        }
    }
    const std::pair<int, const char16_t*> arrows[] = {
        {kLeftArrowId, flipped ? u"UP_ARROW_LEFT1" : u"DOWN_ARROW_LEFT1"},
        {kRightArrowId, flipped ? u"UP_ARROW_RIGHT1" : u"DOWN_ARROW_RIGHT1"}};
    for (const auto& [id, frame] : arrows) {
        if (CPngButton* b = button(id)) {
            placeTwoRect(b, m_layout, u"BUTTONINFO",
                         id == kLeftArrowId ? u"LEFT_ARROW" : u"RIGHT_ARROW", u"BUTTONINFO2", frame,
                         m_pictures.arrow);
        }
    }
}

void KeyboardView::showPicture(const KeyboardPicture& picture) {
    m_bank = picture.bank;
    for (std::size_t i = 0; i < G_KEY_IDS.size(); ++i) {
        const KeyButtonView& view = picture.gKeys[i];
        if (CPngButton* b = button(G_KEY_IDS[i])) {
            b->SetChecked(view.checked, true);
            b->SetTooltip(QString::fromStdU16String(view.tooltip), true);
            m_selected[G_KEY_IDS[i]] = view.selected;
            present(b, G_KEY_IDS[i]);
        }
    }
    for (std::size_t j = 0; j < kKeyButtonCount; ++j) {
        const KeyButtonView& view = picture.keys[j];
        const int id = kKeyButtons[j].controlId;
        if (CPngButton* b = button(id)) {
            b->SetChecked(view.checked, true);
            b->SetTooltip(QString::fromStdU16String(view.tooltip), true);
            m_selected[id] = view.selected;
            present(b, id);
        }
    }
    applyFlip(m_flipped);
    setColourKeyMode(m_colourKeyMode);
}

void KeyboardView::setGKeyStates(const std::array<bool, kGKeyCount>& checked) {
    for (std::size_t i = 0; i < G_KEY_IDS.size(); ++i) {
        if (CPngButton* b = button(G_KEY_IDS[i])) {
            b->SetChecked(checked[i], true);
        }
    }
}

void KeyboardView::showBank(std::uint8_t bank, const GKeyCaptions& captions) {
    m_bank = bank & 1U;
    if (CPngButton* indicator = button(kLockBankId)) {
        indicator->SetChecked(m_bank != 0, true);
    }
    for (std::size_t i = 0; i < G_KEY_IDS.size(); ++i) {
        if (CPngButton* b = button(G_KEY_IDS[i])) {
            b->setText(QString::fromStdU16String(captions[i]));
            present(b, G_KEY_IDS[i]);
            b->update();
        }
    }
}

void KeyboardView::applyColourPictures(CPngButton* button, bool selected) {
    button->SetColourPictures(m_pictures.colour0, m_pictures.colour1, m_colourKeyMode, selected,
                              true);
}

void KeyboardView::setColourKeyMode(bool on) {
    m_colourKeyMode = on;
    for (const int id : G_KEY_IDS) {
        if (CPngButton* b = button(id)) {
            applyColourPictures(b, m_selected[id]);
        }
    }
    for (const KeyButton& key : kKeyButtons) {
        if (CPngButton* b = button(key.controlId)) {
            applyColourPictures(b, m_selected[key.controlId]);
        }
    }
}

void KeyboardView::setSelected(int controlId, bool selected) {
    m_selected[controlId] = selected;
    if (CPngButton* b = button(controlId)) {
        applyColourPictures(b, selected);
    }
}

void KeyboardView::showOutlines(const std::function<std::optional<QColor>(int led)>& colourOf) {
    auto apply = [&](int id) {
        CPngButton* b = button(id);
        if (b == nullptr) {
            return;
        }
        const std::optional<QColor> colour = colourOf(ledOfButton(id));
        if (colour) {
            if (!b->outlineOn() || b->outlineColour() != *colour) {
                b->SetOutline(*colour, 100, true);
            }
        } else if (b->outlineOn()) {
            b->SetOutline(QColor(), 0, false);
        }
    };
    for (const int id : G_KEY_IDS) {
        apply(id);
    }
    for (const KeyButton& key : kKeyButtons) {
        apply(key.controlId);
    }
    apply(kFnButtonId);
}

void KeyboardView::clearOutlines() {
    showOutlines([](int) { return std::optional<QColor>(); });
}

void KeyboardView::lightWhileOpen(int controlId) {
    if (CPngButton* b = button(controlId)) {
        b->SetPictureSet(m_pictures.over, m_pictures.over, m_pictures.down, m_pictures.normal,
                         m_pictures.over, true);
    }
}

void KeyboardView::restore(int controlId) {
    if (CPngButton* b = button(controlId)) {
        b->SetPictureSet(m_pictures.normal, m_pictures.over, m_pictures.down, m_pictures.normal,
                         m_pictures.disable, true);
    }
}

}  // namespace quorvane
