#include "model/ProjectFileReader.h"

#include "contracts/Utf8.h"
#include "model/DiskPath.h"
#include "model/ProjectFileWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace qv {

namespace {

// A value quoted for a message. A long one shows its first 200 bytes and "...", enough to
// find it, so that a message about a huge attribute does not become huge itself.
std::string Quote(std::string_view text) {
    constexpr std::size_t kShown = 200;
    if (text.size() > kShown) return "\"" + std::string(text.substr(0, kShown)) + "...\"";
    return "\"" + std::string(text) + "\"";
}

// Who a message is about: a text, or what makes it (only a failure needs the text).
template <class Who> std::string Named(const Who& who) {
    if constexpr (std::is_invocable_v<const Who&>)
        return who();
    else
        return std::string(who);
}

// Equal NUL-terminated names, compared in place: each attribute of the file is matched by its
// name. The first byte tells most other names apart without a call; the library compares
// the rest of a likely match many bytes a step.
bool SameName(const char* a, const char* b) {
    return *a == *b && (*a == '\0' || std::strcmp(a + 1, b + 1) == 0);
}

// A project file's bytes and one byte more, for the parser's terminator. Unlike a string's,
// the room is not cleared before the read fills it: that would write a large project's
// megabytes once more.
// Whether the text at `at` (just after an "&") completes a reference that XML itself defines:
// one of the five named ones, or a character by its decimal or hexadecimal number. The parser
// would turn a number that names no character (0, a surrogate, past U+10FFFF) into bytes that
// are not UTF-8, or end the text at a 0.
bool IsPredefinedReference(const char* at, const char* end) {
    for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"})
        if (static_cast<std::size_t>(end - at) >= name.size() &&
            std::memcmp(at, name.data(), name.size()) == 0)
            return true;
    if (at == end || *at++ != '#') return false;
    const bool hex = at != end && *at == 'x';
    if (hex) ++at;
    const char* const digits = at;
    uint32_t value = 0;
    for (; at != end && (hex ? std::isxdigit(static_cast<unsigned char>(*at))
                             : std::isdigit(static_cast<unsigned char>(*at)));
         ++at) {
        const int digit = std::isdigit(static_cast<unsigned char>(*at))
                              ? *at - '0'
                              : std::tolower(static_cast<unsigned char>(*at)) - 'a' + 10;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    return at != digits && at != end && *at == ';' && value != 0 && value < 0x110000 &&
           (value < 0xD800 || value > 0xDFFF);
}

struct FileText {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t room = 0; // size < room
    // Offsets of the "\n" in the bytes, noted as each piece is read (still in the cache) for
    // the messages' line numbers: the parse overwrites some of them.
    std::vector<uint32_t> newlines;

    explicit FileText(std::size_t size) : bytes(new char[size + 1]), size(size), room(size + 1) {}
    char* data() { return bytes.get(); }
    // Keeps the bytes; room for `wanted` bytes and the terminator.
    void Grow(std::size_t wanted) {
        if (wanted < room) return;
        const std::size_t more = std::max(wanted + 1, 2 * room);
        std::unique_ptr<char[]> grown(new char[more]);
        std::memcpy(grown.get(), bytes.get(), size);
        bytes = std::move(grown);
        room = more;
    }
    // Notes the line ends of bytes [from, to).
    void NoteLineEnds(std::size_t from, std::size_t to) {
        const char* const begin = bytes.get();
        const char* const end = begin + to;
        for (const char* at = begin + from;
             (at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr; ++at)
            newlines.push_back(static_cast<uint32_t>(at - begin));
    }
    // The offset of the first "&" that may begin no reference XML defines (npos: none), found
    // piece by piece while each is in the cache. Only a candidate: a reference cut by the end
    // of its piece counts, and so does one inside a comment; the reader decides.
    std::size_t oddAmpersand = std::string::npos;
    void NoteAmpersands(std::size_t from, std::size_t to) {
        if (oddAmpersand != std::string::npos) return;
        const char* const begin = bytes.get();
        const char* const end = begin + to;
        for (const char* at = begin + from;
             (at = static_cast<const char*>(std::memchr(at, '&', end - at))) != nullptr; ++at)
            if (!IsPredefinedReference(at + 1, end)) {
                oddAmpersand = static_cast<std::size_t>(at - begin);
                return;
            }
    }
    // The offset of the first byte that is not UTF-8, once one is found: the file is UTF-8
    // and the parser would pass any other byte on into names and paths.
    std::size_t notUtf8 = std::string::npos;
    // Checks the text read so far, up to `to`; a character the piece's end may cut off is
    // checked whole with the next piece.
    void CheckUtf8(std::size_t to, bool atEnd) {
        if (notUtf8 != std::string::npos) return;
        const std::size_t valid =
            utf8Checked + utf8::ValidPrefix({bytes.get() + utf8Checked, to - utf8Checked});
        // A character cut off by the piece's end is checked whole with the next piece.
        if (valid == to || (!atEnd && to - valid < 4))
            utf8Checked = valid;
        else
            notUtf8 = valid;
    }

private:
    std::size_t utf8Checked = 0;
};

// The comments, CDATA sections and processing instructions of a text, where an "&" is only a
// character: found in one pass over the text as the offsets asked about grow, so that a file
// of many sections holding "&"s costs one reading.
class LiteralSections {
public:
    explicit LiteralSections(std::string_view text) : text_(text) {}
    // Whether the offset lies inside one; offsets asked about may not decrease.
    bool Contain(std::size_t offset) {
        static constexpr std::pair<std::string_view, std::string_view> kSections[] = {
            {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
        while (offset >= end_) {
            const std::size_t at = text_.find('<', next_);
            if (at == std::string_view::npos || at >= offset) {
                next_ = at == std::string_view::npos ? text_.size() : at;
                return false;
            }
            bool section = false;
            for (const auto& [open, close] : kSections) {
                if (text_.compare(at, open.size(), open) != 0) continue;
                const std::size_t closed = text_.find(close, at + open.size());
                // One left open runs to the end of the text.
                end_ = closed == std::string_view::npos ? std::string_view::npos : closed;
                next_ = end_ == std::string_view::npos ? text_.size() : end_;
                section = true;
                break;
            }
            if (section) continue;
            // A tag. The parser takes a "<" inside its quoted values as a character, so no
            // section begins there, and an "&" inside it is the parser's to decode.
            const std::size_t tagEnd = EndOfTag(at);
            if (offset < tagEnd) {
                next_ = at; // a later offset may lie in the same tag
                return false;
            }
            next_ = tagEnd;
        }
        return true;
    }

private:
    // Just past the tag's closing ">" (the text's end when it has none), quoted values skipped.
    std::size_t EndOfTag(std::size_t at) const {
        for (std::size_t i = at + 1; i < text_.size(); ++i) {
            i = text_.find_first_of("\"'>", i);
            if (i == std::string_view::npos) break;
            if (text_[i] == '>') return i + 1;
            i = text_.find(text_[i], i + 1);
            if (i == std::string_view::npos) break;
        }
        return text_.size();
    }
    std::string_view text_;
    std::size_t next_ = 0; // where the search for the next section goes on
    std::size_t end_ = 0;  // where the last section found ends (its closing text)
};

// The offset of the first "&" from `from` on, outside comments, CDATA sections and processing
// instructions, that begins no reference XML defines; npos when there is none. The parser keeps
// such an "&" and the name after it as text (it reads no entity declarations), where a
// conforming reader refuses the file.
std::size_t FirstUnknownReference(std::string_view text, std::size_t from) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    LiteralSections sections(text);
    for (const char* at = begin + from;
         (at = static_cast<const char*>(std::memchr(at, '&', end - at))) != nullptr; ++at)
        if (!IsPredefinedReference(at + 1, end) &&
            !sections.Contain(static_cast<std::size_t>(at - begin)))
            return static_cast<std::size_t>(at - begin);
    return std::string_view::npos;
}

// The IDs of one kind met so far, each with the offset of its element and its number in the
// order added: an open-addressing table of views into the document (no node or copy per ID).
// A slot keeps part of its ID's hash, so that a probe reads the document only on a likely match.
class IdSet {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    explicit IdSet(std::size_t expected = 0) { Grow(expected); }
    // Adds the ID; when it was there already, returns the offset it was first seen at.
    std::optional<std::ptrdiff_t> Add(std::string_view id, std::ptrdiff_t offset) {
        if ((size_ + 1) * 2 > slots_.size()) Grow(slots_.size());
        const std::size_t hash = Hash(id);
        Slot& slot = slots_[Probe(id, hash)];
        if (slot.id) return slot.offset;
        slot = {id.data(), static_cast<uint32_t>(id.size()), Tag(hash),
                static_cast<uint32_t>(offset), static_cast<uint32_t>(size_)};
        ++size_;
        return std::nullopt;
    }
    // The ID's number in the order added, npos when absent.
    std::size_t Number(std::string_view id) const {
        if (slots_.empty()) return npos;
        const Slot& slot = slots_[Probe(id, Hash(id))];
        return slot.id ? slot.number : npos;
    }

private:
    // Offsets and counts fit: a project file has at most kLargestProjectFile bytes.
    struct Slot {
        const char* id = nullptr; // nullptr: free
        uint32_t size = 0;
        uint32_t tag = 0; // the hash's high half
        uint32_t offset = 0;
        uint32_t number = 0;
    };
    static std::size_t Hash(std::string_view id) { return std::hash<std::string_view>{}(id); }
    static uint32_t Tag(std::size_t hash) { return static_cast<uint32_t>(uint64_t{hash} >> 32); }
    // The slot of the ID, or the free one where it would go.
    std::size_t Probe(std::string_view id, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        const uint32_t tag = Tag(hash);
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (!s.id || (s.tag == tag && std::string_view(s.id, s.size) == id)) return i;
        }
    }
    void Grow(std::size_t atLeast) {
        std::size_t capacity = 16;
        while (capacity < atLeast * 2)
            capacity *= 2;
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(capacity, Slot{});
        for (const Slot& s : old) {
            if (!s.id) continue;
            const std::string_view id(s.id, s.size);
            slots_[Probe(id, Hash(id))] = s;
        }
    }
    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

class Reader {
public:
    // The document is parsed inside text, which it changes.
    Reader(std::string path, FileText& text, const LoadOptions& options)
        : path_(std::move(path)), text_(text), newlines_(text.newlines), options_(options),
          build_(path_, options) {
        std::string full = disk::AbsoluteNormal(path_);
        folder_ = full.substr(0, full.rfind('/') + 1);
    }

    std::shared_ptr<Project> Read();

private:
    // The attributes of one element, checked against the names it may carry.
    class Attributes {
    public:
        // An element that may carry no attribute.
        Attributes(Reader& reader, pugi::xml_node element)
            : reader_(reader), element_(element), count_(0) {
            Match();
        }
        // The count known when compiled copies the names without a library call per element.
        template <std::size_t N>
        Attributes(Reader& reader, pugi::xml_node element, const char* const (&allowed)[N])
            : reader_(reader), element_(element), count_(N) {
            static_assert(N <= std::tuple_size_v<decltype(names_)>);
            for (std::size_t i = 0; i < N; ++i)
                names_[i] = allowed[i];
            Match();
        }

        bool Has(const char* name) const { return Get(name) != nullptr; }
        // The value inside the document, which outlives the reading.
        std::string_view View(const char* name) const {
            const char* value = Get(name);
            return value ? std::string_view(value) : std::string_view();
        }
        // The value, or nothing when the element does not carry it.
        std::optional<std::string_view> Find(const char* name) const {
            const char* value = Get(name);
            if (!value) return std::nullopt;
            return std::string_view(value);
        }
        std::string Text(const char* name, const std::string& fallback = {}) const {
            const char* value = Get(name);
            return value ? std::string(value) : fallback;
        }
        template <class Who> bool Bool(const char* name, bool fallback, const Who& who) const {
            const char* value = Get(name);
            if (!value) return fallback;
            std::string_view v = value;
            if (v == "true") return true;
            if (v == "false") return false;
            reader_.Fail(element_,
                         Named(who) + ": " + name + " is " + Quote(v) + "; write true or false");
        }
        // A counter of new IDs: decimal digits only (no sign or blanks); 0 when absent.
        uint64_t Counter(const char* name) const {
            const char* value = Get(name);
            if (!value) return 0;
            std::string_view v = value;
            uint64_t n = 0;
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
            // The highest the writer can store is one past the highest ID number.
            constexpr uint64_t highest = IdCounter::kLimit + 1;
            if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > highest)
                reader_.Fail(element_, std::string(name) + " is " + Quote(v) +
                                           "; write a whole number from 0 to " +
                                           std::to_string(highest));
            return n;
        }

    private:
        // Each attribute into the slot of its name; an unknown name or one given twice fails.
        void Match() {
            const pugi::xml_node element = element_;
            // Files list the attributes in the order allowed names them, mostly: each search
            // starts after the name found last, so that most attributes cost one comparison.
            // Each library call counts, a few per attribute of 100,000 elements: the loop reads
            // a name, a value and the next attribute.
            std::size_t next = 0;
            for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
                const char* name = a.name();
                std::size_t at = count_;
                for (std::size_t i = 0; i < count_; ++i) {
                    const std::size_t k = next + i < count_ ? next + i : next + i - count_;
                    if (SameName(names_[k], name)) {
                        at = k;
                        break;
                    }
                }
                if (at == count_)
                    reader_.Fail(element, "<" + std::string(element.name()) +
                                              "> has an unknown attribute " + Quote(a.name()));
                next = at + 1 == count_ ? 0 : at + 1;
                const char*& slot = values_[at];
                if (slot)
                    reader_.Fail(element, "<" + std::string(element.name()) + "> has " +
                                              Quote(a.name()) + " twice");
                slot = a.value();
            }
        }
        // The attribute's value; nullptr when the element does not carry it.
        const char* Get(const char* name) const {
            // The callers name attributes by the same literals as the allowed list, which the
            // compiler merges: most lookups end at a pointer comparison. They mostly ask in the
            // list's order, so the search starts after the name asked for last.
            for (std::size_t i = 0, k = nextGet_; i < count_; ++i, k = k + 1 == count_ ? 0 : k + 1)
                if (names_[k] == name) {
                    nextGet_ = k + 1 == count_ ? 0 : k + 1;
                    return values_[k];
                }
            for (std::size_t i = 0; i < count_; ++i)
                if (!std::strcmp(names_[i], name)) return values_[i];
            return nullptr;
        }
        Reader& reader_;
        pugi::xml_node element_;
        std::size_t count_; // at most 8, the most any element has
        mutable std::size_t nextGet_ = 0;
        std::array<const char*, 8> names_{};
        std::array<const char*, 8> values_{}; // nullptr: not given
    };

    [[noreturn]] void FailAt(std::ptrdiff_t offset, const std::string& what) const {
        throw ProjectFileError(err::InvalidFileFormat, path_, LineAt(offset), what);
    }
    [[noreturn]] void Fail(pugi::xml_node node, const std::string& what) const {
        FailIfTopicIdTaken();
        FailIfFileListedTwice();
        FailAt(node.offset_debug(), what);
    }
    // A topic's ID is known to be new only once the topic joins the project, whose table of
    // topics finds a second use (the reader keeps no table of its own for 100,000 IDs). Until
    // then any failure of the element reports a second use first, as the ID is checked first.
    struct UnconfirmedTopicId {
        std::string_view id;
        pugi::xml_node element;
        const pugi::xml_node* earlier; // the section's elements before this one
        std::size_t earlierCount;
    };
    // taken: the project refused the topic for its ID.
    void FailIfTopicIdTaken(bool taken = false) const {
        if (!unconfirmed_ || (!taken && !build_.HasTopic(std::string(unconfirmed_->id)))) return;
        const UnconfirmedTopicId u = *unconfirmed_;
        std::ptrdiff_t first = -1;
        for (std::size_t i = 0; i < u.earlierCount && first < 0; ++i)
            if (u.earlier[i].attribute("id").value() == u.id) first = u.earlier[i].offset_debug();
        FailAt(u.element.offset_debug(), "topic ID " + Quote(u.id) +
                                             " is used twice (first on line " +
                                             std::to_string(LineAt(first)) + ")");
    }
    // Likewise a file is known to be listed once only when it joins the project, whose table
    // of files matches paths as the reader did (ignoring case); the reader keeps no table of
    // its own. A failure of the element after its path reports a second listing first.
    struct UnconfirmedFile {
        const std::string* resolved; // disk::Resolve of the path as written
        pugi::xml_node element;
        const pugi::xml_node* earlier; // the section's elements before this one
        std::size_t earlierCount;
    };
    // taken: the project refused the file as listed already.
    void FailIfFileListedTwice(bool taken = false) const {
        if (!unconfirmedFile_ || (!taken && !build_.HasFile(*unconfirmedFile_->resolved))) return;
        const UnconfirmedFile u = *unconfirmedFile_;
        std::ptrdiff_t first = -1;
        for (std::size_t i = 0; i < u.earlierCount && first < 0; ++i)
            if (disk::SameNoCase(disk::Resolve(folder_, u.earlier[i].attribute("path").value()),
                                 *u.resolved))
                first = u.earlier[i].offset_debug();
        const std::string_view written = u.element.attribute("path").value();
        FailAt(u.element.offset_debug(), "file " + Quote(written) +
                                             " is listed twice (first on line " +
                                             std::to_string(LineAt(first)) + ")");
    }
    // The parse overwrites parts of the text, line ends among them: where the lines end is
    // noted before.
    int32_t LineAt(std::ptrdiff_t offset) const {
        if (offset < 0) return 0;
        return 1 + static_cast<int32_t>(std::lower_bound(newlines_.begin(), newlines_.end(),
                                                         static_cast<uint64_t>(offset)) -
                                        newlines_.begin());
    }

    // The element children of a node, refusing text and any element of another name.
    std::vector<pugi::xml_node> Children(pugi::xml_node parent, const char* childName) {
        std::vector<pugi::xml_node> out;
        for (pugi::xml_node n : parent.children()) {
            const pugi::xml_node_type type = n.type();
            if (type == pugi::node_pcdata || type == pugi::node_cdata)
                Fail(parent, "unexpected text inside <" + std::string(parent.name()) + ">");
            if (type != pugi::node_element) continue;
            if (childName && !SameName(n.name(), childName))
                Fail(n, "unknown element <" + std::string(n.name()) + "> in <" +
                            std::string(parent.name()) + ">");
            out.push_back(n);
        }
        return out;
    }
    void CheckLeaf(pugi::xml_node element) {
        if (element.first_child())
            Fail(element, "<" + std::string(element.name()) + "> may not contain anything");
    }
    // seen: the IDs of the kind so far; nullptr when the project's table finds a second use.
    // The ID is a view into the document, which outlives the reading.
    std::string_view RequireId(pugi::xml_node element, const Attributes& a, IdSet* seen,
                               char letter, const char* kind) {
        const std::string_view id = a.View("id");
        if (id.empty()) Fail(element, "<" + std::string(element.name()) + "> has no id");
        std::string problem = IdProblem(letter, id);
        if (!problem.empty()) Fail(element, std::string(kind) + " ID " + Quote(id) + " " + problem);
        if (std::optional<std::ptrdiff_t> first;
            seen && (first = seen->Add(id, element.offset_debug())))
            Fail(element, std::string(kind) + " ID " + Quote(id) +
                              " is used twice (first on line " + std::to_string(LineAt(*first)) +
                              ")");
        return id;
    }
    // Refuses a path as written that the project cannot use.
    template <class Who>
    void CheckPath(pugi::xml_node element, const Who& who, const char* attribute,
                   std::string_view path) {
        if (path.empty()) Fail(element, Named(who) + " has an empty " + attribute);
        std::string problem = FilePathProblem(folder_, path);
        if (!problem.empty())
            Fail(element, Named(who) + ": " + attribute + " " + Quote(path) + " " + problem);
    }

    void ReadCategories(pugi::xml_node section);
    void ReadTopics(pugi::xml_node section);
    void ReadFiles(pugi::xml_node section);
    void ReadProfiles(pugi::xml_node section);

    std::string path_;
    FileText& text_;
    const std::vector<uint32_t>& newlines_; // the text's
    static_assert(kLargestProjectFile <= UINT32_MAX);
    const LoadOptions& options_;
    std::string folder_;
    IdSet categoryIds_;
    ProjectBuilder build_; // each item goes into the project once it is checked
    std::optional<UnconfirmedTopicId> unconfirmed_;
    std::optional<UnconfirmedFile> unconfirmedFile_;
};

std::shared_ptr<Project> Reader::Read() {
    // In place: the values are read straight from the text, which is not copied. The parser
    // ends the text with a terminator of its own, over the last byte; a NUL added for it leaves
    // every byte of the file to be read (an error at the end is placed after the last line end).
    text_.data()[text_.size] = '\0';
    // Found before the parse, which changes the text; whichever comes first is reported.
    const std::string_view whole(text_.data(), text_.size);
    const std::size_t notUtf8 = text_.notUtf8;
    const std::size_t unknownReference = text_.oddAmpersand == std::string::npos
                                             ? std::string::npos
                                             : FirstUnknownReference(whole, text_.oddAmpersand);
    std::string problem;
    if (notUtf8 < unknownReference) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(whole[notUtf8]));
        problem = std::string("not UTF-8: no character can be read at the byte ") + byte +
                  " (a project file is UTF-8 text)";
    } else if (unknownReference != std::string_view::npos) {
        // The reference up to its ";", or up to what cannot belong to it.
        std::string_view name = whole.substr(unknownReference, 40);
        const std::size_t semicolon = name.find(';');
        name = name.substr(0, std::min(semicolon == name.npos ? name.npos : semicolon + 1,
                                       name.find_first_of(" \t\r\n<>\"'")));
        problem =
            name.size() > 1 && name[1] == '#'
                ? "not well-formed XML: " + Quote(name) + " names no character"
                : "not well-formed XML: unknown entity " + Quote(name) + " (write & as &amp;)";
    }
    const std::size_t firstProblem = std::min(notUtf8, unknownReference);
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer_inplace(
        text_.data(), text_.size + 1, pugi::parse_default, pugi::encoding_utf8);
    if (!result && static_cast<std::size_t>(result.offset) < firstProblem)
        FailAt(result.offset, std::string("not well-formed XML: ") + result.description());
    if (!problem.empty()) FailAt(static_cast<std::ptrdiff_t>(firstProblem), problem);
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node n = root.next_sibling(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element || n.type() == pugi::node_pcdata)
            Fail(n, "more than one root element");
    if (std::strcmp(root.name(), "QuorvelProject"))
        Fail(root, "not a project file: the root element is <" + std::string(root.name()) +
                       ">, not <QuorvelProject>");

    Attributes a(*this, root,
                 {"formatVersion", "allowCategoryIndex", "underSourceControl", "nextTopicId",
                  "nextCategoryId", "nextProfileId"});
    if (!a.Has("formatVersion")) Fail(root, "<QuorvelProject> has no formatVersion");
    std::string version = a.Text("formatVersion");
    if (version != std::to_string(kProjectFormatVersion))
        Fail(root, "formatVersion " + Quote(version) + " is not supported (this program reads " +
                       "version " + std::to_string(kProjectFormatVersion) + ")");
    const bool allowCategoryIndex = a.Bool("allowCategoryIndex", false, "the project");
    const bool underSourceControl = a.Bool("underSourceControl", false, "the project");
    build_.SetFlags(allowCategoryIndex, underSourceControl);
    const uint64_t nextTopicId = a.Counter("nextTopicId");
    const uint64_t nextCategoryId = a.Counter("nextCategoryId");
    const uint64_t nextProfileId = a.Counter("nextProfileId");

    static constexpr const char* kSections[] = {"Categories", "Topics", "Files", "BuildProfiles"};
    pugi::xml_node sections[4];
    for (pugi::xml_node n : Children(root, nullptr)) {
        auto it = std::find_if(std::begin(kSections), std::end(kSections),
                               [&](const char* s) { return !std::strcmp(s, n.name()); });
        if (it == std::end(kSections))
            Fail(n, "unknown element <" + std::string(n.name()) + "> in <QuorvelProject>");
        pugi::xml_node& slot = sections[it - std::begin(kSections)];
        if (slot) Fail(n, "a second <" + std::string(n.name()) + "> section");
        Attributes none(*this, n);
        slot = n;
    }
    // Categories first: topics refer to them wherever the sections stand.
    if (sections[0]) ReadCategories(sections[0]);
    if (sections[1]) ReadTopics(sections[1]);
    if (sections[2]) ReadFiles(sections[2]);
    if (sections[3]) ReadProfiles(sections[3]);
    return build_.Finish(nextTopicId, nextCategoryId, nextProfileId);
}

void Reader::ReadCategories(pugi::xml_node section) {
    auto elements = Children(section, "Category");
    categoryIds_ = IdSet(elements.size());
    build_.ReserveCategories(elements.size());
    for (pugi::xml_node e : elements) {
        CheckLeaf(e);
        Attributes a(*this, e, {"id", "name", "autoGenerateIndex"});
        std::string id(RequireId(e, a, &categoryIds_, 'C', "category"));
        bool autoIndex = a.Bool("autoGenerateIndex", false, "category " + id);
        build_.AddCategory(std::move(id), a.Text("name"), autoIndex);
    }
}

void Reader::ReadTopics(pugi::xml_node section) {
    const auto elements = Children(section, "Topic");
    build_.ReserveTopics(elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const pugi::xml_node e = elements[i];
        CheckLeaf(e);
        Attributes a(
            *this, e,
            {"id", "name", "title", "caption", "category", "status", "includeInOutput", "file"});
        // Views into the document: the topic copies its texts once, into one block.
        TopicItem::Fields t;
        const std::string_view id = RequireId(e, a, nullptr, 'T', "topic");
        t.id = id;
        unconfirmed_ = UnconfirmedTopicId{id, e, elements.data(), i};
        auto who = [&] { return "topic " + std::string(id); };
        t.name = a.View("name");
        t.title = a.View("title");
        t.caption = a.View("caption");
        const std::string_view category = a.View("category");
        std::size_t number = ProjectBuilder::kNoCategory;
        if (!category.empty()) {
            number = categoryIds_.Number(category);
            if (number == IdSet::npos)
                Fail(e,
                     who() + " names category " + std::string(category) + ", which does not exist");
        }
        t.status = a.Find("status").value_or(options_.defaultStatus);
        t.includeInOutput = a.Bool("includeInOutput", true, who);
        std::string file;
        if (const std::optional<std::string_view> given = a.Find("file")) {
            const std::string_view written = *given;
            if (disk::IsAbsolute(written))
                Fail(e,
                     who() + ": file " + Quote(written) + " " + TopicFileProblem(folder_, written));
            CheckPath(e, who, "file", written);
            // The usual path is written as the project keeps it ("\" separated): the topic
            // copies it from the document, with no text of its own made first.
            if (written.find('/') == std::string_view::npos) {
                t.file = written;
            } else {
                file = disk::ToFileSeparators(written);
                t.file = file;
            }
        }
        if (!build_.AddTopic(t, number)) FailIfTopicIdTaken(true);
        unconfirmed_.reset();
    }
}

void Reader::ReadFiles(pugi::xml_node section) {
    const auto elements = Children(section, "File");
    build_.ReserveFiles(elements.size());
    std::string full; // each file's resolved path, in the room of the last one
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const pugi::xml_node e = elements[i];
        CheckLeaf(e);
        Attributes a(*this, e, {"path", "includeInOutput"});
        if (!a.Has("path")) Fail(e, "<File> has no path");
        const std::string_view written = a.View("path");
        auto who = [&] {
            return written.empty() ? std::string("<File>") : "file " + Quote(written);
        };
        CheckPath(e, who, "path", written);
        // Resolving reads either separator: the path as written resolves as the kept one does.
        disk::ResolveInto(full, folder_, written);
        unconfirmedFile_ = UnconfirmedFile{&full, e, elements.data(), i};
        const bool include = a.Bool("includeInOutput", true, who);
        if (!build_.AddFile(full, include)) FailIfFileListedTwice(true);
        unconfirmedFile_.reset();
    }
}

void Reader::ReadProfiles(pugi::xml_node section) {
    auto elements = Children(section, "BuildProfile");
    IdSet ids(elements.size());
    build_.ReserveProfiles(elements.size());
    for (pugi::xml_node e : elements) {
        CheckLeaf(e);
        Attributes a(
            *this, e,
            {"id", "name", "title", "compiledHelp", "helpFormat", "outputFolder", "current"});
        ProfileItem::Fields b;
        b.id = std::string(RequireId(e, a, &ids, 'B', "build profile"));
        std::string who = "build profile " + b.id;
        b.name = a.Text("name");
        b.title = a.Text("title");
        b.compiledHelp = a.Bool("compiledHelp", false, who);
        b.current = a.Bool("current", false, who);
        if (a.Has("helpFormat")) {
            std::string text = a.Text("helpFormat");
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), b.helpFormat);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty())
                Fail(e, who + ": helpFormat " + Quote(text) + " is not a whole number");
        }
        if (!a.Has("outputFolder")) Fail(e, who + " has no outputFolder");
        b.outputFolder = a.Text("outputFolder");
        std::string problem = disk::OutputFolderProblem(folder_, b.outputFolder);
        if (!problem.empty())
            Fail(e, who + ": outputFolder " + Quote(b.outputFolder) + " " + problem);
        if (!disk::IsAbsolute(b.outputFolder))
            b.outputFolder = disk::ToFileSeparators(b.outputFolder);
        build_.AddProfile(std::move(b));
    }
}

// The bytes of a regular file. The file is opened without waiting (a pipe without a writer
// would block an ordinary open for ever) and judged by what was opened, so that nothing can
// be swapped in between a check and the read.
FileText ReadProjectFileText(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT)
            throw ProjectFileError(err::FileNotFound, path, 0, "file not found (" + path + ")");
        throw ProjectFileError(err::PathFileAccess, path, 0, std::strerror(error));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw ProjectFileError(err::PathFileAccess, path, 0, std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        throw ProjectFileError(err::PathFileAccess, path, 0, "is a folder, not a project file");
    if (!S_ISREG(st.st_mode))
        throw ProjectFileError(err::PathFileAccess, path, 0,
                               "is not a regular file (a pipe, a device or a socket); only a "
                               "regular file is read as a project file");
    auto tooLarge = [&](uint64_t size) {
        return ProjectFileError(err::PathFileAccess, path, 0,
                                "is " + std::to_string(size) +
                                    " bytes long; a project file may have at most 1 GB (" +
                                    std::to_string(kLargestProjectFile) + " bytes)");
    };
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size > kLargestProjectFile) throw tooLarge(size);
    FileText text(static_cast<std::size_t>(size));
    std::size_t have = 0;
    // The file may have grown since fstat: it is read to its end, within the limit.
    std::array<char, 65536> more;
    // In pieces that stay in the cache while their line ends are noted.
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    for (;;) {
        const bool within = have < text.size;
        char* into = within ? text.data() + have : more.data();
        const std::size_t room = within ? std::min(text.size - have, kPiece) : more.size();
        ssize_t n = ::read(fd, into, room);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw ProjectFileError(err::PathFileAccess, path, 0,
                                   std::string("cannot be read: ") + std::strerror(errno));
        }
        if (n == 0) break;
        if (!within) {
            if (have + static_cast<std::size_t>(n) > kLargestProjectFile)
                throw tooLarge(have + static_cast<std::size_t>(n));
            text.Grow(have + static_cast<std::size_t>(n));
            std::memcpy(text.data() + have, more.data(), static_cast<std::size_t>(n));
            text.size = have + static_cast<std::size_t>(n);
        }
        text.NoteLineEnds(have, have + static_cast<std::size_t>(n));
        text.NoteAmpersands(have, have + static_cast<std::size_t>(n));
        have += static_cast<std::size_t>(n);
        text.CheckUtf8(have, false);
    }
    text.size = have;
    text.CheckUtf8(have, true);
    return text;
}

} // namespace

std::string IdProblem(char kind, std::string_view id) {
    if (id.find('\\') != std::string_view::npos)
        return "contains \"\\\", which would make its tree key look like a folder's";
    if (kind == 'C' && id == "uncategorized")
        return "is the tree's own key of the \"(Un-categorized)\" folder";
    return {};
}

std::string FilePathProblem(const std::string& projectFolder, std::string_view path) {
    if (path.empty()) return "is empty";
    // An absolute path names its file wherever it lies: its ".." segments are normalised away.
    if (!disk::IsAbsolute(path)) {
        std::string problem = disk::RelativePathProblem(path);
        if (!problem.empty()) return problem;
    }
    // The name after the last separator names a folder when it is none, "." or "..": only
    // the path's last three bytes can tell, so a long name is not walked.
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const std::size_t n = path.size();
    const auto nameStartsAt = [&](std::size_t from) {
        return from == 0 || separator(path[from - 1]);
    };
    if (separator(path[n - 1]) ||
        (path[n - 1] == '.' &&
         (nameStartsAt(n - 1) || (path[n - 2] == '.' && nameStartsAt(n - 2)))))
        return "names a folder";
    // Resolving only shortens what it joins, so most paths need no resolving here.
    if (path.size() > kLongestPath || (projectFolder.size() + path.size() > kLongestPath &&
                                       disk::Resolve(projectFolder, path).size() > kLongestPath))
        return "is longer than the " + std::to_string(kLongestPath) + " bytes a path may have";
    return {};
}

std::string TopicFileProblem(const std::string& projectFolder, std::string_view path) {
    if (disk::IsAbsolute(path)) return "is absolute; a topic's file lies in the project folder";
    return FilePathProblem(projectFolder, path);
}

std::shared_ptr<Project> LoadProject(const std::string& path, const LoadOptions& options) {
    std::string full = disk::AbsoluteNormal(disk::ToDiskSeparators(path));
    FileText text = ReadProjectFileText(full);
    RemoveStaleSaveFiles(full);
    return Reader(full, text, options).Read();
}

} // namespace qv
