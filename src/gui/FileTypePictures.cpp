#include "gui/FileTypePictures.h"

#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>

namespace qv {

std::shared_ptr<Picture> ThemeFilePicture(const std::string& pathOrExtension) {
    constexpr int kSize = 16;
    const QString name = QString::fromStdString(pathOrExtension);
    QMimeDatabase db;
    QMimeType mime;
    if (QFileInfo::exists(name)) {
        mime = db.mimeTypeForFile(name);
    } else {
        QString extension = name;
        if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
        const QString probe =
            extension.contains(QLatin1Char('/')) ? name : QStringLiteral("x.") + extension;
        mime = db.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
    }
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull()) return nullptr;
    const QImage image = icon.pixmap(kSize, kSize)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32)
                             .scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) return nullptr;
    auto picture = std::make_shared<Picture>(kSize, kSize);
    const int left = (kSize - image.width()) / 2, top = (kSize - image.height()) / 2;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            picture->At(left + x, top + y) = line[x];
    }
    return picture;
}

} // namespace qv
