// Draws each SVG picture as PNG at its own size and at twice that (NAME.png, NAME@2x.png), and the
// executable's icon as a Windows .ico with PNG images of the usual sizes.
//   kalvo_rasterise_art OUT_FOLDER ICON_SVG FILE.svg...

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>
#include <vector>

namespace {

QImage Render(QSvgRenderer& svg, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    p.end();
    return image;
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

template <typename T>
void Put(QByteArray& out, T value) {
    const T le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

// An .ico holding PNG images (read by Windows Vista and later, and by windres).
QByteArray Icon(QSvgRenderer& svg) {
    const std::vector<int> sizes{16, 20, 24, 32, 40, 48, 64, 256};
    std::vector<QByteArray> images;
    for (int s : sizes) images.push_back(Png(Render(svg, QSize(s, s))));
    QByteArray out;
    Put<quint16>(out, 0);
    Put<quint16>(out, 1);
    Put<quint16>(out, static_cast<quint16>(sizes.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        out.append(static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.append(static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.append('\0');  // no palette
        out.append('\0');
        Put<quint16>(out, 1);   // planes
        Put<quint16>(out, 32);  // bits per pixel
        Put<quint32>(out, static_cast<quint32>(images[i].size()));
        Put<quint32>(out, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images) out.append(image);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication::setAttribute(Qt::AA_Use96Dpi);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUT_FOLDER ICON_SVG FILE.svg...\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) return 1;

    QSvgRenderer icon(QString::fromLocal8Bit(argv[2]));
    if (!icon.isValid() || !WriteFile(out.filePath(QStringLiteral("kalvo.ico")), Icon(icon))) {
        std::fprintf(stderr, "cannot draw the icon from %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const QString file = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer svg(file);
        if (!svg.isValid()) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const QString name = QFileInfo(file).completeBaseName();
        const QSize size = svg.defaultSize();
        if (!Render(svg, size).save(out.filePath(name + QStringLiteral(".png")), "PNG") ||
            !Render(svg, size * 2).save(out.filePath(name + QStringLiteral("@2x.png")), "PNG")) {
            std::fprintf(stderr, "cannot write the pictures of %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
