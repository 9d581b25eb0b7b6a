#include "ui/about/about.h"

#include "kalvo_version.h"
#ifdef _WIN32
#include "platform/win32/version_resource.h"
#endif
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {

QString TAboutBox::VersionText() {
#ifdef _WIN32
    // On Windows the executable's version resource is the one truth, the same that Explorer shows.
    if (const std::string resource = ExecutableVersionText(); !resource.empty())
        return QString::fromStdString(resource).trimmed();
#endif
    const QString v = QStringLiteral(KALVO_VERSION_TEXT).trimmed();
    return v.isEmpty() ? QStringLiteral("unknown") : v;
}

TAboutBox::TAboutBox(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("O programe"));
    setFixedSize(360, 220);
    FillWith(this, kLightFace);

    AddTitle(this, QRect(2, 2, 356, 16), QStringLiteral("O programe"), QRect(6, 2, 200, 16));
    BuildHeading();
    BuildLinksAndClose();
    CentreOnScreen();
}

void TAboutBox::BuildHeading() {
    auto* icon = new QLabel(this);
    icon->setGeometry(20, 34, 64, 64);
    icon->setPixmap(Art(QStringLiteral("kalvo"), QSize(64, 64)));

    ProductName = new QLabel(QStringLiteral("Kalvo"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(100, 32, 240, 32);
    QFont big = Bold(font());
    big.setPixelSize(26);
    ProductName->setFont(big);
    ProductName->setStyleSheet(TextColour(kTitleText));

    auto* summary = new QLabel(QStringLiteral("Pripomienky, meniny a narodeniny"), this);
    summary->setGeometry(100, 64, 240, 16);

    Version = new QLabel(QStringLiteral("Verzia %1").arg(VersionText()), this);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(100, 82, 250, 16);
    Version->setStyleSheet(TextColour(kValueBlue));
    Version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* line = new QFrame(this);
    line->setGeometry(20, 110, 320, 1);
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(TextColour(kRuleGrey));
}

void TAboutBox::BuildLinksAndClose() {
    const QString home = QStringLiteral(KALVO_HOMEPAGE_URL);
    const QString mail = QStringLiteral(KALVO_CONTACT_EMAIL);
    const QString issues = QStringLiteral(KALVO_ISSUES_URL);
    Links = new QLabel(this);
    Links->setObjectName(QStringLiteral("Links"));
    Links->setGeometry(20, 118, 320, 60);
    Links->setTextFormat(Qt::RichText);
    Links->setText(QStringLiteral("<table cellspacing='2'>"
                                  "<tr><td>Domovská stránka:</td><td><a href='%1'>%1</a></td></tr>"
                                  "<tr><td>Kontakt:</td><td><a href='mailto:%2'>%2</a></td></tr>"
                                  "<tr><td>Hlásenie chýb:</td><td><a href='%3'>%3</a></td></tr>"
                                  "</table>")
                       .arg(home.toHtmlEscaped(), mail.toHtmlEscaped(), issues.toHtmlEscaped()));
    Links->setOpenExternalLinks(true);
    Links->setTextInteractionFlags(Qt::TextBrowserInteraction);

    BtClose = PanelButton(QStringLiteral("Zatvoriť"), QStringLiteral("BtClose"), QRect(240, 188, 100, 22), this,
                          kPanelRest, kPanelHover, kPanelRest);
    connect(BtClose, &ShapeButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(this, &BorderlessWindow::FreeAreaHovered, BtClose, &ShapeButton::Rest);
}

void TAboutBox::ShowModal() {
    BtClose->Rest();
    CentreOnScreen();
    setModal(true);
    exec();
}

}  // namespace kalvo::ui
