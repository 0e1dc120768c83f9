#include "support/TempDir.h"
#include "contracts/Error.h"
#include "host/HostLibrariesImpl.h"

#include <gtest/gtest.h>

namespace {

using qv::Variant;
using qvtest::ScopedEnv;
using qvtest::TempDir;

const std::string kImages = std::string(QV_SOURCE_DIR) + "/samples/Handbook/images/";

class HostLibrariesTest : public ::testing::Test {
protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
    qv::ScriptedMessageBoxes boxes;
    qv::ScriptedFileDialogs dialogs;
    qv::HostLibrariesImpl libraries{boxes, dialogs};

    int32_t ErrorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const qv::Error& e) {
            return e.Number();
        }
        return 0;
    }
};

TEST_F(HostLibrariesTest, HelpersAreMadeOnceAndShareTheOptions) {
    auto shared = libraries.SharedHelper();
    EXPECT_EQ(shared, libraries.SharedHelper());
    EXPECT_EQ(libraries.DesignerHelper(), libraries.DesignerHelper());
    EXPECT_EQ(libraries.Registry(), libraries.Registry());
    EXPECT_EQ(libraries.EnvironmentHelper(), libraries.EnvironmentHelper());

    libraries.Options().suppressDeletePrompt = true;
    libraries.Options().warningBarStyle = 1;
    EXPECT_TRUE(shared->SuppressDeletePrompt());
    EXPECT_EQ(libraries.DesignerHelper()->WarningBarStyle(), 1);
}

TEST_F(HostLibrariesTest, LoadPictureRaisesThePlatformErrors) {
    TempDir dir;
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(dir.Path() + "/none.png"); }),
              qv::err::FileNotFound);
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(""); }), qv::err::FileNotFound);
    const std::string text = dir.Write("bad.png", "plain text");
    EXPECT_EQ(ErrorOf([&] { libraries.LoadPicture(text); }), 481);

    // The component builds icon paths with a backslash before the file name.
    auto picture = libraries.LoadPicture(kImages + "icons\\tag.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 16);
    EXPECT_EQ(libraries.LoadPicture(kImages + "drafts/old-editor.png")->Height(), 16);
}

TEST_F(HostLibrariesTest, ErrorComponentExistsOnlyWithItsOption) {
    EXPECT_EQ(ErrorOf([&] { libraries.CreateObject("VeltaError.Error"); }),
              qv::err::CannotCreateObject);
    libraries.Options().errorComponent = true;
    EXPECT_EQ(ErrorOf([&] { libraries.CreateObject("Scripting.FileSystemObject"); }),
              qv::err::CannotCreateObject);

    std::vector<qv::ErrorComponentReport> reports;
    libraries.ErrorComponent().SetObserver(
        [&](const qv::ErrorComponentReport& r) { reports.push_back(r); });
    auto component = libraries.CreateObject("veltaerror.error");
    ASSERT_TRUE(component);
    component->Call("ErrorHandler",
                    {Variant(9), Variant("QVLiteControls2"), Variant("Explorer"),
                     Variant("NodeClick"), Variant("Subscript out of range"), Variant(12),
                     Variant("<Variables>\r\n</Variables>"), Variant("1.0.0")});
    EXPECT_EQ(component->Get("Action"), Variant(""));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].number, 9);
    EXPECT_EQ(reports[0].module, "Explorer");
    EXPECT_EQ(reports[0].procedure, "NodeClick");
    EXPECT_EQ(reports[0].line, 12);
    EXPECT_EQ(reports[0].text, "<Variables>\r\n</Variables>");
    EXPECT_EQ(reports[0].version, "1.0.0");
    EXPECT_EQ(ErrorOf([&] { component->Call("ErrorHandler", {Variant(1)}); }), 449);
    EXPECT_EQ(ErrorOf([&] { component->Call("Show"); }), qv::err::UnknownMember);
}

TEST_F(HostLibrariesTest, MsgBoxGoesToTheService) {
    boxes.Queue(qv::mb::No);
    EXPECT_EQ(libraries.MsgBox("Sure?", 36, "Confirm Delete"), qv::mb::No);
    EXPECT_EQ(libraries.MsgBox("Oops", 16, "Application Error"), qv::mb::Ok);
}

TEST_F(HostLibrariesTest, TmpFallsBackToTheSystemTemporaryFolder) {
    auto env = libraries.EnvironmentHelper();
    {
        ScopedEnv tmp("TMP", "/var/qvtmp");
        EXPECT_EQ(env->Variable("TMP", ""), "/var/qvtmp");
    }
    ScopedEnv tmp("TMP", nullptr);
    {
        ScopedEnv tmpdir("TMPDIR", "/scratch");
        EXPECT_EQ(env->Variable("TMP", ""), "/scratch");
    }
    ScopedEnv tmpdir("TMPDIR", nullptr);
    EXPECT_EQ(env->Variable("TMP", ""), "/tmp");
    ScopedEnv other("QV_NO_SUCH_VARIABLE", nullptr);
    EXPECT_EQ(env->Variable("QV_NO_SUCH_VARIABLE", "fallback"), "fallback");
}

} // namespace
