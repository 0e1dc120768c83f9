#include "host/HtmlText.h"

#include "model/DiskPath.h"

namespace qv {

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string HrefOfPath(std::string_view relativePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(relativePath.size());
    for (char c : relativePath) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
                           c == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

std::size_t FindOpeningTag(const std::string& html, std::string_view name, std::size_t from) {
    for (std::size_t at = html.find('<', from); at != std::string::npos;
         at = html.find('<', at + 1)) {
        const std::size_t after = at + 1 + name.size();
        if (after > html.size()) return std::string::npos;
        if (!disk::EqualsNoCase(std::string_view(html).substr(at + 1, name.size()), name)) continue;
        const char next = after < html.size() ? html[after] : '\0';
        if (next == '>' || next == ' ' || next == '\t' || next == '\n' || next == '\r' ||
            next == '/')
            return at;
    }
    return std::string::npos;
}

bool ReplaceElementText(std::string& html, std::string_view name, const std::string& inner) {
    const std::size_t open = FindOpeningTag(html, name);
    if (open == std::string::npos) return false;
    const std::size_t start = html.find('>', open);
    if (start == std::string::npos) return false;
    const std::string closing = "</" + std::string(name);
    for (std::size_t end = html.find("</", start); end != std::string::npos;
         end = html.find("</", end + 2)) {
        if (disk::EqualsNoCase(std::string_view(html).substr(end, closing.size()), closing)) {
            html.replace(start + 1, end - start - 1, inner);
            return true;
        }
    }
    return false;
}

} // namespace qv
