#include "model/DiskPath.h"

#include "contracts/LoadScope.h"
#include "contracts/Utf8.h"
#include "contracts/WordHash.h"
#include "model/ModelErrors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <typeinfo>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv::disk {

namespace fs = std::filesystem;

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[noreturn]] void AccessError(const std::string& what, int error) {
    throw Error(err::PathFileAccess,
                "Path/File access error: " + what + ": " + std::strerror(error));
}
} // namespace

std::string ToDiskSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string ToFileSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

namespace {

// An absolute path without empty, "." or ".." segments (a trailing "/" aside) is its own
// normal form; most paths of a project are, and the general route costs a lot per file.
bool IsNormalAbsolute(std::string_view path) {
    if (path.empty() || path[0] != '/') return false;
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::string AbsoluteNormal(const std::string& path) {
    if (path.empty()) return {};
    if (IsNormalAbsolute(path)) return path;
    fs::path p(path);
    if (!p.is_absolute()) {
        std::error_code ec;
        fs::path base = fs::current_path(ec);
        p = base / p;
    }
    return p.lexically_normal().string();
}

bool IsAbsolute(std::string_view path) {
    return !path.empty() && (path[0] == '/' || path[0] == '\\');
}

std::string RelativePathProblem(std::string_view path) {
    if (path.empty()) return "is empty";
    // Only a part ".." climbs out, and most paths have no two dots in a row: one search
    // clears them, the parts are looked at only after a hit.
    if (path.find("..") == std::string_view::npos) return {};
    // Character by character: a search for either separator makes a library call per
    // character.
    std::size_t start = 0;
    for (std::size_t end = 0; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '\\' && path[end] != '/') continue;
        if (end - start == 2 && path[start] == '.' && path[start + 1] == '.')
            return "climbs out of the project folder";
        start = end + 1;
    }
    return {};
}

std::string OutputFolderProblem(const std::string& projectFolder, std::string_view folder) {
    if (folder.empty()) return "is empty";
    if (!IsAbsolute(folder)) {
        std::string problem = RelativePathProblem(folder);
        if (!problem.empty()) return problem;
    }
    std::string full = Resolve(projectFolder, folder);
    if (full.back() != '/') full += '/';
    if (full.size() > PATH_MAX - 1)
        return "is longer than the " + std::to_string(PATH_MAX - 1) + " bytes a path may have";
    // Output copies are deleted from this folder: it may hold nothing of the project's own
    // and no folder of the user's that is not its own. Judged as written; links are not
    // followed here.
    if (full.find_first_not_of('/') == std::string::npos) return "is the root of the file system";
    if (full == projectFolder) return "is the project folder itself";
    if (projectFolder.compare(0, full.size(), full) == 0)
        return "is a folder above the project folder";
    const char* home = std::getenv("HOME");
    const passwd* user = ::getpwuid(::geteuid());
    for (const char* h : {home, static_cast<const char*>(user ? user->pw_dir : nullptr)}) {
        if (!h || !*h) continue;
        std::string homeFolder = AbsoluteNormal(h);
        if (homeFolder.back() != '/') homeFolder += '/';
        if (full == homeFolder) return "is the home folder";
    }
    return {};
}

std::string Resolve(const std::string& projectFolder, std::string_view path) {
    std::string p;
    ResolveInto(p, projectFolder, path);
    return p;
}

void ResolveInto(std::string& out, const std::string& projectFolder, std::string_view path) {
    // One allocation at most for the usual path, already normal once joined.
    const bool absolute = IsAbsolute(path);
    out.clear();
    out.reserve((absolute ? 0 : projectFolder.size()) + path.size());
    if (!absolute) out = projectFolder;
    const std::size_t from = out.size();
    out.append(path);
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '\\', '/');
    if (!IsNormalAbsolute(out)) out = AbsoluteNormal(out);
}

std::string RelativeBelow(const std::string& folder, const std::string& path) {
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder))
        return {};
    return ToFileSeparators(std::string_view(path).substr(folder.size()));
}

std::string FileNameOf(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string_view ExtensionIn(std::string_view name) {
    std::size_t dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

std::string ExtensionOf(std::string_view name) {
    return std::string(ExtensionIn(name));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

namespace {

// Eight bytes at a time: every key lookup of a file asks this of a whole path.
bool IsAscii(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, sizeof word);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

// Folder listings for FindOnDisk, kept while the folder is unchanged, so that a project whose
// paths are spelled in another case than its files are resolves in linear time. A listing
// read while the folder's modification time is recent is not kept: that time is stamped by
// a coarse clock, and a change within the same tick would go unseen.
class ListingCache {
public:
    // The first name in byte order of the folder's entries that matches the name ignoring
    // case; "" when none does or the folder cannot be read.
    std::string Match(const std::string& folder, std::string_view name) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
        std::shared_ptr<const Listing> listing;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = listings_.find(folder);
            if (it != listings_.end() && it->second->Describes(st)) listing = it->second;
        }
        if (!listing) {
            listing = Read(folder, st);
            if (!listing) return {};
            if (std::time(nullptr) - st.st_mtim.tv_sec > kSettledSeconds) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (listings_.size() >= kMaxFolders) listings_.clear();
                listings_[folder] = listing;
            }
        }
        auto it = listing->byFolded.find(FoldCase(name));
        return it == listing->byFolded.end() ? std::string() : it->second;
    }

private:
    static constexpr std::time_t kSettledSeconds = 2;
    static constexpr std::size_t kMaxFolders = 256;

    struct Listing {
        dev_t device;
        ino_t inode;
        timespec modified;
        std::unordered_map<std::string, std::string> byFolded; // first name of each folding
        bool Describes(const struct stat& st) const {
            return st.st_dev == device && st.st_ino == inode &&
                   st.st_mtim.tv_sec == modified.tv_sec && st.st_mtim.tv_nsec == modified.tv_nsec;
        }
    };

    static std::shared_ptr<const Listing> Read(const std::string& folder, const struct stat& st) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return nullptr;
        auto listing = std::make_shared<Listing>();
        listing->device = st.st_dev;
        listing->inode = st.st_ino;
        listing->modified = st.st_mtim;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..") continue;
            auto [it, added] = listing->byFolded.try_emplace(FoldCase(name), name);
            if (!added && name < it->second) it->second = std::string(name);
        }
        ::closedir(dir);
        return listing;
    }

    std::mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const Listing>> listings_;
};

ListingCache& Listings() {
    static ListingCache cache;
    return cache;
}

} // namespace

std::string FoldCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    if (IsAscii(s)) {
        for (char c : s)
            out += LowerAscii(c);
        return out;
    }
    const std::ctype<wchar_t>* ctype = utf8::WideCType();
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        char32_t cp = utf8::Decode(s, i);
        if (cp == utf8::kReplacement && i - start == 1) {
            out += s[start]; // not UTF-8: the byte itself
            continue;
        }
        if (cp < 0x80)
            cp = static_cast<char32_t>(LowerAscii(static_cast<char>(cp)));
        else if (ctype)
            cp = static_cast<char32_t>(ctype->tolower(static_cast<wchar_t>(cp)));
        utf8::Append(cp, out);
    }
    return out;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a == b) return true; // most lookups are by the same spelling
    if (IsAscii(a) && IsAscii(b)) return EqualsNoCase(a, b);
    return FoldCase(a) == FoldCase(b);
}

namespace {

// The ASCII capitals of eight bytes, all below 0x80, made small: no byte carries into the next.
std::uint64_t LowerAsciiWord(std::uint64_t w) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t fromA = w + (0x80 - 'A') * kOnes;     // top bit: the byte is 'A' or above
    const std::uint64_t pastZ = w + (0x80 - 'Z' - 1) * kOnes; // top bit: above 'Z'
    return w | (((fromA & ~pastZ) & (0x80 * kOnes)) >> 2);
}

} // namespace

std::size_t HashNoCase(std::string_view s) {
    // One pass over an ASCII text: its words folded and hashed, and their top bits gathered to
    // tell afterwards whether the folding applied (a word with a byte above 0x7F folds wrong).
    std::uint64_t high = 0;
    const std::size_t hash = HashWords(s, [&high](std::uint64_t w) {
        high |= w;
        return LowerAsciiWord(w);
    });
    if (!(high & 0x8080808080808080ull)) return hash;
    return HashWords(FoldCase(s));
}

std::string FindOnDisk(const std::string& path) {
    struct stat st {};
    if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &st) == 0) return path;
    std::string found; // without a trailing "/"; "" is the root
    bool matching = true;
    for (std::size_t start = 1; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string_view part = std::string_view(path).substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        // Grown in place, not copied per part, so that a path thousands of parts deep stays linear.
        const std::size_t parentEnd = found.size();
        found.append("/").append(part);
        if (matching && ::lstat(found.c_str(), &st) != 0) {
            const std::string parent = parentEnd == 0 ? "/" : found.substr(0, parentEnd);
            const std::string name = Listings().Match(parent, part);
            if (name.empty()) {
                matching = false;
            } else {
                found.resize(parentEnd + 1);
                found += name;
            }
        }
    }
    if (found.empty() || path.back() == '/') found += '/';
    return found;
}

namespace {

std::atomic<std::size_t> listingsRead{0};
std::atomic<std::size_t> foldersAsked{0};
thread_local std::size_t lookUpsInLoad = 0; // per thread: no atomic add per file

// The folder listings of one LoadScope, keyed by the folder as the load spelled it.
class LoadListings final : public LoadScope::Memo {
public:
    struct Entry {
        std::string name;
        bool regular = false;
    };
    struct Listing {
        std::string folder;         // as the disk spells it, ending with "/"
        std::vector<Entry> entries; // in the order the disk lists them
        // Open addressing over the names: 1 + an entry's index, 0 for none; a power of two, at
        // least 1.5 times the entries. A file found costs a probe or two, not a search of a
        // folder of thousands whose every step is a cache miss.
        std::vector<uint32_t> slots;
        // Folded names with the first entry of each in byte order; made on the first miss.
        std::vector<std::pair<std::string, std::size_t>> folded;

        const Entry* Exact(std::string_view name) const {
            const std::size_t mask = slots.size() - 1;
            for (std::size_t i = HashWords(name) & mask; slots[i]; i = (i + 1) & mask)
                if (const Entry& e = entries[slots[i] - 1]; e.name == name) return &e;
            return nullptr;
        }
        void Index() {
            slots.assign(std::bit_ceil(entries.size() + entries.size() / 2 + 1), 0);
            const std::size_t mask = slots.size() - 1;
            for (std::size_t k = 0; k < entries.size(); ++k) {
                std::size_t i = HashWords(entries[k].name) & mask;
                while (slots[i])
                    i = (i + 1) & mask;
                slots[i] = static_cast<uint32_t>(k + 1);
            }
        }
        const Entry* Folded(std::string_view name) {
            if (folded.empty() && !entries.empty()) {
                folded.reserve(entries.size());
                for (std::size_t i = 0; i < entries.size(); ++i)
                    folded.emplace_back(FoldCase(entries[i].name), i);
                // Of the names one folding covers, the first in byte order comes first.
                std::sort(folded.begin(), folded.end(), [this](const auto& a, const auto& b) {
                    return a.first != b.first ? a.first < b.first
                                              : entries[a.second].name < entries[b.second].name;
                });
            }
            const std::string key = FoldCase(name);
            auto it = std::lower_bound(folded.begin(), folded.end(), key,
                                       [](const std::pair<std::string, std::size_t>& e,
                                          const std::string& k) { return e.first < k; });
            return it != folded.end() && it->first == key ? &entries[it->second] : nullptr;
        }
    };

    // The listing of the folder (ending with "/"); nullptr when neither it nor a folder
    // matching it ignoring case can be read.
    // A load asks about the files of one folder in a row: the last answer is kept at hand.
    Listing* Of(std::string_view folder) {
        if (!lastFolder_.empty() && folder == lastFolder_) return last_;
        // A folder met again is found without a text made of its name.
        const auto known = bySpelling_.find(folder);
        last_ = known != bySpelling_.end() ? known->second : Of(std::string(folder));
        lastFolder_ = folder;
        return last_;
    }
    Listing* Of(const std::string& folder) {
        if (auto it = bySpelling_.find(folder); it != bySpelling_.end()) return it->second;
        Listing* listing = Read(folder);
        if (!listing && folder.size() > 1) {
            const std::string found = Spelled(folder);
            if (!found.empty() && found != folder) listing = Read(found);
        }
        bySpelling_.emplace(folder, listing);
        return listing;
    }

private:
    // The folder (absolute, normal, ending with "/") as the disk spells it, from the root down:
    // a part there as spelled stays, one that is not becomes the entry of its folder's listing
    // that matches it ignoring case; "" from the first part nothing matches. From the top, so
    // that a folder thousands of levels below a missing one costs a look at each level that
    // exists, not at every level of its spelling.
    std::string Spelled(std::string_view folder) {
        std::string path = "/";
        for (std::size_t start = 1; start < folder.size();) {
            std::size_t end = folder.find('/', start);
            if (end == std::string_view::npos) end = folder.size();
            const std::string_view part = folder.substr(start, end - start);
            start = end + 1;
            if (part.empty()) continue;
            const std::size_t parentEnd = path.size();
            path.append(part).append("/");
            if (present_.count(path)) continue;
            ++foldersAsked;
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                present_.insert(path);
                continue;
            }
            path.resize(parentEnd);
            Listing* parent = Read(path);
            const Entry* match = parent ? parent->Folded(part) : nullptr;
            if (!match) return {};
            path.append(match->name).append("/");
        }
        return path;
    }

    // The folder as the disk spells it, read once however the load spells it.
    Listing* Read(const std::string& folder) {
        if (auto it = byDisk_.find(folder); it != byDisk_.end()) return it->second.get();
        std::unique_ptr<Listing> listing = List(folder);
        if (!listing) return nullptr;
        return (byDisk_[folder] = std::move(listing)).get();
    }
    static std::unique_ptr<Listing> List(const std::string& folder) {
        ++foldersAsked;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return nullptr;
        ++listingsRead;
        auto listing = std::make_unique<Listing>();
        listing->folder = folder;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..") continue;
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                regular =
                    ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
            }
            listing->entries.push_back({std::string(name), regular});
        }
        ::closedir(dir);
        // Not sorted: a load asks by exact name (Index), and only a name missing as spelled
        // needs an order (Folded's), made then.
        listing->Index();
        return listing;
    }

    std::unordered_map<std::string, std::unique_ptr<Listing>> byDisk_;
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    // nullptr: nothing to read
    std::unordered_map<std::string, Listing*, TextHash, std::equal_to<>> bySpelling_;
    std::unordered_set<std::string> present_; // folders Spelled found there as spelled
    std::string lastFolder_;
    Listing* last_ = nullptr;
};

} // namespace

namespace {

struct InLoad {
    LoadListings::Listing* listing = nullptr;
    const LoadListings::Entry* entry = nullptr; // nullptr: no such entry
};

// The listing's entry of the file; nullopt outside a load.
std::optional<InLoad> LookUpInLoad(std::string_view folder, std::string_view name) {
    LoadScope* scope = LoadScope::Current();
    if (!scope) return std::nullopt;
    std::unique_ptr<LoadScope::Memo>& kept = scope->Kept();
    if (!kept) kept = std::make_unique<LoadListings>();
    // The memo is only ever this one: its type is checked without a cast's search.
    if (const LoadScope::Memo& memo = *kept; typeid(memo) != typeid(LoadListings))
        return std::nullopt;
    auto* listings = static_cast<LoadListings*>(kept.get());
    ++lookUpsInLoad;
    InLoad found;
    found.listing = folder.empty() || folder.back() != '/' ? nullptr : listings->Of(folder);
    if (found.listing) {
        found.entry = found.listing->Exact(name);
        if (!found.entry) found.entry = found.listing->Folded(name);
    }
    return found;
}

} // namespace

std::optional<bool> RegularInLoad(std::string_view folder, std::string_view name) {
    const std::optional<InLoad> in = LookUpInLoad(folder, name);
    if (!in) return std::nullopt;
    return in->entry && in->entry->regular;
}

bool FindInLoad(std::string_view folder, std::string_view name, FoundFile& found) {
    const std::optional<InLoad> in = LookUpInLoad(folder, name);
    if (!in) return false;
    const LoadListings::Entry* entry = in->entry;
    found.regular = entry && entry->regular;
    // A missing file still takes the disk's spelling of its folder, as FindOnDisk gives it.
    const std::string_view onDisk = in->listing ? std::string_view(in->listing->folder) : folder;
    const std::string_view nameOnDisk = entry ? std::string_view(entry->name) : name;
    // Most paths are asked as the disk spells them: then no path is made.
    found.respelled = onDisk != folder || nameOnDisk != name;
    if (found.respelled) {
        found.path.assign(onDisk);
        found.name = found.path.size();
        found.path.append(nameOnDisk);
    }
    return true;
}

std::size_t FolderListingsRead() {
    return listingsRead.load();
}

std::size_t FoldersAskedInLoad() {
    return foldersAsked.load();
}

std::size_t LookUpsInLoad() {
    return lookUpsInLoad;
}

namespace {
// The name's length above its bytes, in order, each with the bit of lower case (0x20) set: the
// names below are of lower-case letters only, and a byte with that bit set equals one of them
// only when it is that letter in either case.
constexpr std::uint64_t PackedExtension(std::string_view name) {
    std::uint64_t word = name.size();
    for (const char c : name)
        word = word << 8 | (static_cast<unsigned char>(c) | 0x20u);
    return word;
}
} // namespace

bool IsImageExtension(std::string_view extension) {
    // Asked of every file of a load, some twice: the name as one word, not ten comparisons.
    if (extension.size() < 3 || extension.size() > 4) return false;
    switch (PackedExtension(extension)) {
    case PackedExtension("png"):
    case PackedExtension("jpg"):
    case PackedExtension("jpeg"):
    case PackedExtension("gif"):
    case PackedExtension("bmp"):
    case PackedExtension("ico"):
    case PackedExtension("svg"):
    case PackedExtension("tif"):
    case PackedExtension("tiff"):
    case PackedExtension("webp"):
        return true;
    default:
        return false;
    }
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsMarkedReadOnly(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void SetReadOnlyMark(const std::string& path, bool readOnly) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || path.empty())
            throw Error(err::FileNotFound, "File not found: " + path);
        AccessError(path, errno);
    }
    // Only a file takes the mark: a folder's would lock what lies in it.
    if (!S_ISREG(st.st_mode))
        throw Error(err::PathFileAccess, "Path/File access error: " + path +
                                             ": not a file (a folder, a pipe or a device)");
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (::chmod(path.c_str(), mode) != 0) AccessError(path, errno);
}

void ReplaceFileContents(const std::string& path, const std::string& text) {
    ReplaceFileContents(path, [&text](const ContentsWriter& write) { write(text); });
}

void ReplaceFileContents(const std::string& path,
                         const std::function<void(const ContentsWriter&)>& produce) {
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    std::string temp = folder + "." + FileNameOf(path) + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) AccessError("cannot create a temporary file in " + folder, errno);

    auto fail = [&](const std::string& what, int error) {
        if (fd >= 0) ::close(fd);
        fd = -1;
        ::unlink(temp.c_str());
        AccessError(what, error);
    };
    struct stat st {};
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0) fail(temp, errno);
    // At most 256 KiB a call: the kernel sizes the page cache's folios by the write, and a
    // single write of a 26 MB project file had it assemble huge ones (compacting memory),
    // 60 to 110 ms of CPU where pieces take 8.
    constexpr std::size_t kMostPerWrite = 256 * 1024;
    // Every 4 MiB written is sent on to the disk at once, without waiting for it, so that the
    // fsync at the end waits for the last part only.
    [[maybe_unused]] constexpr off_t kSendOnEvery = 4 << 20;
    off_t written = 0, sent = 0;
    const ContentsWriter write = [&](std::string_view piece) {
        while (!piece.empty()) {
            const ssize_t n = ::write(fd, piece.data(), std::min(piece.size(), kMostPerWrite));
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("cannot write " + temp, errno);
            }
            piece.remove_prefix(static_cast<std::size_t>(n));
            written += n;
        }
#ifdef __linux__
        if (written - sent >= kSendOnEvery) {
            ::sync_file_range(fd, sent, written - sent, SYNC_FILE_RANGE_WRITE);
            sent = written;
        }
#endif
    };
    try {
        produce(write);
    } catch (...) {
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
        }
        throw;
    }
    if (::fsync(fd) != 0) fail("cannot flush " + temp, errno);
    int closed = ::close(fd);
    fd = -1;
    if (closed != 0) fail("cannot close " + temp, errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) fail("cannot replace " + path, errno);
    // Make the rename itself durable; a failure here no longer endangers the contents.
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

} // namespace qv::disk
