// Properties read from other programs' windows: anything malformed is refused, never guessed.
#include <gtest/gtest.h>

#include "platform/linux/x11_properties.h"

#include <cstring>

namespace {

using namespace sorvane::linuxos;

constexpr unsigned long kAtom = 4, kCardinal = 6, kString = 31;

struct Longs {
    std::vector<unsigned long> items;
    PropertyValue value(unsigned long type, int format = 32, long countDelta = 0,
                        unsigned long after = 0) const {
        PropertyValue p;
        p.type = type;
        p.format = format;
        p.count = static_cast<unsigned long>(static_cast<long>(items.size()) + countDelta);
        p.bytesAfter = after;
        p.bytes = {reinterpret_cast<const unsigned char*>(items.data()),
                   items.size() * sizeof(unsigned long)};
        return p;
    }
};

struct AtomCase {
    const char* what;
    PropertyValue value;
    bool accepted;
};

const Longs kTwoAtoms{{301, 302}};
const Longs kMany{std::vector<unsigned long>(kMaxPropertyItems + 1, 301)};

class AtomList : public ::testing::TestWithParam<AtomCase> {};

TEST_P(AtomList, OnlyAWholeAtomListOfFormat32IsRead) {
    const auto parsed = parseAtomList(GetParam().value, kAtom);
    EXPECT_EQ(parsed.has_value(), GetParam().accepted) << GetParam().what;
    if (parsed && GetParam().value.count == 2) {
        EXPECT_EQ(*parsed, (std::vector<unsigned long>{301, 302}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Properties, AtomList,
    ::testing::Values(AtomCase{"well formed", kTwoAtoms.value(kAtom), true},
                      AtomCase{"empty list", Longs{}.value(kAtom), true},
                      AtomCase{"wrong type", kTwoAtoms.value(kCardinal), false},
                      AtomCase{"wrong format", kTwoAtoms.value(kAtom, 8), false},
                      AtomCase{"format 16", kTwoAtoms.value(kAtom, 16), false},
                      AtomCase{"count beyond the data", kTwoAtoms.value(kAtom, 32, 5), false},
                      AtomCase{"more left on the server", kTwoAtoms.value(kAtom, 32, 0, 4096),
                               false},
                      AtomCase{"absurd length", kMany.value(kAtom), false},
                      AtomCase{"no property", PropertyValue{}, false}));

TEST(AtomListItems, KeepOnlyTheLow32BitsOfEachLong) {
    const Longs wide{{0xFFFFFFFF00000131ul, 302}};
    EXPECT_EQ(parseAtomList(wide.value(kAtom), kAtom), (std::vector<unsigned long>{0x131, 302}));
}

PropertyValue text(const std::string& s, unsigned long type = kString, int format = 8) {
    static std::string keep;
    keep = s;
    PropertyValue p;
    p.type = type;
    p.format = format;
    p.count = s.size();
    p.bytes = {reinterpret_cast<const unsigned char*>(keep.data()), keep.size()};
    return p;
}

TEST(WmClass, NeedsANameInAWellFormedString) {
    EXPECT_TRUE(parseHasWmClass(text(std::string("tint2\0Tint2\0", 12)), kString));
    EXPECT_TRUE(parseHasWmClass(text(std::string("\0Panel\0", 7)), kString));
    EXPECT_FALSE(parseHasWmClass(text(std::string("\0\0", 2)), kString)) << "both names empty";
    EXPECT_FALSE(parseHasWmClass(text(""), kString));
    EXPECT_FALSE(parseHasWmClass(text("tint2", kAtom), kString)) << "wrong type";
    EXPECT_FALSE(parseHasWmClass(text("tint2", kString, 32), kString)) << "wrong format";
    auto cut = text("tint2");
    cut.count = 100;
    EXPECT_FALSE(parseHasWmClass(cut, kString)) << "count beyond the data";
}

TEST(SavedGeometry, RoundTripsNegativePlacesAndRefusesAnythingElse) {
    const SavedGeometry g{-5, 740, 1024, 28};
    const Longs encoded{encodeSavedGeometry(g)};
    EXPECT_EQ(parseSavedGeometry(encoded.value(kCardinal), kCardinal), g);
    EXPECT_FALSE(parseSavedGeometry(encoded.value(kAtom), kCardinal));
    EXPECT_FALSE(parseSavedGeometry(Longs{{1, 2, 3}}.value(kCardinal), kCardinal));
    EXPECT_FALSE(parseSavedGeometry(Longs{{1, 2, 0, 3}}.value(kCardinal), kCardinal));
    EXPECT_FALSE(parseSavedGeometry(Longs{{1, 2, 3, 4, 5}}.value(kCardinal), kCardinal));
    EXPECT_FALSE(parseSavedGeometry(Longs{{1, 2, 70000, 4}}.value(kCardinal), kCardinal));
}

} // namespace
