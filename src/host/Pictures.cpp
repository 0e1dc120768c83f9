#include "host/Pictures.h"

#include <QColor>
#include <QImage>
#include <QString>

namespace qv {

namespace {

constexpr uint32_t kTransparent = 0x00000000;
constexpr uint32_t kOutline = 0xFF606060;
constexpr uint32_t kPage = 0xFFFFFFFF;
constexpr uint32_t kFold = 0xFFD8D8D8;

uint32_t Fnv1a(const std::string& text) {
    uint32_t h = 2166136261u;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

} // namespace

std::shared_ptr<Picture> LoadIconPicture(const std::string& path, std::optional<uint32_t> maskBgr) {
    QImage image;
    if (path.empty() || !image.load(QString::fromStdString(path))) return nullptr;
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (maskBgr) {
        const uint32_t b = (*maskBgr >> 16) & 0xFF, g = (*maskBgr >> 8) & 0xFF, r = *maskBgr & 0xFF;
        const QRgb mask = qRgb(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] | 0xFF000000u) == mask && qAlpha(line[x]) != 0) line[x] = kTransparent;
        }
    }
    if (image.width() != kIconSize || image.height() != kIconSize)
        image = image.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);

    auto picture = std::make_shared<Picture>(kIconSize, kIconSize);
    const int left = (kIconSize - image.width()) / 2;
    const int top = (kIconSize - image.height()) / 2;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            picture->At(left + x, top + y) = line[x];
    }
    return picture;
}

std::shared_ptr<Picture> DocumentPicture(const std::string& extension) {
    const uint32_t h = Fnv1a(extension);
    const QColor band =
        QColor::fromHsv(static_cast<int>(h % 360), 150 + static_cast<int>((h >> 9) % 106),
                        140 + static_cast<int>((h >> 17) % 100));
    const uint32_t bandArgb = band.rgba();

    auto picture = std::make_shared<Picture>(kIconSize, kIconSize);
    // A page from column 2 to 13 with its top right corner folded down along y == x - 9.
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 2; x <= 13; ++x) {
            const int edge = x - 9;
            uint32_t px = kPage;
            if (x >= 10 && y < edge)
                px = kTransparent;
            else if (x >= 10 && y == edge)
                px = kOutline;
            else if (x == 2 || x == 13 || y == 0 || y == kIconSize - 1)
                px = kOutline;
            else if (x >= 9 && y <= 4)
                px = (x == 9 || y == 4) ? kOutline : kFold;
            else if (y >= 8 && y <= 13)
                px = bandArgb;
            picture->At(x, y) = px;
        }
    }
    return picture;
}

} // namespace qv
