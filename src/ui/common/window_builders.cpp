#include "ui/common/window_builders.h"

#include <QLabel>
#include <QSize>
#include <QToolButton>

#include "ui/common/dialog_parts.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape.h"

namespace kalvo::ui {

QLabel* TextLabel(const QString& text, const QRect& at, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(at);
    return label;
}

QLabel* Caption(const QString& text, const QRect& at, QWidget* parent) {
    QLabel* label = TextLabel(text, at, parent);
    label->setFont(Bold(label->font()));
    return label;
}

void NameByCaption(QLabel* caption, QWidget* field, const QString& name) {
    caption->setBuddy(field);
    field->setAccessibleName(name.isEmpty() ? caption->text() : name);
}

void FrameModalForm(BorderlessWindow* form, const QString& name, const QString& title, QSize size) {
    form->setObjectName(name);
    form->setWindowTitle(title);
    form->setFixedSize(size);
    form->setModal(true);
    form->SetFrameStyle(FrameStyle::Thick);
    UseDialogFace(form);
    AddTitle(form, QRect(4, 4, size.width() - 8, 16), title, QRect(8, 4, 200, 16));
}

Shape* AddHeaderBand(BorderlessWindow* window, int width) {
    auto* band = new Shape(kGreyBar, window);
    band->setGeometry(2, 16, width, 20);
    window->AddDragHandle(band);
    auto* line = new Shape(kOrange, window);
    line->setGeometry(2, 33, width, 1);
    window->AddDragHandle(line);
    return band;
}

void FillWith(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

QWidget* ColourBand(const QColor& colour, const QRect& at, QWidget* parent) {
    auto* band = new QWidget(parent);
    band->setGeometry(at);
    FillWith(band, colour);
    return band;
}

void SetInputFace(QWidget* w, bool focused) {
    QPalette pal = w->palette();
    const QColor colour = focused ? kInputFocused : kInputFace;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, colour);
        pal.setColor(group, QPalette::Button, colour);
    }
    w->setPalette(pal);
}

QToolButton* GreyButton(const QString& text, const QString& hint, QWidget* parent, const QRect& at) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setGeometry(at);
    b->setFocusPolicy(Qt::TabFocus);  // in reach of Tab, as every command of a form
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(
        QStringLiteral(
            "QToolButton { color: %1; font-weight: bold; font-size: 10px; background: %2; border: 1px solid %3;"
            " border-radius: 4px; }"
            "QToolButton:hover, QToolButton:focus { color: %4; border-color: %4; }"
            "QToolButton:pressed { color: white; border-color: white; background: %5; }"
            "QToolButton:disabled { color: %6; }")
            .arg(kLightFace.name(), kGreyBar.name(), kPanel.name(), kOrange.name(), kPressedGrey.name(),
                 kDisabledText.name()));
    return b;
}

QToolButton* BarButton(const QString& text, const QString& hint, QWidget* parent, int x, int y) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setGeometry(x, y, 60, 22);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral(
            "QToolButton { color: %1; font-weight: bold; border: 1px solid transparent; background: transparent; }"
            "QToolButton:hover, QToolButton:focus { border: 1px solid %2; background: %3; }"
            "QToolButton:pressed { background: %4; }"
            "QToolButton:disabled { color: %5; }")
            .arg(kLightFace.name(), kPanel.name(), QColor(145, 145, 145).name(), kPressedGrey.name(),
                 kDisabledText.name()));
    return button;
}

ShapeButton* PanelButton(const QString& text, const QString& name, const QRect& at, QWidget* parent,
                         const ButtonLook& rest, const ButtonLook& hover, const ButtonLook& pressed) {
    auto* button = new ShapeButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(at);
    button->SetFill(kGreyBar);
    button->SetBold(true);
    button->SetLooks(rest, hover, pressed);
    return button;
}

CommandBar AddCommandBar(QWidget* parent, const QPoint& editAt, TabWalk order) {
    constexpr int kStep = 61;
    CommandBar bar{};
    const auto edit = [&] {
        bar.edit = BarButton(QStringLiteral("Upraviť"), QStringLiteral("Editácia pripomienky"), parent, editAt.x(),
                             editAt.y());
        bar.edit->setObjectName(QStringLiteral("BtEdit"));
    };
    const auto del = [&] {
        bar.del = BarButton(QStringLiteral("Vymazať"), QStringLiteral("Vymaže označenú pripomienku"), parent,
                            editAt.x() + kStep, editAt.y());
        bar.del->setObjectName(QStringLiteral("BtDel"));
    };
    const auto add = [&] {
        bar.add = BarButton(QStringLiteral("Pridať"), QStringLiteral("Pridá novú pripomienku"), parent,
                            editAt.x() + 2 * kStep, editAt.y());
        bar.add->setObjectName(QStringLiteral("SpeedButton4"));
    };
    if (order == TabWalk::LeftToRight) {
        edit();
        del();
        add();
    } else {
        add();
        del();
        edit();
    }
    bar.edit->setEnabled(false);
    bar.del->setEnabled(false);
    return bar;
}

}  // namespace kalvo::ui
