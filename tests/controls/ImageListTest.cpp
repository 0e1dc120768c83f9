#include "controls/ImageList.h"

#include "contracts/Error.h"
#include "controls/BuiltInImages.h"
#include "controls/ImageKeyTable.h"
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

TEST_F(ImageListTest, OverlayDrawsTheOpaquePixelsOfTheSecondImage) {
    // Half-transparent pixels count as drawn; fully transparent ones do not.
    list.Add("base", Solid(0xFF112233));
    auto over = Solid(0x00FFFFFF);
    over->At(3, 4) = 0x01ABCDEF;
    list.Add("over", over);
    auto mixed = list.Overlay("base", "over");
    EXPECT_EQ(mixed->At(3, 4), 0x01ABCDEFu);
    EXPECT_EQ(mixed->At(4, 4), 0xFF112233u);
    EXPECT_EQ(list.Item("base")->At(3, 4), 0xFF112233u); // a new picture: the base stays
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

// Removing every "ico_" image by walking the indexes, as a reload does, over a list large
// enough to be compacted on the way; the result is checked against a plain vector. Every key is
// looked up before, so that the slots remembered then are stale afterwards.
TEST_F(ImageListTest, WalkingRemovalKeepsOrderAndLookups) {
    std::vector<std::string> model;
    for (int i = 0; i < 500; ++i) {
        std::string key = (i % 3 ? "ico_" : "ext_") + std::to_string(i);
        list.Add(key, Solid(static_cast<uint32_t>(i)));
        if (key.starts_with("ext_")) model.push_back(key);
    }
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(list.IdOf((i % 3 ? "ico_" : "ext_") + std::to_string(i)),
                  qv::InternImageKey((i % 3 ? "ico_" : "ext_") + std::to_string(i)));
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
    EXPECT_EQ(list.IdOf("ico_1"), 0u);
    EXPECT_EQ(list.IdOf(""), 0u);
    list.Remove("ext_0");
    EXPECT_EQ(list.IndexOf("ext_0"), 0);
    EXPECT_FALSE(list.Contains("ext_0"));
    EXPECT_EQ(ErrorOf([&] { list.Item("ext_0"); }), qv::err::ElementNotFound);
    list.Add("ext_0", Solid(6)); // a removed key may come back, at the end
    EXPECT_EQ(list.IndexOf("ext_0"), static_cast<int32_t>(model.size()));
    list.Clear();
    EXPECT_FALSE(list.Contains("ext_3"));
    list.Add("ext_3", Solid(7));
    EXPECT_EQ(Keys(list), "ext_3");
    EXPECT_EQ(list.Item("ext_3")->At(0, 0), 7u);
}

} // namespace
