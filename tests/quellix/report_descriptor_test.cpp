#include "quellix/report_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quellix/descriptor_fixtures.h"

namespace quorvane::quellix {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    std::uint16_t page;
    std::uint16_t usage;
    Bytes inputIds;
    Bytes outputIds;
    bool hasInput;
    bool hasOutput;
};

struct InterfaceCase {
    const char* name;
    Bytes bytes;
    bool numbered;
    std::vector<Expected> collections;
};

class KeyboardInterfaces : public testing::TestWithParam<InterfaceCase> {};

TEST_P(KeyboardInterfaces, YieldTopCollectionsAndReportIds) {
    const InterfaceCase& c = GetParam();
    const DescriptorResult result = parseReportDescriptor(c.bytes);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.descriptor.numbered, c.numbered);
    ASSERT_EQ(result.descriptor.collections.size(), c.collections.size());
    for (std::size_t i = 0; i < c.collections.size(); ++i) {
        const TopCollection& got = result.descriptor.collections[i];
        const Expected& want = c.collections[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(got.usagePage, want.page);
        EXPECT_EQ(got.usage, want.usage);
        EXPECT_EQ(got.inputIds, want.inputIds);
        EXPECT_EQ(got.outputIds, want.outputIds);
        EXPECT_EQ(got.hasInput, want.hasInput);
        EXPECT_EQ(got.hasOutput, want.hasOutput);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, KeyboardInterfaces,
    testing::Values(
        InterfaceCase{
            "boot", fixtures::kBootKeyboard, false, {{0x0001, 0x0006, {}, {}, true, true}}},
        InterfaceCase{
            "consumer", fixtures::kConsumerControl, true, {{0x000C, 0x0001, {3}, {}, true, false}}},
        InterfaceCase{
            "vendor", fixtures::kVendorCommands, true, {{0xFF1C, 0x0092, {4}, {4}, true, true}}},
        InterfaceCase{
            "bank", fixtures::kBankReport, true, {{0x0008, 0x0089, {}, {5}, false, true}}},
        InterfaceCase{"second_interface",
                      fixtures::secondInterface(),
                      true,
                      {{0x000C, 0x0001, {3}, {}, true, false},
                       {0xFF1C, 0x0092, {4}, {4}, true, true},
                       {0x0008, 0x0089, {}, {5}, false, true}}},
        // A four-byte usage carries its own page; push/pop restore the page;
        // long items are skipped; nested collections belong to the outer one.
        InterfaceCase{"four_byte_usage",
                      {0x0B, 0x92, 0x00, 0x1C, 0xFF, 0xA1, 0x01, 0x85, 0x07, 0x81, 0x02, 0xC0},
                      true,
                      {{0xFF1C, 0x0092, {7}, {}, true, false}}},
        // The page is joined to the usage at the main item: a Usage Page
        // between the Usage and its Collection names the collection's page.
        InterfaceCase{
            "page_after_usage",
            {0x05, 0x01, 0x09, 0x92, 0x06, 0x1C, 0xFF, 0xA1, 0x01, 0x85, 0x04, 0x81, 0x02, 0xC0},
            true,
            {{0xFF1C, 0x0092, {4}, {}, true, false}}},
        InterfaceCase{"pop_after_usage",
                      {0x05, 0x0C, 0xA4, 0x05, 0x01, 0x09, 0x01, 0xB4, 0xA1, 0x01, 0xC0},
                      false,
                      {{0x000C, 0x0001, {}, {}, false, false}}},
        InterfaceCase{"push_pop",
                      {0x05, 0x0C, 0xA4, 0x05, 0x01, 0xB4, 0x09, 0x01, 0xA1, 0x01, 0xC0},
                      false,
                      {{0x000C, 0x0001, {}, {}, false, false}}},
        InterfaceCase{"long_item_and_nesting",
                      {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01,
                       0xA1, 0x00, 0x85, 0x02, 0x81, 0x02, 0x85, 0x09, 0x91, 0x02, 0xC0, 0xC0},
                      true,
                      {{0x0001, 0x0002, {2}, {9}, true, true}}}),
    [](const testing::TestParamInfo<InterfaceCase>& info) { return info.param.name; });

struct MalformedCase {
    const char* name;
    Bytes bytes;
    const char* reason;  // part of the error text
};

class MalformedDescriptors : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescriptors, AreRefusedWithAReason) {
    const MalformedCase& c = GetParam();
    const DescriptorResult result = parseReportDescriptor(c.bytes);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("at byte"), std::string::npos) << result.error;
    EXPECT_TRUE(result.descriptor.collections.empty());
}

Bytes repeated(const Bytes& unit, std::size_t times, const Bytes& tail = {}) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i) {
        out.insert(out.end(), unit.begin(), unit.end());
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Bad, MalformedDescriptors,
    testing::Values(
        MalformedCase{"empty", {}, "empty"},
        MalformedCase{"truncated_one_byte_item", {0x05}, "truncated item"},
        MalformedCase{"truncated_two_byte_item", {0x06, 0x1C}, "truncated item"},
        MalformedCase{"truncated_long_item", {0xFE, 0x05, 0x00, 0x01}, "truncated long item"},
        MalformedCase{"long_item_without_header", {0xFE, 0x05}, "truncated long item"},
        MalformedCase{"end_without_collection", {0xC0}, "end collection without collection"},
        MalformedCase{
            "collection_not_closed", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}, "collection not closed"},
        MalformedCase{"report_id_zero",
                      {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x00, 0xC0},
                      "report id 0"},
        MalformedCase{"report_id_256",
                      {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0},
                      "report id above 255"},
        MalformedCase{"pop_without_push", {0xB4}, "pop without push"},
        MalformedCase{"no_collection", {0x05, 0x01, 0x09, 0x06}, "no top-level collection"},
        MalformedCase{"too_long", Bytes(4097, 0x00), "longer than 4096"},
        MalformedCase{"nested_too_deeply", repeated({0xA1, 0x00}, 65, repeated({0xC0}, 65)),
                      "nested too deeply"},
        MalformedCase{"push_too_deep", repeated({0xA4}, 17), "push nested too deeply"}),
    [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST(ReportDescriptor, ErrorNamesTheOffendingOffset) {
    const Bytes bytes = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x00, 0xC0};
    const DescriptorResult result = parseReportDescriptor(bytes);
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.offset, 6u);
}

struct RouteCase {
    const char* name;
    Bytes report;
    int collection;  // index in the second interface, -1 for none
};

class InputRouting : public testing::TestWithParam<RouteCase> {};

TEST_P(InputRouting, ByReportIdOnTheSecondInterface) {
    const DescriptorResult parsed = parseReportDescriptor(fixtures::secondInterface());
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(collectionOfInput(parsed.descriptor, GetParam().report), GetParam().collection);
}

INSTANTIATE_TEST_SUITE_P(Reports, InputRouting,
                         testing::Values(RouteCase{"consumer", {0x03, 0x02, 0x04}, 0},
                                         RouteCase{"vendor_answer", {0x04, 0x00, 0x00, 0x03}, 1},
                                         // The bank collection declares no input: nothing claims 5.
                                         RouteCase{"bank_has_no_input", {0x05, 0x02}, -1},
                                         RouteCase{"unknown_id", {0x09, 0x00}, -1},
                                         RouteCase{"empty", {}, -1}),
                         [](const testing::TestParamInfo<RouteCase>& info) {
                             return info.param.name;
                         });

TEST(InputRouting, UnnumberedInterfaceGoesToItsInputCollection) {
    const DescriptorResult parsed = parseReportDescriptor(fixtures::kBootKeyboard);
    ASSERT_TRUE(parsed.ok);
    const Bytes keys = {0x00, 0x00, 0x04, 0, 0, 0, 0, 0};
    EXPECT_EQ(collectionOfInput(parsed.descriptor, keys), 0);
}

TEST(FindCollection, ByPageAndUsage) {
    const DescriptorResult parsed = parseReportDescriptor(fixtures::secondInterface());
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(findCollection(parsed.descriptor, 0x0008, 0x0089), 2);
    EXPECT_EQ(findCollection(parsed.descriptor, 0xFF1C, 0x0092), 1);
    EXPECT_EQ(findCollection(parsed.descriptor, 0xFF1C, 0x0001), -1);
}

}  // namespace
}  // namespace quorvane::quellix
