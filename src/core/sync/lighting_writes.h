// The lighting panel's writes: each control changes a few bytes of the current
// profile's lighting record (or one key's colour) in the model and sends them
// at once, bracketed by BeginTransfer and EndTransfer. Nothing is sent while
// the current profile is the default mode (3). The model keeps the new value
// whatever the keyboard answered; the result says what it answered.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "core/config/device_layouts.h"
#include "core/device/command_set.h"

namespace quorvane {

class SyncSession;

// One write of a bracket, with the bytes as they were when the control changed:
// WriteLighting at an offset of the lighting area, or WriteKeyColours from an
// LED of a colour bank.
struct LightingPiece {
    Command command = Command::WriteLighting;
    int offset = 0;  // lighting: area offset; colours: first LED
    int bank = 0;    // colours only
    std::vector<std::uint8_t> bytes;

    bool operator==(const LightingPiece&) const = default;
};
// Sent as BeginTransfer, the pieces in order, EndTransfer.
using LightingBracket = std::vector<LightingPiece>;

// Sends one bracket on the calling thread. EndTransfer follows whatever
// happened; the result is the first failing write's, else EndTransfer's.
int sendLightingBracket(CommandSet& commands, const LightingBracket& bracket);

// The pieces that send a whole colour bank (eight 54-byte writes).
LightingBracket colourBankBracket(const ColourBank& bank, int bankNumber);

// Where LightingWrites sends its brackets instead of sending them itself, e.g.
// a queue that keeps the caller's thread free while the keyboard is slow.
class LightingWriteSink {
  public:
    virtual ~LightingWriteSink() = default;
    // Takes one bracket; 1 once it is accepted.
    virtual int queue(LightingBracket bracket) = 0;
};

// Which bytes an effect change writes.
enum class EffectWrite {
    EffectAndRandom,  // byte 0 and byte 4: 1, 2, 3, 5, 7, 8, 9, 13, 14, 15
    EffectOnly,       // byte 0: 4, 6, 10, 11, 12, 16, 17, 18, 20
    Nothing,          // any other code
};
EffectWrite effectWriteOf(std::uint8_t effectCode);

class LightingWrites {
  public:
    explicit LightingWrites(SyncSession& session) : m_session(session) {}
    // With a sink, the brackets go there and a write's result is the sink's;
    // the model, the files and the window are updated as without one.
    LightingWrites(SyncSession& session, LightingWriteSink* sink)
        : m_session(session), m_sink(sink) {}

    // Effect change: the code is stored; bytes as effectWriteOf says.
    // -201 (nothing sent) for a code outside both lists.
    int setEffect(std::uint8_t effectCode);
    // Brightness 0..4 (the slider position); byte 1, only when it changed.
    int setBrightness(int brightness);
    // The speed slider: speed = 4 - position; byte 2, only when it changed.
    int setSpeedPosition(int position);
    // The speed value itself (0..4).
    int setSpeed(int speed);
    // 1 = left / up / spread, 0 = right / down / gather; byte 3.
    int setDirection(int direction);
    // The effect colour and the reactive colour (one field): the random flag
    // is cleared; bytes 4..7.
    int setEffectColour(Rgb colour);
    // The two random-colour toggles; byte 4.
    int toggleRandomColour();
    int setRandomColour(bool on);
    // The colour pictures of effect 17 (0 red, 1 yellow, 2 green, 3 blue); byte 17.
    int setEffect17Colour(int index);
    // The report-rate buttons (0..3); byte 15.
    int setReportRate(int rate);

    // The user mode (effect 20).
    // The base colour: when it differs from the stored one, every tied key
    // takes it (bank, file), the bank is sent, then bytes 9..11.
    int setBaseColour(Rgb colour);
    // Painting one key (`led` 0..125) while the lamp is on and the effect is
    // 20: tool 0 the free colour, tool 1 the base colour; three bytes with
    // WriteKeyColours; the tie flag and the user mode file follow. -201 when
    // painting is not possible now.
    int paintKey(int led);
    // The brush (free) colour and the tool: stored with the user mode, nothing sent.
    bool setBrushColour(Rgb colour);
    bool setTool(int tool);
    // Choosing user mode m (0..9): stored as the present mode, then sent.
    int selectUserMode(int mode);
    // Renaming the selected user mode (at most 259 characters kept).
    bool renameUserMode(std::u16string_view name);

  private:
    // Begin, one WriteLighting of `count` bytes from `byteNumber` of the
    // current record, End. Several groups go in one bracket.
    int writeRecordBytes(std::initializer_list<Field> fields);
    // Stores `value` in `stored` (the current record's `field`) and writes it;
    // the old value comes back when the write fails.
    int writeChangedByte(std::uint8_t& stored, std::uint8_t value, Field field);
    int send(LightingBracket bracket);

    SyncSession& m_session;
    LightingWriteSink* m_sink = nullptr;
};

}  // namespace quorvane
