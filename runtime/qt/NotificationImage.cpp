// A file path as app_icon is read by every server; image-data (the freedesktop form: width,
// height, row stride, alpha, bits per sample, channels, bytes) is what a server shows when
// the folder has lost its icons.

#include "runtime/qt/NotificationImage.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QFileInfo>
#include <QImage>
#include <QMetaType>
#include <QVariant>

namespace tarvolin {

namespace {

const QString ShippedImage = QStringLiteral("icons/tarvolin-64.png");  // as packaged
const QString BuiltInImage = QStringLiteral(":/icons/tarvolin-64.png");
const QString ImageDataHint = QStringLiteral("image-data");

struct ImageData {
    qint32 width = 0;
    qint32 height = 0;
    qint32 rowStride = 0;
    bool hasAlpha = true;
    qint32 bitsPerSample = 8;
    qint32 channels = 4;
    QByteArray bytes;
};

}  // namespace

}  // namespace tarvolin

Q_DECLARE_METATYPE(tarvolin::ImageData)

namespace tarvolin {

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const ImageData& image) {
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha
             << image.bitsPerSample << image.channels << image.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ImageData& image) {
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >>
        image.bitsPerSample >> image.channels >> image.bytes;
    argument.endStructure();
    return argument;
}

QVariantMap BuiltInImageHints() {
    const QImage image = QImage(BuiltInImage).convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull()) return {};
    qDBusRegisterMetaType<ImageData>();
    const ImageData data{
        .width = image.width(),
        .height = image.height(),
        .rowStride = static_cast<qint32>(image.bytesPerLine()),
        .bytes = QByteArray(reinterpret_cast<const char*>(image.constBits()),
                            static_cast<qsizetype>(image.sizeInBytes())),
    };
    return {{ImageDataHint, QVariant::fromValue(data)}};
}

}  // namespace

DesktopNotifications::Image NotificationImage(const QString& programFolder) {
    const QFileInfo shipped(programFolder + QLatin1Char('/') + ShippedImage);
    if (shipped.isFile() && shipped.isReadable()) return {shipped.absoluteFilePath(), {}};
    return {QString(), BuiltInImageHints()};
}

}  // namespace tarvolin
