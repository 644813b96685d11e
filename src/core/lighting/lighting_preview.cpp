#include "core/lighting/lighting_preview.h"

#include <algorithm>
#include <cmath>

#include "core/sync/picture_keys.h"

namespace quorvane {

namespace {

using State = LightingPreview::State;

constexpr std::array<Rgb, kRainbowSize> makeRainbow() {
    std::array<Rgb, kRainbowSize> table{};
    constexpr int kStep = kRainbowSize / 6;
    for (int k = 0; k < kRainbowSize; ++k) {
        const auto up = static_cast<std::uint8_t>(((k % kStep) * 255 + kStep / 2) / kStep);
        const auto down = static_cast<std::uint8_t>(255 - up);
        switch (k / kStep) {
            case 0:
                table[k] = {255, up, 0};
                break;
            case 1:
                table[k] = {down, 255, 0};
                break;
            case 2:
                table[k] = {0, 255, up};
                break;
            case 3:
                table[k] = {0, down, 255};
                break;
            case 4:
                table[k] = {up, 0, 255};
                break;
            default:
                table[k] = {255, 0, down};
                break;
        }
    }
    return table;
}

constexpr std::array<Rgb, kRainbowSize> kRainbow = makeRainbow();

// Column of each LED in its row; the row is the LED's place in the keyboard's
// matrix (21 LEDs a row). -1: no key.
constexpr std::array<int, ColourBank::kLedCount> makeColumns() {
    std::array<int, ColourBank::kLedCount> c{};
    for (auto& v : c) {
        v = -1;
    }
    // Function row: Esc, F1..F12 in three groups, Print Screen, Scroll Lock, Pause.
    constexpr std::array<int, 17> kF = {1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, -1, 16, 17, 18};
    for (int i = 0; i < 17; ++i) {
        c[i] = kF[i];
    }
    // Number row and upper letter row: one key a column, then the navigation
    // keys and the number pad.
    for (int i = 0; i < 14; ++i) {
        c[21 + i] = 1 + i;
        c[42 + i] = 1 + i;
    }
    for (int i = 0; i < 7; ++i) {
        c[35 + i] = 16 + i;
        c[56 + i] = 16 + i;
    }
    // Home row: Caps Lock, A..', Enter, 4 5 6.
    for (int i = 0; i < 12; ++i) {
        c[63 + i] = 1 + i;
    }
    c[76] = 14;
    c[80] = 19;
    c[81] = 20;
    c[82] = 21;
    // Shift row: left Shift, Z../, right Shift, Up, 1 2 3, Enter.
    c[84] = 1;
    for (int i = 0; i < 10; ++i) {
        c[86 + i] = 3 + i;
    }
    c[97] = 14;
    c[99] = 17;
    c[101] = 19;
    c[102] = 20;
    c[103] = 21;
    c[104] = 22;
    // Bottom row: Ctrl, Windows, Alt, Space, Alt, Fn, Menu, Windows, Ctrl,
    // the arrows, 0 and the decimal point.
    constexpr std::array<int, 9> kBottom = {1, 2, 3, 7, 11, 12, 13, 14, 15};
    for (int i = 0; i < 9; ++i) {
        c[105 + i] = kBottom[i];
    }
    c[119] = 16;
    c[120] = 17;
    c[121] = 18;
    c[123] = 19;
    c[124] = 21;
    c[kGKeyLed] = 0;
    return c;
}

constexpr std::array<int, ColourBank::kLedCount> kColumnOfLed = makeColumns();
// The nine G keys share one LED; it sits beside the upper letter row.
constexpr int kGKeyRow = 2;

int mod(int v, int m) {
    const int r = v % m;
    return r < 0 ? r + m : r;
}

Rgb scale(Rgb c, int level) {
    level = std::clamp(level, 0, 255);
    return {static_cast<std::uint8_t>(c.red * level / 255),
            static_cast<std::uint8_t>(c.green * level / 255),
            static_cast<std::uint8_t>(c.blue * level / 255)};
}

// 0 at both ends of the period, 255 in its middle.
int triangle(int p, int period) {
    p = mod(p, period);
    const int half = period / 2;
    return p < half ? p * 255 / half : (period - 1 - p) * 255 / half;
}

// Steps per tick: speed 0 (the slider's right end) is the fastest.
int pace(const PreviewSettings& s) {
    return 5 - std::min<int>(s.speed, 4);
}

int sign(const PreviewSettings& s) {
    return s.direction == 1 ? 1 : -1;
}

std::uint32_t nextRandom(State& st) {
    // xorshift32: the same sequence after every reset, so a preview can be tested.
    std::uint32_t x = st.random;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    st.random = x;
    return x;
}

std::size_t cellIndex(int column, int row) {
    return static_cast<std::size_t>(row) * kPreviewColumns + static_cast<std::size_t>(column);
}

// Calls paint(column, row) for every LED of the picture and outlines it.
template <class Paint>
void paintCells(PreviewFrame& out, Paint paint) {
    for (int led = 0; led < ColourBank::kLedCount; ++led) {
        const int column = kColumnOfLed[static_cast<std::size_t>(led)];
        if (column >= 0) {
            const int row = led == kGKeyLed ? kGKeyRow : led / 21;
            out.outline(led, paint(column, row));
        }
    }
}

void paintGlow(const State& st, PreviewFrame& out) {
    paintCells(out, [&](int c, int r) {
        const std::size_t i = cellIndex(c, r);
        return scale(st.tint[i], st.glow[i]);
    });
}

void fadeGlow(State& st, int amount) {
    for (auto& g : st.glow) {
        g = static_cast<std::uint8_t>(std::max(0, g - amount));
    }
}

Rgb chosenOrRainbow(const PreviewSettings& s, int k) {
    return s.random ? rainbow(k) : s.colour;
}

// 1 Wave: a band of colour sweeps across the columns, leftwards for direction 1, rightwards for 0.
void stepWave(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + 2 * pace(s), kRainbowSize);
    paintCells(out, [&](int c, int) {
        const int p = c * 8 + sign(s) * st.phase;
        return s.random ? rainbow(p) : scale(s.colour, triangle(p, kRainbowSize));
    });
}

// 2 Marquee: every fourth column is lit and the lit columns march left (1) or right (0).
void stepMarquee(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + pace(s), 4 * 5);
    const int shift = st.phase / 5;
    paintCells(out, [&](int c, int) {
        const bool lit = mod(c + sign(s) * shift, 4) == 0;
        return lit ? chosenOrRainbow(s, c * 8) : Rgb{};
    });
}

// 3 Snake: a ten-key snake runs along the rows in turn, forwards (1) or backwards (0), head
// brightest.
void stepSnake(const PreviewSettings& s, State& st, PreviewFrame& out) {
    constexpr int kPath = kPreviewColumns * kPreviewRows;
    constexpr int kLength = 10;
    st.phase = mod(st.phase + sign(s) * pace(s), kPath);
    paintCells(out, [&](int c, int r) {
        const int place = r * kPreviewColumns + (r % 2 == 0 ? c : kPreviewColumns - 1 - c);
        const int behind = mod(sign(s) * (st.phase - place), kPath);
        if (behind >= kLength) {
            return Rgb{};
        }
        return scale(chosenOrRainbow(s, place * 4), 255 - behind * 24);
    });
}

// 4 Spectrum: every key shows rainbow entry k; k moves by 2 a tick, up for direction 1, down for 0.
void stepSpectrum(const PreviewSettings& s, State& st, PreviewFrame& out) {
    const Rgb c = rainbow(st.spectrum);
    paintCells(out, [&](int, int) { return c; });
    st.spectrum = mod(st.spectrum + (s.direction == 1 ? 2 : -2), kRainbowSize);
}

// 5 Breathing: all keys fade in and out together; with random colour each breath takes the next
// colour.
void stepBreathing(const PreviewSettings& s, State& st, PreviewFrame& out) {
    constexpr int kBreath = 128;
    st.phase = mod(st.phase + 2 * pace(s), kBreath * 6);
    const Rgb c = scale(chosenOrRainbow(s, st.phase / kBreath * 32), triangle(st.phase, kBreath));
    paintCells(out, [&](int, int) { return c; });
}

// 6 Static: every key in the colour, or with random colour column c in rainbow entry 9 x c.
void stepStatic(const PreviewSettings& s, State&, PreviewFrame& out) {
    paintCells(out, [&](int c, int) { return s.random ? rainbow(9 * c) : s.colour; });
}

// 7, 8, 9, 17 and codes without a preview: the plain key pictures.
void stepPlain(const PreviewSettings&, State&, PreviewFrame& out) {
    out.outlined.fill(false);
}

// 10 Starlight: single keys light up at random and fade out like stars.
void stepStarlight(const PreviewSettings& s, State& st, PreviewFrame& out) {
    fadeGlow(st, 6 * pace(s));
    const std::uint32_t r = nextRandom(st);
    const std::size_t i = r % st.glow.size();
    st.glow[i] = 255;
    st.tint[i] = chosenOrRainbow(s, static_cast<int>(r >> 8));
    paintGlow(st, out);
}

// 11 Aurora: soft rainbow bands drift diagonally across the keyboard.
void stepAurora(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + pace(s), kRainbowSize);
    paintCells(out, [&](int c, int r) { return rainbow(c * 6 + r * 16 + st.phase); });
}

// 12 Waterfall: rainbow rows stream upwards for direction 1, downwards for 0.
void stepWaterfall(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + 2 * pace(s), kRainbowSize);
    paintCells(out, [&](int, int r) { return rainbow(r * 32 + sign(s) * st.phase); });
}

// 13 Raindrops: drops fall down random columns, each leaving a short fading trail.
void stepRaindrops(const PreviewSettings& s, State& st, PreviewFrame& out) {
    fadeGlow(st, 64);
    st.phase += pace(s);
    const bool fall = st.phase >= 5;
    st.phase %= 5;
    for (auto& drop : st.bursts) {
        if (drop.row >= kPreviewRows) {
            const std::uint32_t r = nextRandom(st);
            drop = {static_cast<int>(r % kPreviewColumns), 0, 0,
                    chosenOrRainbow(s, static_cast<int>(r >> 8))};
        }
        const std::size_t i = cellIndex(drop.column, drop.row);
        st.glow[i] = 255;
        st.tint[i] = drop.colour;
        if (fall) {
            ++drop.row;
        }
    }
    paintGlow(st, out);
}

// 14 Fireworks: bursts flare at random keys and spread as fading rings.
void stepFireworks(const PreviewSettings& s, State& st, PreviewFrame& out) {
    constexpr int kLastRadius = 36;  // quarter cells
    for (auto& burst : st.bursts) {
        burst.radius += pace(s);
        if (burst.radius > kLastRadius) {
            const std::uint32_t r = nextRandom(st);
            burst = {static_cast<int>(r % kPreviewColumns),
                     static_cast<int>((r >> 8) % kPreviewRows), 0,
                     chosenOrRainbow(s, static_cast<int>(r >> 16))};
        }
    }
    paintCells(out, [&](int c, int r) {
        int best = 0;
        Rgb colour;
        for (const auto& burst : st.bursts) {
            const double d = std::hypot(c - burst.column, r - burst.row) * 4;
            const int level =
                255 - burst.radius * 6 - static_cast<int>(std::abs(d - burst.radius)) * 80;
            if (level > best) {
                best = level;
                colour = burst.colour;
            }
        }
        return scale(colour, best);
    });
}

// 15 Heartbeat: the whole keyboard beats twice, then rests.
void stepHeartbeat(const PreviewSettings& s, State& st, PreviewFrame& out) {
    constexpr int kBeat = 60;
    st.phase = mod(st.phase + pace(s), kBeat * 6);
    const int p = st.phase % kBeat;
    int level = 24;
    if (p < 6) {
        level = 255 - p * 38;
    } else if (p >= 10 && p < 16) {
        level = 200 - (p - 10) * 30;
    }
    const Rgb c = scale(chosenOrRainbow(s, st.phase / kBeat * 32), level);
    paintCells(out, [&](int, int) { return c; });
}

// 16 Neon: with random colour the whole keyboard glides through the rainbow, else it glows softly.
void stepNeon(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + pace(s), kRainbowSize);
    const Rgb c =
        s.random ? rainbow(st.phase) : scale(s.colour, 128 + triangle(st.phase, kRainbowSize) / 2);
    paintCells(out, [&](int, int) { return c; });
}

// 18 Radiate: rainbow rings spread from the middle (direction 1) or gather into it (0).
void stepRadiate(const PreviewSettings& s, State& st, PreviewFrame& out) {
    st.phase = mod(st.phase + 2 * pace(s), kRainbowSize);
    paintCells(out, [&](int c, int r) {
        const double d = std::hypot(c - 11.0, (r - 2.5) * 2);
        return rainbow(static_cast<int>(d * 16) - sign(s) * st.phase);
    });
}

// 20 Per-key colours: every key in its colour of the current profile's bank.
void stepPerKey(const PreviewSettings& s, State&, PreviewFrame& out) {
    if (s.keys == nullptr) {
        out.outlined.fill(false);
        return;
    }
    out = bankFrame(*s.keys);
}

using StepRoutine = void (*)(const PreviewSettings&, State&, PreviewFrame&);

StepRoutine routineOf(std::uint8_t effect) {
    switch (effect) {
        case 1:
            return stepWave;
        case 2:
            return stepMarquee;
        case 3:
            return stepSnake;
        case 4:
            return stepSpectrum;
        case 5:
            return stepBreathing;
        case 6:
            return stepStatic;
        case 10:
            return stepStarlight;
        case 11:
            return stepAurora;
        case 12:
            return stepWaterfall;
        case 13:
            return stepRaindrops;
        case 14:
            return stepFireworks;
        case 15:
            return stepHeartbeat;
        case 16:
            return stepNeon;
        case 18:
            return stepRadiate;
        case kPerKeyColourEffect:
            return stepPerKey;
        default:
            return stepPlain;
    }
}

}  // namespace

const std::array<Rgb, kRainbowSize>& rainbowTable() {
    return kRainbow;
}

Rgb rainbow(int k) {
    return kRainbow[static_cast<std::size_t>(mod(k, kRainbowSize))];
}

std::optional<GridCell> cellOfLed(int led) {
    if (led < 0 || led >= ColourBank::kLedCount) {
        return std::nullopt;
    }
    const int column = kColumnOfLed[static_cast<std::size_t>(led)];
    if (column < 0) {
        return std::nullopt;
    }
    return GridCell{column, led == kGKeyLed ? kGKeyRow : led / 21};
}

bool ledOnPicture(int led) {
    return cellOfLed(led).has_value();
}

PreviewFrame uniformFrame(Rgb colour) {
    PreviewFrame frame;
    paintCells(frame, [&](int, int) { return colour; });
    return frame;
}

PreviewFrame bankFrame(const ColourBank& bank) {
    PreviewFrame frame;
    for (int led = 0; led < ColourBank::kLedCount; ++led) {
        if (ledOnPicture(led)) {
            frame.outline(led, bank.colourOf(led));
        }
    }
    return frame;
}

void LightingPreview::reset() {
    m_state = State{};
    m_state.random = 0x9E3779B9u;
    for (auto& b : m_state.bursts) {
        b.row = kPreviewRows;  // raindrops: start a new drop
        b.radius = 1000;       // fireworks: start a new burst
    }
    m_ticks = 0;
}

void LightingPreview::step(const PreviewSettings& settings, PreviewFrame& out) {
    ++m_ticks;
    routineOf(settings.effect)(settings, m_state, out);
}

}  // namespace quorvane
