#include "host/DesignerHelper.h"

#include "contracts/Error.h"
#include "contracts/TreeView.h"
#include "host/Registry.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using qv::HostDesignerHelper;
using qvtest::ScopedEnv;
using qvtest::TempDir;

const std::string kImages = std::string(QV_SOURCE_DIR) + "/samples/Handbook/images/";

// Drag data keyed by the format's text, with a settable file list.
class MemoryData : public qv::DataObject {
public:
    std::string TypeName() const override { return "DataObject"; }
    void SetData(const qv::Variant& value, const qv::Variant& format) override {
        data[format.ToString()] = value;
    }
    qv::Variant GetData(const qv::Variant& format) const override {
        auto it = data.find(format.ToString());
        if (it == data.end()) throw qv::Error(461, "Specified format doesn't match format of data");
        return it->second;
    }
    bool GetFormat(const qv::Variant& format) const override {
        return data.count(format.ToString()) != 0;
    }
    const std::vector<std::string>& Files() const override { return files; }

    std::map<std::string, qv::Variant> data;
    std::vector<std::string> files;
};

class DesignerHelperTest : public ::testing::Test {
protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
    std::shared_ptr<qv::HostOptions> options = std::make_shared<qv::HostOptions>();
    std::shared_ptr<qv::HostRegistry> registry = std::make_shared<qv::HostRegistry>();
    qv::ScriptedMessageBoxes boxes;
    HostDesignerHelper helper{options, registry, boxes};
    std::vector<std::string> shown;

    void SetUp() override {
        boxes.SetObserver([this](int32_t code, const std::string& title, const std::string&,
                                 int32_t answer) {
            shown.push_back(std::to_string(code) + " " + title + " -> " + std::to_string(answer));
        });
    }
};

// Colours are written blue, green, red; system colours are looked up. The program's folder
// ends in a separator.
TEST_F(DesignerHelperTest, ColorsAreWrittenBlueGreenRedAndTheFolderEndsInASeparator) {
    EXPECT_EQ(helper.ColorToHex(0x0000FF), "&H0000FF&");
    EXPECT_EQ(helper.ColorToHex(0), "&H000000&");
    EXPECT_EQ(helper.ColorToHex(0x7FABCDEF), "&HABCDEF&");
    EXPECT_EQ(helper.ColorToHex(static_cast<int32_t>(0x8000000Du)), "&HD77800&");
    EXPECT_EQ(qvtest::ErrorOf([&] { helper.ColorToHex(static_cast<int32_t>(0x800000FFu)); }),
              qv::err::InvalidArgument);
    helper.SetAppFolder("/opt/qv");
    EXPECT_EQ(helper.AppFolder(), "/opt/qv/");
}

// Other files are drawn by extension; images are shown themselves, 16x16, with the mask colour
// transparent.
TEST_F(DesignerHelperTest, FilePictureShowsImagesAndDrawsOtherFilesByExtension) {
    TempDir dir;
    std::string message;
    auto draw = [&](const std::string& path) {
        return helper.FilePicture(path, true, 0xFF00FF, message, 0);
    };
    auto txt = draw(dir.Write("a.txt", "x"));
    auto txt2 = draw(dir.Write("b.TXT", "y"));
    auto zip = draw(dir.Write("c.zip", "z"));
    auto none = draw(dir.Write("noext", ""));
    auto fake = draw(dir.Write("d.zip.png", "not a png")); // still drawn as a document
    ASSERT_TRUE(txt && txt2 && zip && none && fake);
    EXPECT_EQ(message, "");
    EXPECT_EQ(txt->Width(), 16);
    EXPECT_EQ(txt->Height(), 16);
    EXPECT_EQ(fake->Width(), 16);
    EXPECT_EQ(txt->Pixels(), txt2->Pixels()); // extensions compare without case
    EXPECT_NE(txt->Pixels(), zip->Pixels());
    EXPECT_NE(txt->Pixels(), none->Pixels());
    EXPECT_EQ(draw(dir.Path() + "/missing.txt"), nullptr);
    EXPECT_NE(message.find("missing.txt"), std::string::npos);

    // A 16x16 bitmap comes out as it is but for its magenta pixels, which become transparent.
    std::vector<uint32_t> rgb(16 * 16);
    for (int i = 0; i < 256; ++i)
        rgb[i] = i % 7 == 3 ? 0xFF00FF : static_cast<uint32_t>(i * 0x010203) & 0xFFFFFF;
    auto picture = draw(dir.WriteBmp("p.bmp", 16, 16, rgb));
    ASSERT_TRUE(picture);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(picture->Pixels()[i], i % 7 == 3 ? 0u : 0xFF000000u | rgb[i]) << i;
    // A smaller one is scaled up: the top left stays, the magenta rest is gone.
    std::vector<uint32_t> small(4 * 4, 0xFF00FF);
    small[0] = 0x102030;
    auto scaled = draw(dir.WriteBmp("m.bmp", 4, 4, small));
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->At(0, 0), 0xFF102030u);
    EXPECT_EQ(scaled->At(15, 15) >> 24, 0u);
    // The sample's PNGs, 16x16 and 32x32, come out as 16x16 pictures of their own.
    for (const char* name : {"icons/note.png", "screens/main.png"}) {
        auto own = draw(kImages + name);
        ASSERT_TRUE(own) << name;
        EXPECT_EQ(own->Width(), 16);
        EXPECT_EQ(own->Height(), 16);
        EXPECT_NE(own->Pixels(), fake->Pixels()) << name;
    }
}

TEST_F(DesignerHelperTest, MsgBoxWithAutoOptionRemembersOnlyWhenTicked) {
    boxes.Queue(qv::mb::No);
    EXPECT_EQ(helper.MsgBoxWithAutoOption("Delete?", 36, "Delete file", "AutoDelete", "Auto"),
              qv::mb::No);
    EXPECT_TRUE(
        registry->GetValue(qv::hive::CurrentUser, HostDesignerHelper::kAutoOptionsKey, "AutoDelete")
            .IsEmpty());

    boxes.Queue(qv::mb::Cancel, true); // a ticked Cancel is not kept
    EXPECT_EQ(helper.MsgBoxWithAutoOption("Delete?", 35, "Delete file", "AutoDelete", "Auto"),
              qv::mb::Cancel);
    boxes.Queue(qv::mb::No, true);
    EXPECT_EQ(helper.MsgBoxWithAutoOption("Delete?", 36, "Delete file", "AutoDelete", "Auto"),
              qv::mb::No);
    EXPECT_EQ(shown.size(), 3u);

    // Remembered: answered without a box, also by a fresh helper on the same registry.
    HostDesignerHelper other(options, std::make_shared<qv::HostRegistry>(), boxes);
    EXPECT_EQ(other.MsgBoxWithAutoOption("Delete?", 36, "Delete file", "AutoDelete", "Auto"),
              qv::mb::No);
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(helper.MsgBoxWithAutoOption("Delete?", 36, "Other", "AutoOther", "Auto"),
              qv::mb::Yes);
    EXPECT_EQ(shown.back(), "36 Other -> 6");
}

TEST_F(DesignerHelperTest, DragDataCarriesTheTypeCode) {
    MemoryData data;
    EXPECT_EQ(helper.DragDataType(data), 4);
    data.SetData(qv::Variant(), qv::Variant(helper.TypeFormat())); // announced, not supplied
    EXPECT_EQ(helper.DragDataType(data), 4);
    for (int32_t code : {1, 2, 3}) {
        helper.SetDragType(data, code);
        EXPECT_EQ(helper.DragDataType(data), code);
    }
    helper.SetDragType(data, 9);
    EXPECT_EQ(helper.DragDataType(data), 4);

    helper.SetDragItem(data, "T7");
    EXPECT_EQ(data.GetData(qv::Variant(helper.ItemFormat())).ToString(), "T7");
    EXPECT_NE(helper.ItemFormat(), helper.TypeFormat());

    MemoryData files;
    files.files = {"/tmp/a.png"};
    EXPECT_EQ(helper.DragDataType(files), 2);
}

} // namespace
