// HID report descriptors reduced to what routing needs: the top-level
// collections of an interface and the report ids each one carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quorvane::quellix {

// The kernel refuses larger descriptors; so do we.
inline constexpr std::size_t kMaxDescriptorSize = 4096;

struct TopCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    // Sorted, without duplicates; empty when the interface numbers no reports.
    std::vector<std::uint8_t> inputIds;
    std::vector<std::uint8_t> outputIds;
    std::vector<std::uint8_t> featureIds;
    // True when the collection declares any input, output or feature report.
    bool hasInput = false;
    bool hasOutput = false;
    bool hasFeature = false;

    bool operator==(const TopCollection&) const = default;
};

struct ReportDescriptor {
    std::vector<TopCollection> collections;
    // Every report of the interface starts with its report id byte.
    bool numbered = false;
};

struct DescriptorResult {
    bool ok = false;
    ReportDescriptor descriptor;
    std::string error;       // why the bytes were refused (empty when ok)
    std::size_t offset = 0;  // byte offset of the offending item
};

// Parses raw descriptor bytes. Never throws; refuses truncated items,
// unbalanced collections, report ids of 0 or above 255, push/pop misuse and
// descriptors over kMaxDescriptorSize.
DescriptorResult parseReportDescriptor(std::span<const std::uint8_t> bytes);

// The collection an input report belongs to: by its first byte when the
// interface numbers its reports, else the first collection with input.
// Returns -1 when none fits.
int collectionOfInput(const ReportDescriptor& descriptor, std::span<const std::uint8_t> report);

// Index of the first collection with this usage page and usage, -1 if none.
int findCollection(const ReportDescriptor& descriptor, std::uint16_t usagePage,
                   std::uint16_t usage);

}  // namespace quorvane::quellix
