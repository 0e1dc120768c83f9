#pragma once

#include "contracts/Error.h"
#include "contracts/ImageList.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qvtest {

// An image list that knows a fixed set of keys, each with a blank 16x16 picture. Enough for a
// tree that only asks Contains(key).
class FakeImageList final : public qv::ImageList {
public:
    explicit FakeImageList(std::vector<std::string> keys) : keys_(std::move(keys)) {}

    std::string TypeName() const override { return "ImageList"; }
    bool Contains(const std::string& key) const override {
        return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
    }
    int32_t Count() const override { return static_cast<int32_t>(keys_.size()); }
    std::string Key(int32_t index) const override {
        if (index < 1 || index > Count()) throw qv::Error(35600, "Index out of bounds");
        return keys_[static_cast<size_t>(index - 1)];
    }
    std::shared_ptr<const qv::Picture> Item(const std::string& key) const override {
        if (!Contains(key)) throw qv::Error(qv::err::ElementNotFound, "Element not found");
        return std::make_shared<qv::Picture>(16, 16);
    }
    void Add(const std::string& key, std::shared_ptr<const qv::Picture> picture) override {
        if (Contains(key))
            throw qv::Error(qv::err::KeyNotUnique, "Key is not unique in collection");
        if (!picture)
            throw qv::Error(qv::err::InvalidArgument, "Invalid procedure call or argument");
        keys_.push_back(key);
    }
    void Remove(int32_t index) override {
        Key(index); // range check
        keys_.erase(keys_.begin() + (index - 1));
    }
    void Remove(const std::string& key) override {
        Item(key);
        std::erase(keys_, key);
    }
    void Clear() override { keys_.clear(); }
    std::shared_ptr<const qv::Picture> Overlay(const std::string& key1,
                                               const std::string& key2) const override {
        Item(key2);
        return Item(key1);
    }

private:
    std::vector<std::string> keys_;
};

} // namespace qvtest
