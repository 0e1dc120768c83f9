#include "controls/ImageList.h"

#include "contracts/Error.h"
#include "controls/BuiltInImages.h"
#include "support/ErrorOf.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

using qvtest::ErrorOf;
std::shared_ptr<qv::Picture> Solid(uint32_t colour) {
    auto p = std::make_shared<qv::Picture>(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            p->At(x, y) = colour;
    return p;
}

// The keys in order, blank separated.
std::string Keys(const qv::ImageList& list) {
    std::string keys;
    for (int32_t i = 1; i <= list.Count(); ++i)
        keys += (i > 1 ? " " : "") + list.Key(i);
    return keys;
}

class ImageListTest : public ::testing::Test {
protected:
    std::shared_ptr<qv::ImageList> builtIn = qv::MakeBuiltInImageList();
    qv::HeadlessImageList list;
};

TEST_F(ImageListTest, BuiltInImagesInStoredOrder) {
    EXPECT_EQ(Keys(*builtIn),
              "missing topicfolderclosed topic imagefolderopen otherfilefolderopen "
              "topicfolderopen imagefolderclosed otherfilefolderclosed bookletsclosed checkedout "
              "readonly bookletsopen buildflagsopen buildflagsclosed help1 buildprofilesopen "
              "buildprofilesclosed help2 html booklet");
    std::set<std::vector<uint32_t>> distinct;
    for (int32_t i = 1; i <= builtIn->Count(); ++i) {
        auto pic = builtIn->Item(builtIn->Key(i));
        ASSERT_EQ(pic->Width(), 16);
        ASSERT_EQ(pic->Height(), 16);
        distinct.insert(pic->Pixels());
    }
    EXPECT_EQ(distinct.size(), 20u) << "two built-in images look the same";
}

TEST_F(ImageListTest, BadgesSitInDifferentCornersAndLeaveTheRestClear) {
    // Bounding box of the drawn pixels of each badge.
    auto box = [&](const std::string& key) {
        auto pic = builtIn->Item(key);
        int x0 = 16, y0 = 16, x1 = -1, y1 = -1;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (pic->At(x, y) >> 24) {
                    x0 = std::min(x0, x), y0 = std::min(y0, y);
                    x1 = std::max(x1, x), y1 = std::max(y1, y);
                }
        return std::vector<int>{x0, y0, x1, y1};
    };
    const auto lock = box("readonly"), tick = box("checkedout");
    EXPECT_GE(lock[0], 8) << "read-only badge in the right half";
    EXPECT_LE(tick[2], 7) << "checked-out badge in the left half";
    EXPECT_GE(lock[1], 6);
    EXPECT_GE(tick[1], 6);
}

TEST_F(ImageListTest, OverlayDrawsTheOpaquePixelsOfTheSecondImage) {
    auto variant = builtIn->Overlay("topic", "readonly");
    auto topic = builtIn->Item("topic"), badge = builtIn->Item("readonly");
    const auto topicBefore = topic->Pixels();
    int fromBadge = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool opaque = badge->At(x, y) >> 24;
            fromBadge += opaque;
            EXPECT_EQ(variant->At(x, y), opaque ? badge->At(x, y) : topic->At(x, y));
        }
    EXPECT_GT(fromBadge, 0);
    EXPECT_NE(variant->Pixels(), topic->Pixels());
    EXPECT_EQ(topic->Pixels(), topicBefore);

    // Half-transparent pixels count as drawn; fully transparent ones do not.
    list.Add("base", Solid(0xFF112233));
    auto over = Solid(0x00FFFFFF);
    over->At(3, 4) = 0x01ABCDEF;
    list.Add("over", over);
    auto mixed = list.Overlay("base", "over");
    EXPECT_EQ(mixed->At(3, 4), 0x01ABCDEFu);
    EXPECT_EQ(mixed->At(4, 4), 0xFF112233u);
    EXPECT_EQ(ErrorOf([&] { list.Overlay("base", "nope"); }), qv::err::ElementNotFound);
}

TEST_F(ImageListTest, ErrorsLeaveTheListUnchanged) {
    auto first = Solid(1);
    list.Add("a", first);
    list.Add("A", Solid(2)); // keys are case-sensitive
    EXPECT_EQ(ErrorOf([&] { list.Add("a", Solid(3)); }), qv::err::KeyNotUnique);
    EXPECT_EQ(ErrorOf([&] { list.Add("b", nullptr); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { list.Add("", Solid(4)); }), qv::err::InvalidKey);
    EXPECT_EQ(ErrorOf([&] { list.Item("b"); }), qv::err::ElementNotFound);
    EXPECT_EQ(ErrorOf([&] { list.Remove("b"); }), qv::err::ElementNotFound);
    EXPECT_EQ(ErrorOf([&] { list.Key(0); }), 35600);
    EXPECT_EQ(ErrorOf([&] { list.Key(3); }), 35600);
    EXPECT_EQ(ErrorOf([&] { list.Remove(3); }), 35600);
    EXPECT_EQ(Keys(list), "a A");
    EXPECT_EQ(list.Item("a"), first);
    EXPECT_FALSE(list.Contains("b"));
}

TEST_F(ImageListTest, RemovalShiftsLaterImagesUp) {
    for (const char* key : {"k1", "k2", "k3", "k4"})
        list.Add(key, Solid(5));
    list.Remove(2);
    EXPECT_EQ(list.Key(2), "k3");
    list.Remove("k1");
    EXPECT_EQ(Keys(list), "k3 k4");
    EXPECT_EQ(list.IndexOf("k4"), 2);
    EXPECT_EQ(list.IndexOf("k1"), 0);
    list.Add("k1", Solid(6)); // a removed key may come back, at the end
    EXPECT_EQ(list.IndexOf("k1"), 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add("k3", Solid(7));
    EXPECT_EQ(Keys(list), "k3");
}

// Removing every "ico_" image by walking the indexes, as a reload does, over a list large
// enough to be compacted on the way; the result is checked against a plain vector.
TEST_F(ImageListTest, WalkingRemovalKeepsOrderAndLookups) {
    std::vector<std::string> model;
    for (int i = 0; i < 500; ++i) {
        std::string key = (i % 3 ? "ico_" : "ext_") + std::to_string(i);
        list.Add(key, Solid(static_cast<uint32_t>(i)));
        if (key.starts_with("ext_")) model.push_back(key);
    }
    for (int32_t i = 1; i <= list.Count();) {
        if (list.Key(i).starts_with("ico_"))
            list.Remove(i);
        else
            ++i;
    }
    std::string kept;
    for (const auto& key : model)
        kept += (kept.empty() ? "" : " ") + key;
    EXPECT_EQ(Keys(list), kept);
    for (size_t i = 0; i < model.size(); ++i) {
        EXPECT_EQ(list.IndexOf(model[i]), static_cast<int32_t>(i + 1));
        EXPECT_EQ(list.Item(model[i])->At(0, 0), std::stoul(model[i].substr(4)));
    }
    EXPECT_FALSE(list.Contains("ico_1"));
}

} // namespace
