#include "core/assign/record_delays.h"

#include <algorithm>
#include <climits>
#include <string>

#include "core/app/settings_store.h"

namespace quorvane {

namespace {

std::u16string valueName(const TextLookup& loadText) {
    return loadText ? loadText(kTextRecordDelayValueName)
                    : std::u16string(kTextRecordDelayValueName);
}

}  // namespace

long long leadingDecimal(std::u16string_view text, bool* found) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long n = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        any = true;
        n = std::min<long long>(n * 10 + (text[i] - u'0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (found != nullptr) {
        *found = any;
    }
    n = negative ? -n : n;
    return std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, n));
}

int readRecordDelays(const FrameworkProfile& profile, const TextLookup& loadText) {
    const std::u16string text =
        profile.GetProfileString(kProfilesSection, valueName(loadText), u"0");
    return static_cast<int>(leadingDecimal(text));
}

int writeRecordDelays(FrameworkProfile& profile, const TextLookup& loadText, int v) {
    const int stored = (v == 0 || v == 1) ? v : 0;
    profile.WriteProfileString(kProfilesSection, valueName(loadText), stored == 1 ? u"1" : u"0");
    return stored;
}

}  // namespace quorvane
