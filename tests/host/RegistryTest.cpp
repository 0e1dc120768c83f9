#include "host/Registry.h"

#include "contracts/Error.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"

#include <QSettings>
#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using qv::HostRegistry;
using qv::Variant;
using qvtest::ScopedEnv;
using qvtest::TempDir;
namespace hive = qv::hive;

const std::string kKey = "Software\\Veltrane\\Quorvel2\\ProjectExplorer";

class RegistryTest : public ::testing::Test {
protected:
    TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().c_str()};
};

TEST_F(RegistryTest, CurrentUserValuesRoundTripThroughTheIniFile) {
    HostRegistry registry;
    EXPECT_EQ(registry.FilePath(), config.Path() + "/Veltrane/Quorvel2.ini");
    EXPECT_TRUE(registry.GetValue(hive::CurrentUser, kKey, "FindInName").IsEmpty());

    registry.CreateKey(hive::CurrentUser, kKey);
    registry.SetValue(hive::CurrentUser, kKey, "FindInName", Variant("False"));
    registry.SetValue(hive::CurrentUser, kKey, "FindInCaption", Variant(true));
    registry.SetValue(hive::CurrentUser, kKey, "Odd/Name\\x", Variant("a, b; c=d"));
    registry.SetValue(hive::CurrentUser, kKey, "", Variant(7));

    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "FindInName"), Variant("False"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "FindInCaption"), Variant("True"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "Odd/Name\\x"), Variant("a, b; c=d"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, ""), Variant("7"));
    EXPECT_TRUE(registry.GetValue(hive::CurrentUser, kKey + "\\Other", "FindInName").IsEmpty());

    // Writing what is already there leaves the file alone: each write replaces and flushes it.
    const auto identity = [&] {
        struct stat st {};
        ::stat(registry.FilePath().c_str(), &st);
        return std::pair(st.st_ino, st.st_mtim.tv_nsec);
    };
    const auto before = identity();
    registry.SetValue(hive::CurrentUser, kKey, "FindInName", Variant("False"));
    EXPECT_EQ(identity(), before);
    registry.SetValue(hive::CurrentUser, kKey, "FindInName", Variant("True"));
    EXPECT_EQ(registry.GetValue(hive::CurrentUser, kKey, "FindInName"), Variant("True"));

    // The file is a plain settings file that other tools can read.
    QSettings file(QString::fromStdString(registry.FilePath()), QSettings::IniFormat);
    EXPECT_EQ(file.value("Software/Veltrane/Quorvel2/ProjectExplorer/FindInName").toString(),
              "True");
}

TEST_F(RegistryTest, TwoObjectsSeeEachOthersWrites) {
    HostRegistry first;
    HostRegistry second;
    first.SetValue(hive::CurrentUser, kKey, "FindInImageName", Variant("True"));
    EXPECT_EQ(second.GetValue(hive::CurrentUser, kKey, "FindInImageName"), Variant("True"));
    second.SetValue(hive::CurrentUser, kKey, "FindInImageName", Variant("False"));
    EXPECT_EQ(first.GetValue(hive::CurrentUser, kKey, "FindInImageName"), Variant("False"));
}

TEST_F(RegistryTest, LocationFollowsTheEnvironmentWhenMade) {
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    {
        ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(HostRegistry().FilePath(), home.Path() + "/.config/Veltrane/Quorvel2.ini");
    }
    {
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(HostRegistry().FilePath(), home.Path() + "/.config/Veltrane/Quorvel2.ini");
    }
}

TEST_F(RegistryTest, UnwritableFileRaises75) {
    // A folder where the file belongs cannot be replaced, whatever the user's rights.
    std::filesystem::create_directories(config.Path() + "/Veltrane/Quorvel2.ini");
    HostRegistry registry;
    EXPECT_EQ(qvtest::ErrorOf([&] {
                  registry.SetValue(hive::CurrentUser, kKey, "FindInName", Variant("True"));
              }),
              75);
    EXPECT_TRUE(registry.GetValue(hive::CurrentUser, kKey, "FindInName").IsEmpty());
}

TEST_F(RegistryTest, ClassesRootAnswersFromTheMimeDatabase) {
    HostRegistry registry;
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, ".bmp", ""), Variant("image/bmp"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, ".PNG", ""), Variant("image/png"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, "image/bmp\\DefaultIcon", ""), Variant("%1"));
    EXPECT_EQ(registry.GetValue(hive::ClassesRoot, "text/plain\\DefaultIcon", ""), Variant(""));
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, ".qvnosuchext", "").IsEmpty());
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, "no/such\\DefaultIcon", "").IsEmpty());
    EXPECT_TRUE(registry.GetValue(hive::ClassesRoot, ".bmp", "Content Type").IsEmpty());

    EXPECT_EQ(
        qvtest::ErrorOf([&] { registry.SetValue(hive::ClassesRoot, ".bmp", "", Variant("x")); }),
        70);
    EXPECT_EQ(qvtest::ErrorOf([&] { registry.GetValue(7, kKey, ""); }), qv::err::InvalidArgument);
}

} // namespace
