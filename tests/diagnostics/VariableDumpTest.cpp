#include "diagnostics/VariableDump.h"

#include "contracts/Error.h"
#include "contracts/Object.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using qv::Array;
using qv::Variant;
using qv::VarType;
using qv::diag::DumpVariable;

class Plain : public qv::Object {
public:
    std::string TypeName() const override { return "Node"; }
};

class Collection : public qv::Object {
public:
    std::string TypeName() const override { return "Collection"; }
    bool Enumerate(std::vector<Variant>& elements) const override {
        elements = items;
        return true;
    }
    std::vector<Variant> items;
};

// An object whose every question fails with the given exception.
class Failing : public qv::Object {
public:
    explicit Failing(std::function<void()> fail, bool inEnumerate = false)
        : fail_(std::move(fail)), inEnumerate_(inEnumerate) {}
    std::string TypeName() const override {
        if (!inEnumerate_) fail_();
        return "Failing";
    }
    bool Enumerate(std::vector<Variant>&) const override {
        if (inEnumerate_) fail_();
        return false;
    }

private:
    std::function<void()> fail_;
    bool inEnumerate_;
};

Variant IntegerArray(std::vector<Array::Bounds> bounds) {
    return Variant(Array(VarType::Integer, std::move(bounds)));
}

Variant Grid2x3() {
    Array a(VarType::Integer, {{1, 2}, {0, 2}});
    for (int16_t i = 1; i <= 2; ++i)
        for (int16_t j = 0; j <= 2; ++j)
            a.At({i, j}) = Variant(static_cast<int16_t>(i * 10 + j));
    return Variant(std::move(a));
}

Variant ObjectsFrom3() {
    Array a(VarType::Object, {{3, 4}});
    a.At({4}) = Variant(std::make_shared<Plain>());
    return Variant(std::move(a));
}

Variant Cube() {
    Array a(VarType::Long, {{0, 0}, {1, 1}, {5, 6}});
    a.At({0, 1, 5}) = Variant(int32_t{1});
    a.At({0, 1, 6}) = Variant(int32_t{2});
    return Variant(std::move(a));
}

Variant Col(std::vector<Variant> items) {
    auto c = std::make_shared<Collection>();
    c->items = std::move(items);
    return Variant(c);
}

Variant FailingWith(int32_t number, bool inEnumerate = false) {
    return Variant(
        std::make_shared<Failing>([number] { throw qv::Error(number, "fails"); }, inEnumerate));
}

struct DumpCase {
    std::string name;
    Variant value;
    std::string expected;
};

class VariableDumpTest : public ::testing::TestWithParam<DumpCase> {};

TEST_P(VariableDumpTest, WritesTheTaggedText) {
    EXPECT_EQ(DumpVariable(GetParam().name, GetParam().value), GetParam().expected);
}

const std::string kNul("a\0b\0", 4);

INSTANTIATE_TEST_SUITE_P(
    Grammar, VariableDumpTest,
    ::testing::Values(
        DumpCase{"v", Variant(), "<v>{Empty}</v>\r\n"},
        DumpCase{"v", Variant::Null(), "<v>{Null}</v>\r\n"},
        DumpCase{"v", Variant::Missing(), "<v></v>\r\n"},
        DumpCase{"i", Variant(int16_t{-7}), "<i>-7</i>\r\n"},
        DumpCase{"l", Variant(int32_t{123456}), "<l>123456</l>\r\n"},
        DumpCase{"s", Variant(1.5f), "<s>1.5</s>\r\n"},
        DumpCase{"d", Variant(-2.25), "<d>-2.25</d>\r\n"},
        // Seven significant digits for a Single, fifteen for a Double, a capital E, no "-0".
        DumpCase{"s", Variant(1.0f / 3), "<s>0.3333333</s>\r\n"},
        DumpCase{"s", Variant(1e-5f), "<s>1E-05</s>\r\n"},
        DumpCase{"s", Variant(12345678.0f), "<s>1.234568E+07</s>\r\n"},
        DumpCase{"d", Variant(1.5e20), "<d>1.5E+20</d>\r\n"},
        DumpCase{"d", Variant(-0.0), "<d>0</d>\r\n"},
        DumpCase{"s", Variant(kNul), "<s>a{Null}b{Null}</s>\r\n"},
        DumpCase{"Data", Variant::Unknown(nullptr), "<Data>{Nothing}</Data>\r\n"},
        DumpCase{"r", Variant::Record("RECT"), "<r>{UDT - RECT}</r>\r\n"},
        DumpCase{"nd", Variant(std::make_shared<Plain>()), "<nd>{Node}</nd>\r\n"},
        DumpCase{"Col", Col({Variant("x"), Variant(nullptr)}),
                 "<Col>\r\n<Col[1]>x</Col[1]>\r\n<Col[2]>{Nothing}</Col[2]>\r\n</Col>\r\n"},
        DumpCase{"Col", Col({Col({Variant(true)})}),
                 "<Col>\r\n<Col[1]>\r\n<Col[1][1]>True</Col[1][1]>\r\n</Col[1]>\r\n</Col>\r\n"},
        // In bounds order.
        DumpCase{"A", Grid2x3(),
                 "<A>\r\n"
                 "<A Index=\"1,0\">10</A>\r\n<A Index=\"1,1\">11</A>\r\n"
                 "<A Index=\"1,2\">12</A>\r\n<A Index=\"2,0\">20</A>\r\n"
                 "<A Index=\"2,1\">21</A>\r\n<A Index=\"2,2\">22</A>\r\n"
                 "</A>\r\n"},
        DumpCase{"A", ObjectsFrom3(),
                 "<A>\r\n<A Index=\"3\">{Nothing}</A>\r\n<A Index=\"4\">{Node}</A>\r\n</A>\r\n"},
        DumpCase{"A", Cube(),
                 "<A>\r\n<A Index=\"0,1,5\">1</A>\r\n<A Index=\"0,1,6\">2</A>\r\n</A>\r\n"},
        DumpCase{"A", IntegerArray({{0, 1}, {0, 1}, {0, 1}, {0, 1}}),
                 "<A>\r\n{Dump truncated at 4 dimensions}</A>\r\n"},
        // Five dimensions are probed only to four.
        DumpCase{"A", IntegerArray({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}),
                 "<A>\r\n{Dump truncated at 4 dimensions}</A>\r\n"},
        DumpCase{"o", FailingWith(91), "{Error 91 formatting for output}"},
        // A failure that is not a run-time error.
        DumpCase{"o", Variant(std::make_shared<Failing>([] { throw std::logic_error("bad"); })),
                 "{Error 5 formatting for output}"},
        // A failing enumerator counts as none.
        DumpCase{"o", FailingWith(438, true), "<o>{Failing}</o>\r\n"},
        // A failing element fails alone.
        DumpCase{"Col", Col({FailingWith(91), Variant(int32_t{2})}),
                 "<Col>\r\n{Error 91 formatting for output}<Col[2]>2</Col[2]>\r\n</Col>\r\n"}),
    [](const ::testing::TestParamInfo<DumpCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(VariableDump, ACollectionHoldingItselfEndsWithAnError) {
    auto c = std::make_shared<Collection>();
    c->items = {Variant(int32_t{1}), Variant(c)};
    EXPECT_EQ(DumpVariable("Col", Variant(c)),
              "<Col>\r\n<Col[1]>1</Col[1]>\r\n{Error 28 formatting for output}</Col>\r\n");
    c->items.clear(); // break the cycle so the object is freed
}

TEST(VariableDump, UninitialisedMeansNoSuchDimension) {
    const Variant none{Array()};
    const Variant row = IntegerArray({{1, 3}});
    EXPECT_TRUE(qv::diag::IsUninitialisedArray(none, 1));
    EXPECT_FALSE(qv::diag::IsUninitialisedArray(row, 1));
    EXPECT_TRUE(qv::diag::IsUninitialisedArray(row, 2));
    EXPECT_TRUE(qv::diag::IsUninitialisedArray(row, 0));
    EXPECT_FALSE(qv::diag::IsUninitialisedArray(Variant(int32_t{1}), 1));
}

} // namespace
