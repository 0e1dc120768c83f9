#include "controls/BuiltInImages.h"

#include "controls/ImageList.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace qv {
namespace {

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t Black = 0xFF000000;

uint32_t Dark(uint32_t c) {
    return 0xFF000000 | ((c >> 1) & 0x7F7F7F);
}
uint32_t Light(uint32_t c) {
    return 0xFF000000 | (((c >> 1) & 0x7F7F7F) + 0x808080);
}

// A 16x16 picture, transparent until drawn on.
struct Canvas {
    std::shared_ptr<Picture> pic = std::make_shared<Picture>(16, 16);

    void Fill(int x, int y, int w, int h, uint32_t c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                pic->At(i, j) = c;
    }
    void Frame(int x, int y, int w, int h, uint32_t c) {
        Line(x, y, x + w - 1, y, c);
        Line(x, y + h - 1, x + w - 1, y + h - 1, c);
        Line(x, y, x, y + h - 1, c);
        Line(x + w - 1, y, x + w - 1, y + h - 1, c);
    }
    // Horizontal, vertical or 45-degree lines, both ends included.
    void Line(int x0, int y0, int x1, int y1, uint32_t c) {
        const int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
        const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int k = 0; k <= n; ++k)
            pic->At(x0 + k * dx, y0 + k * dy) = c;
    }
};

Canvas Folder(uint32_t colour, bool open) {
    Canvas c;
    c.Fill(1, 2, 6, 2, Dark(colour)); // tab
    if (!open) {
        c.Fill(1, 4, 14, 10, colour);
        c.Frame(1, 4, 14, 10, Dark(colour));
        return c;
    }
    c.Fill(1, 4, 13, 10, Dark(colour)); // the inside of the folder
    for (int y = 7; y <= 13; ++y)       // the front flap, tilted back
        c.Fill(1 + (13 - y) / 2, y, 14, 1, Light(colour));
    c.Line(4, 7, 14, 7, Dark(colour));
    return c;
}

Canvas Page(uint32_t ink) {
    Canvas c;
    c.Fill(3, 1, 10, 14, White);
    c.Frame(3, 1, 10, 14, Black);
    for (int y = 4; y <= 11; y += 2)
        c.Line(5, y, 10, y, ink);
    return c;
}

Canvas Book(uint32_t colour, int bands) {
    Canvas c;
    c.Fill(3, 1, 10, 14, colour);
    c.Frame(3, 1, 10, 14, Dark(colour));
    c.Line(5, 1, 5, 14, Light(colour)); // spine
    for (int i = 0; i < bands; ++i)
        c.Fill(7, 4 + 3 * i, 4, 1, 0xFFE8C040);
    return c;
}

Canvas Missing() {
    Canvas c = Page(0xFFC0C0C0);
    c.Line(2, 2, 13, 13, 0xFFE02020);
    c.Line(13, 2, 2, 13, 0xFFE02020);
    return c;
}

Canvas Html() {
    Canvas c = Page(0xFF808080);
    c.Fill(5, 6, 6, 6, 0xFF20A0A0);
    c.Frame(5, 6, 6, 6, 0xFF106060);
    return c;
}

// Bottom-left corner: a green square with a white tick.
Canvas CheckedOutBadge() {
    Canvas c;
    c.Fill(0, 9, 7, 7, 0xFF20A020);
    c.Line(1, 12, 2, 13, White);
    c.Line(2, 13, 5, 10, White);
    return c;
}

// Bottom-right corner: a red padlock.
Canvas ReadOnlyBadge() {
    Canvas c;
    c.Frame(11, 8, 4, 4, 0xFF801010); // shackle
    c.Fill(10, 11, 6, 5, 0xFFD02020);
    c.Fill(12, 13, 2, 1, White); // keyhole
    return c;
}

} // namespace

std::shared_ptr<ImageList> MakeBuiltInImageList() {
    constexpr uint32_t TopicFolder = 0xFFF0C040, ImageFolder = 0xFF60B060, OtherFolder = 0xFF8CA0B8,
                       Booklets = 0xFFA070C0, BuildFlags = 0xFFF08030, BuildProfiles = 0xFF4080E0;
    const std::pair<std::string_view, Canvas> images[] = {
        {"missing", Missing()},
        {"topicfolderclosed", Folder(TopicFolder, false)},
        {"topic", Page(0xFF3060C0)},
        {"imagefolderopen", Folder(ImageFolder, true)},
        {"otherfilefolderopen", Folder(OtherFolder, true)},
        {"topicfolderopen", Folder(TopicFolder, true)},
        {"imagefolderclosed", Folder(ImageFolder, false)},
        {"otherfilefolderclosed", Folder(OtherFolder, false)},
        {"bookletsclosed", Folder(Booklets, false)},
        {"checkedout", CheckedOutBadge()},
        {"readonly", ReadOnlyBadge()},
        {"bookletsopen", Folder(Booklets, true)},
        {"buildflagsopen", Folder(BuildFlags, true)},
        {"buildflagsclosed", Folder(BuildFlags, false)},
        {"help1", Book(0xFF3050A0, 1)},
        {"buildprofilesopen", Folder(BuildProfiles, true)},
        {"buildprofilesclosed", Folder(BuildProfiles, false)},
        {"help2", Book(0xFF3050A0, 2)},
        {"html", Html()},
        {"booklet", Book(Booklets, 0)},
    };
    auto list = std::make_shared<HeadlessImageList>();
    for (const auto& [key, canvas] : images)
        list->Add(std::string(key), canvas.pic);
    return list;
}

} // namespace qv
