#include "host/HunspellEngine.h"

#include "contracts/Error.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

int32_t ErrorOf(const std::function<void()>& f, std::string* description = nullptr) {
    try {
        f();
    } catch (const qv::Error& e) {
        if (description) *description = e.Description();
        return e.Number();
    }
    return 0;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Contains(const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

// The installed en_US dictionary, with the user's dictionary in a folder of the test's own.
class HunspellEngineTest : public ::testing::Test {
protected:
    std::shared_ptr<qv::HunspellEngine> Make() { return qv::HunspellEngine::FromEnvironment(); }
    std::filesystem::path UserList() const {
        return std::filesystem::path(dir.Path()) / "Veltrane" / "Quorvel2-words.txt";
    }

    qvtest::TempDir dir;
    qvtest::ScopedEnv config{"XDG_CONFIG_HOME", dir.Path().c_str()};
    qvtest::ScopedEnv dictionary{"QV_SPELL_DICTIONARY", nullptr};
};

TEST_F(HunspellEngineTest, AddedWordsPersistAndKeepWhatIsAlreadyInTheList) {
    ASSERT_FALSE(std::filesystem::exists(UserList().parent_path()));
    auto engine = Make();
    EXPECT_FALSE(engine->Check("Quorvel"));
    const uint64_t revision = engine->Revision();
    engine->Add("Quorvel");
    EXPECT_TRUE(engine->Check("Quorvel"));
    EXPECT_GT(engine->Revision(), revision);
    EXPECT_EQ(ReadFile(UserList()), "Quorvel\n");

    // Another program adds a word to the list meanwhile; neither word is lost.
    std::ofstream(UserList(), std::ios::app) << "Veltrane\n";
    engine->Add("Zettelkasten");
    engine->Add("Quorvel"); // known: the list is not written again
    EXPECT_EQ(ReadFile(UserList()), "Quorvel\nVeltrane\nZettelkasten\n");
    EXPECT_TRUE(engine->Check("Veltrane"));

    auto later = Make(); // a later session
    for (const char* word : {"Quorvel", "Veltrane", "Zettelkasten"})
        EXPECT_TRUE(later->Check(word));
    EXPECT_EQ(qv::HunspellEngine::UserDictionaryPath(), UserList());
    // The installed dictionary: typographic apostrophes count, and it suggests.
    EXPECT_TRUE(later->Check("don\xE2\x80\x99t"));
    EXPECT_TRUE(Contains(later->Suggest("Seperating"), "Separating"));
    EXPECT_TRUE(later->Suggest("").empty());
}

// Ignored words last only this session; what is not one word is refused.
TEST_F(HunspellEngineTest, IgnoredWordsLastOnlyThisSession) {
    auto engine = Make();
    engine->Ignore("Quorvel");
    EXPECT_TRUE(engine->Check("Quorvel"));
    EXPECT_FALSE(Make()->Check("Quorvel"));
    for (const char* word : {"", "two words", "line\nbreak"}) {
        SCOPED_TRACE(word);
        EXPECT_EQ(ErrorOf([&] { engine->Add(word); }), qv::err::InvalidArgument);
        EXPECT_EQ(ErrorOf([&] { engine->Ignore(word); }), qv::err::InvalidArgument);
    }
    EXPECT_FALSE(std::filesystem::exists(UserList()));
}

TEST_F(HunspellEngineTest, AnUnwritableListRaisesAndTheWordStaysCorrectForTheSession) {
    dir.Write("Veltrane", "a file where the folder should be");
    auto engine = Make();
    EXPECT_EQ(ErrorOf([&] { engine->Add("Quorvel"); }), 75);
    EXPECT_TRUE(engine->Check("Quorvel"));
    EXPECT_EQ(ReadFile(std::filesystem::path(dir.Path()) / "Veltrane"),
              "a file where the folder should be");
}

TEST_F(HunspellEngineTest, AMissingDictionaryIsAClearError) {
    const std::string base = dir.Path() + "/none";
    qvtest::ScopedEnv env{"QV_SPELL_DICTIONARY", base.c_str()};
    std::string description;
    EXPECT_EQ(ErrorOf([&] { Make(); }, &description), qv::err::FileNotFound);
    EXPECT_NE(description.find(base + ".aff"), std::string::npos) << description;

    dir.Write("half.aff", "SET UTF-8\n"); // the word list is missing
    EXPECT_EQ(ErrorOf([&] { qv::HunspellEngine(dir.Path() + "/half", UserList()); }, &description),
              qv::err::FileNotFound);
    EXPECT_NE(description.find("half.dic"), std::string::npos) << description;
}

TEST_F(HunspellEngineTest, ALatinOneDictionaryTakesAndGivesUtf8) {
    dir.Write("latin.aff", "SET ISO8859-1\nTRY esia\xE9nrtolcdugmfphbyvkw\n");
    dir.Write("latin.dic", "3\ncaf\xE9\nna\xEFve\ntea\n");
    const std::string base = dir.Path() + "/latin";
    qvtest::ScopedEnv env{"QV_SPELL_DICTIONARY", base.c_str()};
    auto engine = Make();
    EXPECT_EQ(engine->Encoding(), "ISO8859-1");
    EXPECT_TRUE(engine->Check("café"));
    EXPECT_TRUE(engine->Check("naïve"));
    EXPECT_FALSE(engine->Check("cafe"));
    EXPECT_FALSE(engine->Check("日本")); // not in Latin-1 at all
    EXPECT_TRUE(Contains(engine->Suggest("cafe"), "café"));
    engine->Add("日本");
    EXPECT_TRUE(engine->Check("日本"));
    EXPECT_EQ(ReadFile(UserList()), "日本\n");
    EXPECT_TRUE(Make()->Check("日本"));
}

} // namespace
