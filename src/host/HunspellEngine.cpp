#include "host/HunspellEngine.h"

#include "contracts/Error.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <hunspell.hxx>
#include <iconv.h>
#include <system_error>
#include <unistd.h>

namespace qv {

namespace {

constexpr int32_t kPathFileAccessError = 75;

std::string Trimmed(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    return line.substr(start);
}

// The encoding named by the .aff file's SET line; Hunspell's default when there is none.
std::string AffixEncoding(const std::filesystem::path& aff) {
    std::ifstream in(aff, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        line = Trimmed(line);
        if (line.rfind("SET", 0) == 0 && line.size() > 3 && (line[3] == ' ' || line[3] == '\t'))
            return Trimmed(line.substr(4));
    }
    return "ISO8859-1";
}

bool IsUtf8Name(std::string name) {
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "UTF-8" || name == "UTF8";
}

// Hunspell's names that iconv spells differently.
std::string IconvName(const std::string& name) {
    if (name.rfind("microsoft-cp", 0) == 0) return "CP" + name.substr(12);
    return name;
}

bool Convert(const std::string& from, const std::string& to, const std::string& text,
             std::string& out) {
    iconv_t cd = iconv_open(IconvName(to).c_str(), IconvName(from).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    out.resize(out.size() - outLeft);
    return true;
}

void ValidateWord(const std::string& word) {
    if (word.empty() || word.find_first_of(" \t\r\n") != std::string::npos)
        throw Error(err::InvalidArgument, "Invalid procedure call or argument: not one word",
                    "SpellEngine");
}

std::vector<std::string> ReadWordList(const std::filesystem::path& path) {
    std::vector<std::string> words;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        line = Trimmed(line);
        if (!line.empty()) words.push_back(line);
    }
    return words;
}

} // namespace

HunspellEngine::HunspellEngine(const std::filesystem::path& dictionaryBase,
                               std::filesystem::path userDictionary)
    : userDictionary_(std::move(userDictionary)) {
    std::filesystem::path aff = dictionaryBase;
    aff += ".aff";
    std::filesystem::path dic = dictionaryBase;
    dic += ".dic";
    std::error_code ec;
    for (const auto& file : {aff, dic})
        if (!std::filesystem::is_regular_file(file, ec))
            throw Error(err::FileNotFound,
                        "File not found: spelling dictionary " + file.string() +
                            " (install one or set QV_SPELL_DICTIONARY to its path without "
                            "extension)",
                        "SpellEngine");
    encoding_ = AffixEncoding(aff);
    utf8_ = IsUtf8Name(encoding_);
    if (!utf8_) {
        std::string probe;
        if (!Convert("UTF-8", encoding_, "a", probe))
            throw Error(err::InvalidArgument,
                        "Invalid procedure call or argument: unsupported dictionary encoding " +
                            encoding_,
                        "SpellEngine");
    }
    hunspell_ = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
    for (const std::string& word : ReadWordList(userDictionary_)) {
        Accept(word);
        userWords_.insert(word);
    }
}

HunspellEngine::~HunspellEngine() = default;

std::filesystem::path HunspellEngine::UserDictionaryPath() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = ".config";
    return base / "Veltrane" / "Quorvel2-words.txt";
}

std::filesystem::path HunspellEngine::DefaultDictionaryBase() {
    if (const char* env = std::getenv("QV_SPELL_DICTIONARY"); env && *env) return env;
    return "/usr/share/hunspell/en_US";
}

std::shared_ptr<HunspellEngine> HunspellEngine::FromEnvironment() {
    return std::make_shared<HunspellEngine>(DefaultDictionaryBase(), UserDictionaryPath());
}

bool HunspellEngine::ToDictionary(const std::string& utf8, std::string& out) const {
    if (utf8_) {
        out = utf8;
        return true;
    }
    return Convert("UTF-8", encoding_, utf8, out);
}

std::string HunspellEngine::FromDictionary(const std::string& text) const {
    std::string out;
    if (utf8_ || !Convert(encoding_, "UTF-8", text, out)) return text;
    return out;
}

bool HunspellEngine::Check(const std::string& word) {
    if (word.empty() || accepted_.count(word)) return true;
    std::string encoded;
    if (!ToDictionary(word, encoded)) return false;
    return hunspell_->spell(encoded);
}

std::vector<std::string> HunspellEngine::Suggest(const std::string& word) {
    std::vector<std::string> out;
    std::string encoded;
    if (word.empty() || !ToDictionary(word, encoded)) return out;
    for (const std::string& s : hunspell_->suggest(encoded))
        out.push_back(FromDictionary(s));
    return out;
}

void HunspellEngine::Accept(const std::string& word) {
    accepted_.insert(word);
    std::string encoded;
    if (ToDictionary(word, encoded)) hunspell_->add(encoded);
}

void HunspellEngine::Add(const std::string& word) {
    ValidateWord(word);
    if (userWords_.count(word)) return;
    Accept(word);
    userWords_.insert(word);
    ++revision_;
    SaveUserWord(word);
}

void HunspellEngine::Ignore(const std::string& word) {
    ValidateWord(word);
    if (accepted_.count(word)) return;
    Accept(word);
    ++revision_;
}

void HunspellEngine::SaveUserWord(const std::string& word) {
    const auto fail = [&](const std::string& what) {
        throw Error(kPathFileAccessError,
                    "Path/File access error: " + what + " " + userDictionary_.string(),
                    "SpellEngine");
    };
    std::error_code ec;
    if (userDictionary_.has_parent_path())
        std::filesystem::create_directories(userDictionary_.parent_path(), ec);
    if (ec) fail("cannot make the folder of");
    // Merge with the file as it is now: another program may have added words since we read it.
    // A list that exists but cannot be read is never replaced.
    if (std::filesystem::exists(userDictionary_, ec) &&
        !std::ifstream(userDictionary_, std::ios::binary))
        fail("cannot read");
    std::vector<std::string> words = ReadWordList(userDictionary_);
    std::unordered_set<std::string> present(words.begin(), words.end());
    for (const std::string& w : words)
        if (userWords_.insert(w).second) Accept(w);
    if (present.count(word)) return;
    words.push_back(word);

    std::filesystem::path temp = userDictionary_;
    temp += ".tmp" + std::to_string(::getpid());
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out) fail("cannot write");
    bool written = true;
    for (const std::string& w : words)
        written = written && std::fwrite(w.data(), 1, w.size(), out) == w.size() &&
                  std::fputc('\n', out) != EOF;
    // On disk before the rename, so that a crash leaves the old list or the new one.
    written = written && std::fflush(out) == 0 && ::fsync(::fileno(out)) == 0;
    written = std::fclose(out) == 0 && written;
    if (!written) {
        std::filesystem::remove(temp, ec);
        fail("cannot write");
    }
    std::filesystem::rename(temp, userDictionary_, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        fail("cannot replace");
    }
}

} // namespace qv
