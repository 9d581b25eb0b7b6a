#include "ui/import/addnew.h"

#include <QPainter>

#include "core/reminder_text.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_builders.h"
#include "ui/widgets/shape.h"

namespace kalvo::ui {
namespace {

constexpr int kStripLeft = 384, kStripTop = 38, kStripWidth = 24, kStripHeight = 150;

// A path or a long text that does not fit shows its beginning and end; the whole of it stays in
// text() and in the tool tip.
class PathLabel : public QLabel {
public:
    explicit PathLabel(QWidget* parent) : QLabel(parent) { setProperty("elides", true); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, width());
        p.drawText(rect(), static_cast<int>(alignment()), shown);
    }
};

// The strip at the right edge, from grey towards white.
GradientStrip FadingStrip() {
    GradientStrip strip;
    strip.step = 5;
    strip.start = kGreyBar;
    strip.width = kStripWidth;
    strip.height = kStripHeight;
    return strip;
}

}  // namespace

TFAddNew::TFAddNew(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent, Qt::WindowStaysOnTopHint), ctx_(ctx) {
    setObjectName(QStringLiteral("TFAddNew"));
    // The title names the question in the task bar and to a screen reader.
    setWindowTitle(QStringLiteral("Import pripomienok"));
    setFixedSize(412, 225);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightFace);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kBevelGrey);
    setPalette(pal);
    setAutoFillBackground(true);

    AddTitle(this, QRect(2, 2, 408, 16), QStringLiteral("Pridať pripomienku do zoznamu?"), QRect(6, 2, 300, 16));
    BuildHeader();
    BuildDetails();
    BuildFoot();
    CentreOnScreen();
}

void TFAddNew::BuildHeader() {
    const QFont bold = Bold(font());
    Label9 = AddStripLink(this, QStringLiteral("Zatvoriť"), QRect(320, 2, 84, 16), bold);
    Label9->setObjectName(QStringLiteral("Label9"));
    connect(Label9, &ShapeButton::clicked, this, &TFAddNew::Label9Click);

    QWidget* band = ColourBand(kGreyBar, QRect(2, 18, 408, 18), this);
    AddDragHandle(band);
    LKrok = new QLabel(band);
    LKrok->setObjectName(QStringLiteral("LKrok"));
    LKrok->setGeometry(10, 1, 300, 16);
    LKrok->setFont(bold);
    LKrok->setStyleSheet(TextColour(kPaleYellow));
    AddDragHandle(LKrok);
}

void TFAddNew::BuildDetails() {
    Caption(QStringLiteral("Dátum/Čas"), QRect(12, 44, 104, 16), this);
    LDateTime = new QLabel(this);
    LDateTime->setObjectName(QStringLiteral("LDateTime"));
    LDateTime->setGeometry(120, 44, 258, 16);
    LDateTime->setStyleSheet(TextColour(kValueBlue));
    LDateTime->setFont(Bold(font()));

    Caption(QStringLiteral("Text"), QRect(12, 64, 104, 16), this);
    LText = new FittedLabel(this, FittedLabel::kShortenOnly);  // two lines, then "…"
    LText->setObjectName(QStringLiteral("LText"));
    LText->setGeometry(120, 64, 258, 30);
    LText->setWordWrap(true);
    LText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Caption(QStringLiteral("Obrázok"), QRect(12, 98, 104, 16), this);
    LPicture = new PathLabel(this);
    LPicture->setObjectName(QStringLiteral("LPicture"));
    LPicture->setGeometry(120, 98, 258, 16);

    Caption(QStringLiteral("Melódia"), QRect(12, 116, 104, 16), this);
    LMelodia = new PathLabel(this);
    LMelodia->setObjectName(QStringLiteral("LMelodia"));
    LMelodia->setGeometry(120, 116, 258, 16);

    LabelNoticeFrom = Caption(QStringLiteral("Pripomínať od"), QRect(12, 140, 104, 16), this);
    LDateOdPerioda = new QLabel(this);
    LDateOdPerioda->setObjectName(QStringLiteral("LDateOdPerioda"));
    LDateOdPerioda->setGeometry(120, 140, 258, 16);

    LabelAlsoAt = Caption(QStringLiteral("Pripomenúť aj"), QRect(12, 158, 104, 16), this);
    LLastShow = new QLabel(this);
    LLastShow->setObjectName(QStringLiteral("LLastShow"));
    LLastShow->setGeometry(120, 158, 258, 16);
}

void TFAddNew::BuildFoot() {
    // The strip at the right edge fades from grey towards white; the bottom strip takes its last colour.
    {
        QPixmap canvas(kStripWidth, kStripHeight);
        QPainter p(&canvas);
        stripEnd_ = DrawGradientStrip(p, FadingStrip());
    }

    bottom_ = new QWidget(this);
    bottom_->setGeometry(2, 190, 408, 33);
    bottom_->setAutoFillBackground(true);
    QPalette end = bottom_->palette();
    end.setColor(QPalette::Window, stripEnd_);
    bottom_->setPalette(end);
    bottom_->setMouseTracking(true);

    AllAdd = new QCheckBox(QStringLiteral("Pridať všetky"), bottom_);
    AllAdd->setObjectName(QStringLiteral("AllAdd"));
    AllAdd->setGeometry(10, 6, 200, 20);
    AllAdd->setPalette(end);  // drawn over the strip, so it shows the strip's colour

    auto makeButton = [&](const QString& name, const QString& art, const QString& hint, int x) {
        auto* b = new QPushButton(bottom_);
        b->setObjectName(name);
        b->setGeometry(x, 3, 44, 27);
        b->setIcon(ArtIcon(art));
        b->setIconSize(QSize(20, 20));
        b->setToolTip(hint);
        b->setAccessibleName(hint);  // a picture alone names nothing to a screen reader
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    SpeedButton1 = makeButton(QStringLiteral("SpeedButton1"), QStringLiteral("accept"),
                              QStringLiteral("Zapísať pripomienku do zoznamu"), 306);
    SpeedButton3 =
        makeButton(QStringLiteral("SpeedButton3"), QStringLiteral("skip"), QStringLiteral("Zrušiť aktualizáciu"), 356);
    SpeedButton1->setDefault(true);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFAddNew::SpeedButton1Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TFAddNew::SpeedButton3Click);
}

void TFAddNew::Fill(const TReminder& r) {
    const ReminderDetails d = DescribeReminder(r, ctx_.locale);
    LKrok->setText(Q(d.kind));
    LDateTime->setText(Q(d.dateTime));
    LText->setText(Q(d.text));
    LText->setToolTip(Q(d.text));
    LPicture->setText(Q(d.picture));
    LPicture->setToolTip(Q(d.picture));
    LMelodia->setText(Q(d.melody));
    LMelodia->setToolTip(Q(d.melody));
    for (QLabel* l : {LabelNoticeFrom, LabelAlsoAt, LDateOdPerioda, LLastShow}) l->setEnabled(d.notice);
    LDateOdPerioda->setText(Q(d.noticeLine));
    LLastShow->setText(Q(d.extraAlarmLine));
}

void TFAddNew::ShowModal() {
    Label9->Rest();
    CentreOnScreen();
    setModal(true);
    exec();
}

void TFAddNew::SpeedButton1Click() {
    ImportAccepted = 1;
    done(QDialog::Accepted);
}

void TFAddNew::SpeedButton3Click() {
    ImportAccepted = 0;
    done(QDialog::Rejected);
}

// The previous answer stands.
void TFAddNew::Label9Click() { done(QDialog::Rejected); }

void TFAddNew::paintEvent(QPaintEvent* event) {
    BorderlessWindow::paintEvent(event);
    QPainter p(this);
    p.translate(kStripLeft, kStripTop);
    DrawGradientStrip(p, FadingStrip());
}

}  // namespace kalvo::ui
