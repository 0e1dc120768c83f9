#pragma once

#include "contracts/Object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// A small raster picture, 0xAARRGGBB pixels row by row. Images of the image list are 16x16.
class Picture : public Object {
public:
    Picture(int width, int height) : width_(width), height_(height), pixels_(width * height) {}
    std::string TypeName() const override { return "Picture"; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t& At(int x, int y) { return pixels_[y * width_ + x]; }
    uint32_t At(int x, int y) const { return pixels_[y * width_ + x]; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

} // namespace qv
