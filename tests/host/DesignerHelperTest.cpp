#include "host/DesignerHelper.h"

#include "contracts/Error.h"
#include "contracts/TreeView.h"
#include "host/Registry.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

#include <filesystem>
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

TEST_F(DesignerHelperTest, ColorToHexWritesBlueGreenRed) {
    const std::pair<int32_t, std::string> cases[] = {
        {0x000000, "&H000000&"},
        {0x0000FF, "&H0000FF&"}, // pure red is stored as BBGGRR
        {0x030201, "&H030201&"},
        {0xFF00FF, "&HFF00FF&"},
        {static_cast<int32_t>(0x80000011u), "&H6D6D6D&"},
        {static_cast<int32_t>(0x80000005u), "&HFFFFFF&"},
        {static_cast<int32_t>(0x80000008u), "&H000000&"},
        {static_cast<int32_t>(0x8000000Du), "&HD77800&"}, // highlight 0078D7 as BBGGRR
    };
    for (const auto& [color, text] : cases)
        EXPECT_EQ(helper.ColorToHex(color), text) << std::hex << color;

    // The component strips two leading characters and one trailing one.
    const std::string grey = helper.ColorToHex(static_cast<int32_t>(0x80000011u));
    EXPECT_EQ(grey.substr(2, grey.size() - 3), "6D6D6D");
    EXPECT_EQ(qvtest::ErrorOf([&] { helper.ColorToHex(static_cast<int32_t>(0x800000FFu)); }),
              qv::err::InvalidArgument);
}

TEST_F(DesignerHelperTest, FilePictureDrawsOtherFilesByExtension) {
    TempDir dir;
    std::string message;
    auto txt = helper.FilePicture(dir.Write("a.txt", "x"), true, 0xFF00FF, message, 0);
    auto txt2 = helper.FilePicture(dir.Write("b.TXT", "y"), true, 0xFF00FF, message, 0);
    auto zip = helper.FilePicture(dir.Write("c.zip", "z"), true, 0xFF00FF, message, 0);
    auto none = helper.FilePicture(dir.Write("noext", ""), true, 0xFF00FF, message, 0);
    ASSERT_TRUE(txt && txt2 && zip && none);
    EXPECT_EQ(message, "");
    EXPECT_EQ(txt->Width(), 16);
    EXPECT_EQ(txt->Height(), 16);
    EXPECT_EQ(txt->Pixels(), txt2->Pixels()); // extensions compare without case
    EXPECT_NE(txt->Pixels(), zip->Pixels());
    EXPECT_NE(txt->Pixels(), none->Pixels());

    // A text file that claims to be an image is still drawn as a document.
    auto fake = helper.FilePicture(dir.Write("d.zip.png", "not a png"), true, 0, message, 0);
    ASSERT_TRUE(fake);
    EXPECT_EQ(fake->Width(), 16);

    EXPECT_EQ(helper.FilePicture(dir.Path() + "/missing.txt", true, 0, message, 0), nullptr);
    EXPECT_NE(message.find("missing.txt"), std::string::npos);
}

TEST_F(DesignerHelperTest, FilePictureShowsAnImageItself) {
    TempDir dir;
    std::vector<uint32_t> rgb(16 * 16);
    for (int i = 0; i < 256; ++i)
        rgb[i] = static_cast<uint32_t>(i * 0x010203) & 0xFFFFFF;
    std::string message;
    auto picture =
        helper.FilePicture(dir.WriteBmp("p.bmp", 16, 16, rgb), true, 0xFF00FF, message, 0);
    ASSERT_TRUE(picture);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(picture->Pixels()[i], 0xFF000000u | rgb[i]) << i;

    // The sample's PNGs, 16x16 and 32x32, come out as 16x16 pictures of their own.
    auto page = helper.FilePicture(dir.Write("fake.png", "text"), true, 0xFF00FF, message, 0);
    for (const char* name : {"icons/note.png", "screens/main.png"}) {
        auto own = helper.FilePicture(kImages + name, true, 0xFF00FF, message, 0);
        ASSERT_TRUE(own) << name;
        EXPECT_EQ(own->Width(), 16);
        EXPECT_EQ(own->Height(), 16);
        EXPECT_NE(own->Pixels(), page->Pixels()) << name;
    }
}

TEST_F(DesignerHelperTest, FilePictureMakesTheMaskColourTransparent) {
    TempDir dir;
    std::vector<uint32_t> rgb(4 * 4, 0xFF00FF);
    rgb[0] = 0x102030;
    std::string message;
    auto picture = helper.FilePicture(dir.WriteBmp("m.bmp", 4, 4, rgb), true, 0xFF00FF, message, 0);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->At(0, 0), 0xFF102030u); // scaled up, the top left stays
    EXPECT_EQ(picture->At(15, 15) >> 24, 0u);  // the magenta rest is gone
    int opaque = 0;
    for (uint32_t px : picture->Pixels())
        opaque += (px >> 24) != 0;
    EXPECT_LT(opaque, 64);
}

TEST_F(DesignerHelperTest, StatusesFolderAndOptionsComeFromTheHost) {
    const auto* statuses = helper.TopicStatuses();
    ASSERT_NE(statuses, nullptr);
    std::string list;
    for (const auto& s : *statuses)
        list += s.name + "|" + s.text + "|" + s.iconFile + "\n";
    EXPECT_EQ(list,
              "Draft|Draft|status-draft.png\nInProgress|In Progress|status-inprogress.png\n"
              "Review|Ready for Review|status-review.png\nComplete|Complete|status-complete.png\n");
    helper.SetTopicStatuses(std::nullopt);
    EXPECT_EQ(helper.TopicStatuses(), nullptr);

    const std::string exeFolder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
    EXPECT_EQ(helper.AppFolder(), exeFolder);
    helper.SetAppFolder("/opt/qv");
    EXPECT_EQ(helper.AppFolder(), "/opt/qv/");

    auto before = helper.Options();
    options->showBitmapsAsIcons = true;
    options->toolbarStyle = 2;
    options->warningBarStyle = 3;
    EXPECT_FALSE(before->ShowBitmapsAsIcons()); // a snapshot
    EXPECT_TRUE(helper.Options()->ShowBitmapsAsIcons());
    EXPECT_EQ(helper.Options()->ToolbarStyle(), 2);
    EXPECT_EQ(helper.WarningBarStyle(), 3);
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
