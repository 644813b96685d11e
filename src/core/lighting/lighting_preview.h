// The lighting preview: what the key picture shows of the chosen effect while
// the lamp is on. Each tick of the preview timer runs the step routine of the
// current effect, which gives every LED of the keyboard picture an outline
// colour, or none (the plain key picture). Routines work on a 23 x 6 grid of
// the keyboard's physical layout and a 192-entry rainbow. Not thread-safe: one
// preview belongs to one window thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/config/device_layouts.h"

namespace quorvane {

inline constexpr int kPreviewColumns = 23;
inline constexpr int kPreviewRows = 6;
inline constexpr std::size_t kPreviewCells = std::size_t{kPreviewColumns} * kPreviewRows;
inline constexpr int kRainbowSize = 192;

// Red, yellow, green, cyan, blue, magenta and back to red in equal steps.
const std::array<Rgb, kRainbowSize>& rainbowTable();
// The rainbow entry k, any k (taken modulo 192).
Rgb rainbow(int k);

// A place of the grid. Column 0 holds the G keys (one LED for all nine),
// columns 1..15 the main block, 16..18 the navigation keys, 19..22 the
// number pad; rows are the function, number, upper letter, home, shift and
// bottom rows.
struct GridCell {
    int column = 0;
    int row = 0;
    bool operator==(const GridCell&) const = default;
};
// The cell of an LED of the keyboard picture; none for an LED without a key.
std::optional<GridCell> cellOfLed(int led);

// One picture of the preview, by LED (the view shows LED 125 on all G keys).
struct PreviewFrame {
    std::array<Rgb, ColourBank::kLedCount> colour{};
    std::array<bool, ColourBank::kLedCount> outlined{};  // false: the plain picture

    void outline(int led, Rgb c) {
        colour[static_cast<std::size_t>(led)] = c;
        outlined[static_cast<std::size_t>(led)] = true;
    }
    bool operator==(const PreviewFrame&) const = default;
};

// Everything a step routine reads of the lighting record and the colour bank.
struct PreviewSettings {
    std::uint8_t effect = 0;
    std::uint8_t speed = 0;      // 0 the fastest, 4 the slowest
    std::uint8_t direction = 0;  // 1 left / up / spread, 0 right / down / gather
    bool random = false;
    Rgb colour;                        // the effect (and reactive) colour
    const ColourBank* keys = nullptr;  // the current profile's per-key colours
};

// A frame showing every LED of the picture in one colour, or the per-key
// colours of a bank.
PreviewFrame uniformFrame(Rgb colour);
PreviewFrame bankFrame(const ColourBank& bank);
// True for an LED that a key of the picture, the Fn key or the G keys use.
bool ledOnPicture(int led);

class LightingPreview {
  public:
    LightingPreview() { reset(); }

    // The state of every routine starts afresh (an effect change).
    void reset();
    // One tick: advances the current effect's routine and draws it into `out`.
    void step(const PreviewSettings& settings, PreviewFrame& out);

    // Ticks since the last reset.
    std::uint32_t ticks() const { return m_ticks; }

    // The state the routines keep between ticks.
    struct State {
        int spectrum = 0;  // effect 4: the rainbow entry of the next tick
        int phase = 0;     // the moving routines' position
        std::uint32_t random = 0;
        std::array<std::uint8_t, kPreviewCells> glow{};  // 0..255 per cell
        std::array<Rgb, kPreviewCells> tint{};
        struct Burst {
            int column = 0;
            int row = 0;
            int radius = 0;  // in quarter cells
            Rgb colour;
        };
        std::array<Burst, 3> bursts{};
    };

  private:
    State m_state;
    std::uint32_t m_ticks = 0;
};

}  // namespace quorvane
