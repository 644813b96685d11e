#include "cli/lighting_command.h"

#include <array>
#include <cstdio>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/result_text.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"
#include "core/sync/lighting_writes.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

namespace {

struct LightingChange {
    std::optional<long> effect;
    std::optional<long> brightness;
    std::optional<long> speed;
    std::optional<long> direction;
    std::optional<RgbText> colour;
    std::optional<bool> random;
    std::optional<long> rate;
};

std::string hexColour(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c.red, c.green, c.blue);
    return text;
}

void printLighting(CliKeyboard& keyboard, CliContext& context) {
    const LightingPanelValues v = keyboard.sync().panelValues(true);
    context.out << "profile: " << v.profile + 1 << '\n'
                << "effect: " << static_cast<int>(v.effect) << " ("
                << utf8(keyboard.language().effectName(v.effect)) << ")\n"
                << "brightness: " << static_cast<int>(v.brightness) << '\n'
                << "speed: " << static_cast<int>(v.speed) << '\n'
                << "direction: " << static_cast<int>(v.direction) << '\n'
                << "colour: " << hexColour(v.colour) << '\n'
                << "random: " << (v.multicolour ? "on" : "off") << '\n'
                << "rate: " << static_cast<int>(v.reportRate) << '\n';
}

// Reads every option; `error` says what is wrong with the first bad one.
std::optional<LightingChange> parseChange(const ParsedOptions& options, std::string& error) {
    LightingChange change;
    for (const auto& [name, value] : options.values) {
        bool ok = true;
        if (name == "effect") {
            change.effect = parseDecimal(value, 1, 20);
            ok = change.effect && *change.effect != 19;
            if (!ok) {
                error = "--effect is 1 to 18 or 20, not \"" + value + "\"";
            }
        } else if (name == "brightness" || name == "speed") {
            std::optional<long>& field = name == "speed" ? change.speed : change.brightness;
            field = parseDecimal(value, 0, 4);
            ok = field.has_value();
            if (!ok) {
                error = "--";
                error += name;
                error += " is 0 to 4, not \"" + value + "\"";
            }
        } else if (name == "direction") {
            change.direction = parseDecimal(value, 0, 1);
            ok = change.direction.has_value();
            if (!ok) {
                error = "--direction is 0 or 1, not \"" + value + "\"";
            }
        } else if (name == "colour") {
            change.colour = parseColour(value);
            ok = change.colour.has_value();
            if (!ok) {
                error = "--colour is six hex digits RRGGBB, not \"" + value + "\"";
            }
        } else if (name == "random") {
            change.random = parseOnOff(value);
            ok = change.random.has_value();
            if (!ok) {
                error = "--random is on or off, not \"" + value + "\"";
            }
        } else if (name == "rate") {
            change.rate = parseDecimal(value, 0, 3);
            ok = change.rate.has_value();
            if (!ok) {
                error = "--rate is 0 to 3, not \"" + value + "\"";
            }
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    return change;
}

// The writes in the panel's order; the colour clears the random flag, so a
// --random given with it comes after.
int applyChange(const LightingChange& change, SyncSession& sync) {
    LightingWrites writes(sync);
    int result = kResultDone;
    auto step = [&result](int r) {
        if (result == kResultDone) {
            result = r;
        }
    };
    if (change.effect) {
        step(writes.setEffect(static_cast<std::uint8_t>(*change.effect)));
    }
    if (change.brightness && result == kResultDone) {
        step(writes.setBrightness(static_cast<int>(*change.brightness)));
    }
    if (change.speed && result == kResultDone) {
        step(writes.setSpeed(static_cast<int>(*change.speed)));
    }
    if (change.direction && result == kResultDone) {
        step(writes.setDirection(static_cast<int>(*change.direction)));
    }
    if (change.colour && result == kResultDone) {
        step(writes.setEffectColour(
            Rgb{change.colour->red, change.colour->green, change.colour->blue}));
    }
    if (change.random && result == kResultDone) {
        step(writes.setRandomColour(*change.random));
    }
    if (change.rate && result == kResultDone) {
        step(writes.setReportRate(static_cast<int>(*change.rate)));
    }
    return result;
}

}  // namespace

int runLighting(std::span<const std::string_view> args, CliContext& context) {
    static constexpr std::array<std::string_view, 7> kValues = {
        "effect", "brightness", "speed", "direction", "colour", "random", "rate"};
    const ParsedOptions options = parseOptions(args, kValues, {});
    if (!options.error.empty()) {
        return usageError(context, options.error);
    }
    if (!options.positionals.empty()) {
        return usageError(
            context, "unexpected argument \"" + std::string(options.positionals.front()) + "\"");
    }
    std::string error;
    const std::optional<LightingChange> change = parseChange(options, error);
    if (!change) {
        return usageError(context, error);
    }

    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        SyncSession& sync = keyboard.sync();
        const int current = keyboard.lighting().currentProfile;
        if (current < 0 || current >= kProfileCount) {
            return failResult(context, "lighting", kSyncDefaultMode);
        }
        if (change->effect && !keyboard.lighting().settings.offersEffect(
                                  static_cast<std::uint8_t>(*change->effect))) {
            return usageError(
                context, "the keyboard does not offer effect " + std::to_string(*change->effect));
        }
        if (!options.values.empty()) {
            const int result = applyChange(*change, sync);
            if (result != kResultDone) {
                return failResult(context, "writing the lighting", result);
            }
        }
        printLighting(keyboard, context);
        return kExitOk;
    });
}

}  // namespace quorvane::cli
