#include "ui/widgets/notification_strip.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "ui/common/colors.h"

namespace kalvo::ui {
namespace {

QRect Desktop() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}

QRect AvailableDesktop() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableVirtualGeometry() : Desktop();
}

}  // namespace

NotificationStrip::NotificationStrip(int width, int height, int alpha, QWidget* parent)
    : BorderlessWindow(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setFixedSize(width, height);
    setWindowOpacity(alpha / 255.0);
    SetFrameStyle(FrameStyle::None);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

int NotificationStrip::DesktopRight() const {
    const QRect d = Desktop();
    return d.x() + d.width();
}

int NotificationStrip::DesktopBottom() const {
    const QRect d = Desktop();
    return d.y() + d.height();
}

int NotificationStrip::TargetLeft() const {
    const QRect a = AvailableDesktop();
    return std::min(DesktopRight(), a.x() + a.width()) - width() - 2;
}

int NotificationStrip::RestTop() const {
    const QRect a = AvailableDesktop();
    return std::min(DesktopBottom() - height() - 34, a.y() + a.height() - height() - 4);
}

void NotificationStrip::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    UpdateKeyMask();
}

void NotificationStrip::UpdateKeyMask() {
    const QImage image = grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb key = kColorKey.rgb();
    bool anyKey = false;
    for (int y = 0; y < image.height() && !anyKey; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width() && !anyKey; ++x) anyKey = line[x] == key;
    }
    if (!anyKey) {
        clearMask();
        return;
    }
    setMask(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskOutColor)));
}

}  // namespace kalvo::ui
