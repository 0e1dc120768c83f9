#include "controls/ImageKeyTable.h"

#include <deque>
#include <mutex>
#include <unordered_map>

namespace qv {

namespace {

struct Table {
    std::mutex mutex;
    std::deque<std::string> keys{std::string()}; // stable addresses; index = id
    std::unordered_map<std::string_view, uint32_t> ids{{std::string_view(), 0}};
};

Table& TheTable() {
    static Table table;
    return table;
}

} // namespace

uint32_t InternImageKey(std::string_view key) {
    if (key.empty()) return 0;
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    if (auto it = t.ids.find(key); it != t.ids.end()) return it->second;
    const auto id = static_cast<uint32_t>(t.keys.size());
    const std::string& stored = t.keys.emplace_back(key);
    t.ids.emplace(stored, id);
    return id;
}

const std::string& ImageKeyOf(uint32_t id) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    return t.keys.at(id);
}

} // namespace qv
