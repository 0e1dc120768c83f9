#pragma once

#include "contracts/Object.h"
#include "contracts/Picture.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qv {

// Keyed 16x16 pictures in insertion order. Keys are case-sensitive and unique.
class ImageList : public virtual Object, public KeyedCollection {
public:
    const KeyedCollection* AsKeyedCollection() const override { return this; }
    virtual int32_t Count() const = 0;
    virtual std::string Key(int32_t index) const = 0; // 1-based; error 35600 out of range
    virtual std::shared_ptr<const Picture> Item(const std::string& key) const = 0; // 35601
    // Raises 35602 for a key already present and 5 for no picture.
    virtual void Add(const std::string& key, std::shared_ptr<const Picture> picture) = 0;
    virtual void Remove(int32_t index) = 0;
    virtual void Remove(const std::string& key) = 0;
    virtual void Clear() = 0;
    // The picture under key1 with the picture under key2 drawn over it.
    virtual std::shared_ptr<const Picture> Overlay(const std::string& key1,
                                                   const std::string& key2) const = 0;

protected:
    ~ImageList() override = default;
};

} // namespace qv
