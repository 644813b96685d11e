// Report descriptors come from whatever device claims to be the keyboard:
// any bytes must give a result or a clear error, and a result must be sane.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "quellix/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvane::quellix;
    const std::span<const std::uint8_t> bytes(data, size);
    const DescriptorResult result = parseReportDescriptor(bytes);
    if (!result.ok) {
        if (result.error.empty() || !result.descriptor.collections.empty() ||
            result.offset > size) {
            std::abort();
        }
        return 0;
    }
    if (result.descriptor.collections.empty() || !result.error.empty()) {
        std::abort();
    }
    // Routing any report against the parsed interface stays in bounds.
    const int count = static_cast<int>(result.descriptor.collections.size());
    for (std::size_t cut = 0; cut <= 2 && cut <= size; ++cut) {
        const int index = collectionOfInput(result.descriptor, bytes.subspan(cut));
        if (index < -1 || index >= count) {
            std::abort();
        }
    }
    for (const TopCollection& c : result.descriptor.collections) {
        for (const auto* ids : {&c.inputIds, &c.outputIds, &c.featureIds}) {
            for (std::size_t i = 0; i < ids->size(); ++i) {
                if ((*ids)[i] == 0 || (i > 0 && (*ids)[i - 1] >= (*ids)[i])) {
                    std::abort();  // ids are sorted, unique and never 0
                }
            }
            if (!ids->empty() && !result.descriptor.numbered) {
                std::abort();
            }
        }
    }
    return 0;
}
