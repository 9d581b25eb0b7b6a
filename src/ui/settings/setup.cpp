#include "ui/settings/setup.h"
#include "ui/settings/setup_page.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "core/cp1250.h"
#include "storage/extra_settings_file.h"
#include "storage/file_io.h"
#include "storage/settings_file.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"
#include "ui/widgets/shape.h"

namespace kalvo::ui {
namespace {

constexpr const char* kCaption = "Kalvo";
const QString kIntervalCaption = QStringLiteral("Interval časového znamenia");
const QString kAtTimeCaption = QStringLiteral("Oznamovať len o");
const QString kPlayCaption = QStringLiteral("Vypočuť");
const char* const kPictureFilter =
    "Všetky obrázky (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf";
const char* const kPictureExtension = "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf";

QDate ToQDate(DayNumber day) {
    const CivilDate c = DayToCivil(day);
    return QDate(static_cast<int>(c.year), c.month, c.day);
}

DayNumber FromQDate(const QDate& d) { return ClampDay(CivilToDay(d.year(), d.month(), d.day())); }

QTime ToQTime(double fraction) {
    const TimeParts t = SplitTime(fraction);
    return QTime(t.hour, t.minute, t.second);
}

void StylePageButton(QPushButton* b, const QColor& text) {
    b->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; color: %1; "
                                    "font-weight: bold; padding: 0 6px; outline: none; }"
                                    "QPushButton:hover, QPushButton:focus { text-decoration: underline; }")
                         .arg(text.name()));
}

// The whole text is selected once the field has taken the click that focused it.
void SelectAllSoon(QLineEdit* edit) {
    QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
}

}  // namespace

TFormSetup::TFormSetup(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFormSetup"));
    setWindowTitle(QStringLiteral("Nastavenia"));
    setFixedSize(513, 256 + kPageGrowth);
    SetFrameStyle(FrameStyle::Raised);
    FillWith(this, kPaleFace);

    AddTitle(this, QRect(1, 1, 509, 16), QStringLiteral("Nastavenia programu"), QRect(6, 1, 300, 16));
    BuildPages();
    BuildStatus();
    BuildFoot();
    BuildMenus();
    ConnectPages();

    ShowPage(FrVseob1);
    FrPC1CBDownPCClick();
    FrVseob1->CheckBox1->setFocus();  // the window opens on the page, not on the pages' names
    CentreOnScreen();
}

void TFormSetup::BuildPages() {
    QWidget* band = ColourBand(kGreyBar, QRect(1, 17, 510, 26), this);
    AddDragHandle(band);
    auto pageButton = [&](const char* name, const QString& text, int x, int w) {
        auto* b = new QPushButton(text, band);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 2, w, 22);
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::TabFocus);  // Tab walks the pages' names first
        return b;
    };
    BtVseob = pageButton("BtVseob", QStringLiteral("Všeobecné"), 6, 100);
    BtSound = pageButton("BtSound", QStringLiteral("Zvuky"), 108, 80);
    BtPicture = pageButton("BtPicture", QStringLiteral("Obrázky"), 190, 86);
    BtPC = pageButton("BtPC", QStringLiteral("Vypnutie PC"), 278, 110);
#ifdef KALVO_HAVE_SYNC
    BtSync = pageButton("BtSync", QStringLiteral("Synchronizácia"), 390, 116);
    connect(BtSync, &QPushButton::clicked, this, &TFormSetup::BtSyncClick);
#endif
    connect(BtVseob, &QPushButton::clicked, this, &TFormSetup::BtVseobClick);
    connect(BtSound, &QPushButton::clicked, this, &TFormSetup::BtSoundClick);
    connect(BtPicture, &QPushButton::clicked, this, &TFormSetup::BtPictureClick);
    connect(BtPC, &QPushButton::clicked, this, &TFormSetup::BtPCClick);

    FrVseob1 = new TFrVseob(this);
    FrSound1 = new TFrSound(this);
    FrPicture1 = new TFrPicture(this);
    FrPC1 = new TFrPC(this);
    std::vector<QFrame*> pages{FrVseob1, FrSound1, FrPicture1, FrPC1};
#ifdef KALVO_HAVE_SYNC
    FrSync1 = new TFrSync(ctx_, this);
    pages.push_back(FrSync1);
    connect(FrSync1, &TFrSync::AccountChanged, this, &TFormSetup::SyncAccountChanged);
#endif
    for (QFrame* f : pages) {
        f->move(1, 45);
        f->setMouseTracking(true);
    }
}

void TFormSetup::BuildStatus() {
    QWidget* status = ColourBand(QColor(225, 225, 230), QRect(1, 197 + kPageGrowth, 510, 26), this);
    auto* osCaption = new QLabel(QStringLiteral("Operačný systém:"), status);
    osCaption->setGeometry(10, 5, 110, 16);
    LIDsystem = new FittedLabel(status, FittedLabel::kShortenOnly);  // a system's name has any length
    LIDsystem->setObjectName(QStringLiteral("LIDsystem"));
    LIDsystem->setGeometry(122, 5, 290, 16);
    LIDsystem->setFont(Bold(font()));
    LIDsystem->setStyleSheet(TextColour(kValueBlue));
    BtReset = new QPushButton(QStringLiteral("Reset"), this);
    BtReset->setObjectName(QStringLiteral("BtReset"));
    BtReset->setGeometry(426, 199 + kPageGrowth, 80, 22);
}

void TFormSetup::BuildFoot() {
    auto* bottom = new QWidget(this);
    bottom->setGeometry(1, 225 + kPageGrowth, 510, 29);
    bottom->setMouseTracking(true);
    auto shapeButton = [&](const char* name, const QString& text, int x) {
        ShapeButton* b = PanelButton(text, QString::fromLatin1(name), QRect(x, 229 + kPageGrowth, 100, 22), this,
                                     kPanelRest, kPanelHover, kPanelRest);
        connect(this, &BorderlessWindow::FreeAreaHovered, b, &ShapeButton::Rest);
        return b;
    };
    Label10 = shapeButton("Label10", QStringLiteral("Zatvoriť"), 298);
    Label11 = shapeButton("Label11", QStringLiteral("Použiť"), 404);
    connect(Label10, &ShapeButton::hovered, Label11, &ShapeButton::Rest);
    connect(Label11, &ShapeButton::hovered, Label10, &ShapeButton::Rest);
    connect(Label10, &ShapeButton::clicked, this, &TFormSetup::Label10Click);
    connect(Label11, &ShapeButton::clicked, this, &TFormSetup::Label11Click);
    SetDefaultAction([this] { Label11Click(); });
}

void TFormSetup::BuildMenus() {
    menuStyle_ = std::make_unique<OwnDrawMenuStyle>(40);
    PopReset = new QMenu(this);
    PopReset->setObjectName(QStringLiteral("PopReset"));
    PopReset->setStyle(menuStyle_.get());
    Zvukpripomienky1 = PopReset->addAction(QStringLiteral("Zvuk pripomienky"));
    Casoveznamenie1 = PopReset->addAction(QStringLiteral("Časové znamenie"));
    connect(Zvukpripomienky1, &QAction::triggered, this, &TFormSetup::Zvukpripomienky1Click);
    connect(Casoveznamenie1, &QAction::triggered, this, &TFormSetup::TimePopClick);
    connect(BtReset, &QPushButton::clicked, this, &TFormSetup::BtResetClick);

    PopTime = new QMenu(this);
    PopTime->setObjectName(QStringLiteral("PopTime"));
    PopTime->setStyle(menuStyle_.get());
    N12hodnina1 = PopTime->addAction(QStringLiteral("1/2 hodnina"));
    Hodina1 = PopTime->addAction(QStringLiteral("1 hodina"));
    N2hodiny1 = PopTime->addAction(QStringLiteral("2 hodiny"));
    Poludnie1 = PopTime->addAction(QStringLiteral("Poludnie"));
    PopTime->addSeparator();
    Vlastnas1 = PopTime->addAction(QStringLiteral("Iný čas"));
    connect(N12hodnina1, &QAction::triggered, this, &TFormSetup::N12hodnina1Click);
    connect(Hodina1, &QAction::triggered, this, &TFormSetup::Hodina1Click);
    connect(N2hodiny1, &QAction::triggered, this, &TFormSetup::N2hodiny1Click);
    connect(Poludnie1, &QAction::triggered, this, &TFormSetup::Poludnie1Click);
    connect(Vlastnas1, &QAction::triggered, this, &TFormSetup::Vlastnas1Click);
}

void TFormSetup::ConnectPages() {
    TFrVseob* v = FrVseob1;
    connect(v->CheckBox1, &QCheckBox::toggled, this, &TFormSetup::CheckBox1Click);
    connect(v->BtSetupTime, &QPushButton::clicked, this, &TFormSetup::BtSetupTimeClick);
    ClipToRect(2, 2, v->CasZnamenie->width() - 2, v->CasZnamenie->height() - 2, v->CasZnamenie);
    connect(FrSound1->DtFind, &QPushButton::clicked, this, &TFormSetup::DtFindClick);
    connect(FrSound1->BtPlay, &QPushButton::clicked, this, &TFormSetup::BtPlayClick);
    connect(FrPicture1->Button1, &QPushButton::clicked, this, &TFormSetup::FrPicture1Button1Click);
    connect(FrPicture1->Button2, &QPushButton::clicked, this, &TFormSetup::FrPicture1Button2Click);
    connect(FrPC1->CBDownPC, &QCheckBox::toggled, this, &TFormSetup::FrPC1CBDownPCClick);
    for (QLineEdit* e : {FrSound1->EPath, FrPicture1->KalvoPicture, FrPicture1->PripPicture})
        e->installEventFilter(this);
}

TFormSetup::~TFormSetup() = default;

void TFormSetup::ShowModal() {
    Label10->Rest();
    Label11->Rest();
    CentreOnScreen();
    setModal(true);
    exec();
}

void TFormSetup::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    FormShow();
}

QString TFormSetup::MelodyShown() const {
    if (ctx_.Settings.StandardMelody != kDefaultMelody) return Q(ctx_.Settings.StandardMelody);
    const std::filesystem::path shipped = ctx_.platform.FindAsset("sound.wav");
    return PathText(shipped.empty() ? ctx_.files.folder / "sound.wav" : shipped);
}

void TFormSetup::FormShow() {
    const TSettings& s = ctx_.Settings;
    TFrVseob* v = FrVseob1;
    const LocalMoment now = ctx_.clock.Now();
    BtVseobClick();
    v->CasZnamenie->setTime(QTime(now.hour, 0, 0));
    PendingMelody = s.StandardMelody;
    PendingMainPicture = s.MainPicture;
    PendingStandardPicture = s.StandardPicture;
    PendingInterval = s.TimeSignalInterval;
    FrPicture1->KalvoPicture->setText(Q(s.MainPicture));
    FrPicture1->PripPicture->setText(s.StandardPicture.empty() ? Q(std::string(kStandardPictureCaption))
                                                               : Q(s.StandardPicture));
    v->CBNarForm->setChecked(s.SlideNameWindow != 0);
    v->CBAnim->setChecked(s.AnimateWindows != 0);
    v->CBLateness->setChecked(s.LatenessLimitOn != 0);
    v->LatenessHours->setValue(s.LatenessLimitHours);
    v->LatenessHours->setEnabled(s.LatenessLimitOn != 0);
    FrSound1->EPath->setText(MelodyShown());

    v->Label3->setText(kIntervalCaption);
    v->CheckBox1->setChecked(s.TimeSignalInterval != tsOff);
    v->BtSetupTime->setEnabled(v->CheckBox1->isChecked());
    v->CasZnamenie->hide();
    v->LInterval->clear();
    switch (s.TimeSignalInterval) {
        case tsHalfHour:
            v->LInterval->setText(N12hodnina1->text());
            break;
        case tsHourly:
            v->LInterval->setText(Hodina1->text());
            break;
        case tsTwoHours:
            v->LInterval->setText(N2hodiny1->text());
            break;
        case tsNoon:
            v->LInterval->setText(Poludnie1->text());
            break;
        case tsAtTime:
            v->CasZnamenie->setTime(ToQTime(s.TimeSignalAt));
            v->CasZnamenie->show();
            v->CasZnamenie->raise();
            v->Label3->setText(kAtTimeCaption);
            break;
        default:
            break;
    }
    v->CBOldMemo->setChecked(s.DeleteOldReminders == 1);

    FrPC1CBDownPCClick();
    if (!FrPC1->CBDownPC->isChecked()) {
        // The next full hour; late in the evening that is midnight at the start of tomorrow.
        DayNumber day = now.day;
        int hour = now.hour + 1;
        if (hour == 24) {
            hour = 0;
            ++day;
        }
        FrPC1->DateDownPC->setDate(ToQDate(day));
        FrPC1->TimeDownPC->setTime(QTime(hour, 0, 0));
    }
    const std::string os = ctx_.platform.OperatingSystemName();
    LIDsystem->setText(os.empty() ? QStringLiteral("Neznámy OS") : Q(os));
    v->AutoStart->setChecked(ctx_.platform.AutostartIsOn());
    FrPC1->CBDownPC->setChecked(s.ShutdownEnabled != 0);
    v->CBOslava->setChecked(s.MoveToNextYear != 0);
    v->LTimeClose->setText(QString::number(std::min(s.OverviewSeconds, kMaxOverviewSeconds)));
#ifdef KALVO_HAVE_SYNC
    FrSync1->FormShow();
#endif
}

void TFormSetup::ShowLastSync() {
#ifdef KALVO_HAVE_SYNC
    FrSync1->ShowLastSync();
#endif
}

void TFormSetup::ShowPage(QFrame* page) {
    std::vector<std::pair<QPushButton*, QFrame*>> pages{
        {BtVseob, FrVseob1}, {BtSound, FrSound1}, {BtPicture, FrPicture1}, {BtPC, FrPC1}};
#ifdef KALVO_HAVE_SYNC
    pages.emplace_back(BtSync, FrSync1);
#endif
    for (const auto& [button, frame] : pages) {
        frame->setVisible(frame == page);
        StylePageButton(button, frame == page ? kPaleYellow : kLightFace);
    }
}

void TFormSetup::BtVseobClick() { ShowPage(FrVseob1); }
void TFormSetup::BtSoundClick() { ShowPage(FrSound1); }
void TFormSetup::BtPictureClick() { ShowPage(FrPicture1); }
void TFormSetup::BtPCClick() { ShowPage(FrPC1); }
void TFormSetup::BtSyncClick() {
#ifdef KALVO_HAVE_SYNC
    ShowPage(FrSync1);
#endif
}

void TFormSetup::CheckBox1Click() {
    TFrVseob* v = FrVseob1;
    if (v->CheckBox1->isChecked()) {
        v->BtSetupTime->setEnabled(true);
        return;
    }
    v->BtSetupTime->setEnabled(false);
    v->LInterval->clear();
    v->CasZnamenie->hide();
    v->Label3->setText(kIntervalCaption);
    // Switching the signal off counts at once, even without "Použiť".
    ctx_.Settings.TimeSignalInterval = tsOff;
    ctx_.Settings.TimeSignalAt = -1.0;
    PendingInterval = tsOff;
}

QPoint TFormSetup::PopTimePoint() const {
    // The button's place within its page, as the menu has always opened.
    const QPushButton* b = FrVseob1->BtSetupTime;
    return QPoint(x() + b->x() + b->width() - 10, y() + b->y());
}

QPoint TFormSetup::PopResetPoint() const {
    return QPoint(x() + BtReset->x() + BtReset->width() - 10, y() + BtReset->y());
}

void TFormSetup::BtSetupTimeClick() { PopTime->popup(PopTimePoint()); }

void TFormSetup::ChooseInterval(std::int32_t code, const QString& caption) {
    TFrVseob* v = FrVseob1;
    v->Label3->setText(kIntervalCaption);
    v->CasZnamenie->hide();
    v->LInterval->setText(caption);
    PendingInterval = code;
}

void TFormSetup::N12hodnina1Click() { ChooseInterval(tsHalfHour, N12hodnina1->text()); }
void TFormSetup::Hodina1Click() { ChooseInterval(tsHourly, Hodina1->text()); }
void TFormSetup::N2hodiny1Click() { ChooseInterval(tsTwoHours, N2hodiny1->text()); }
void TFormSetup::Poludnie1Click() { ChooseInterval(tsNoon, Poludnie1->text()); }

void TFormSetup::Vlastnas1Click() {
    TFrVseob* v = FrVseob1;
    v->CasZnamenie->show();
    v->CasZnamenie->raise();
    v->Label3->setText(kAtTimeCaption);
    PendingInterval = tsAtTime;
}

void TFormSetup::BtResetClick() { PopReset->popup(PopResetPoint()); }

void TFormSetup::Zvukpripomienky1Click() {
    ctx_.Settings.StandardMelody = std::string(kDefaultMelody);
    FormShow();
}

void TFormSetup::TimePopClick() {
    QCheckBox* box = FrVseob1->CheckBox1;
    if (box->isChecked()) box->setChecked(false);  // toggling runs CheckBox1Click
    else CheckBox1Click();
}

bool TFormSetup::StorablePath(const std::string& path) {
    Cp1250Error error;
    if (EncodeCp1250(path, &error)) return true;
    std::string character;
    AppendUtf8(character, error.character);
    ctx_.dialogs.ShowError(kCaption, "Cestu\n" + path + "\nnie je možné uložiť do nastavení: obsahuje znak „" +
                                         character +
                                         "“, ktorý súbor nastavení nevie zapísať.\n\nPremenujte súbor alebo "
                                         "priečinok, prípadne zvoľte iný súbor.");
    return false;
}

void TFormSetup::ChooseInto(const char* title, const char* filter, const char* extension, QLineEdit* shown,
                            std::string& pending) {
    FileDialogOptions o;
    o.title = title;
    o.filter = filter;
    o.filterIndex = 1;
    o.defaultExtension = extension;
    o.initialFolder = storage::Utf8FromPath(ctx_.files.folder);
    const auto chosen = ctx_.dialogs.ChooseOpenFile(o);
    if (!chosen || !StorablePath(*chosen)) return;
    shown->setText(Q(*chosen));
    pending = *chosen;
}

void TFormSetup::DtFindClick() {
    ChooseInto("Vyberte súbor z melódiou ...", "Zvukové súbory (*.wav)|*.wav", "*.wav", FrSound1->EPath, PendingMelody);
}

void TFormSetup::BtPlayClick() {
    QPushButton* play = FrSound1->BtPlay;
    play->setText(QStringLiteral("Prehrávam ..."));
    play->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const std::filesystem::path melody =
        PendingMelody == kDefaultMelody ? std::filesystem::path("sound.wav") : storage::PathFromUtf8(PendingMelody);
    if (!ctx_.platform.PlaySound(melody, SoundMode::ToEnd)) ctx_.platform.DefaultBeep();
    play->setText(kPlayCaption);
}

void TFormSetup::FrPicture1Button1Click() {
    ChooseInto("Vyberte obrázok Kalvo ...", kPictureFilter, kPictureExtension, FrPicture1->KalvoPicture,
               PendingMainPicture);
}

void TFormSetup::FrPicture1Button2Click() {
    ChooseInto("Vyberte obrázok pripomienky ...", kPictureFilter, kPictureExtension, FrPicture1->PripPicture,
               PendingStandardPicture);
}

void TFormSetup::FrPicture1PripPictureEnter() {
    QLineEdit* edit = FrPicture1->PripPicture;
    if (edit->text() == Q(std::string(kStandardPictureCaption))) edit->clear();
    else SelectAllSoon(edit);
}

void TFormSetup::FrPicture1PripPictureExit() {
    if (leavingPripPicture_) return;  // the refusal's message box takes the focus away again
    leavingPripPicture_ = true;
    QLineEdit* edit = FrPicture1->PripPicture;
    if (edit->text().isEmpty()) edit->setText(Q(std::string(kStandardPictureCaption)));
    const std::string typed = S(edit->text());
    if (StorablePath(typed)) {
        PendingStandardPicture = typed;
    } else {
        edit->setText(PendingStandardPicture.empty() ? Q(std::string(kStandardPictureCaption))
                                                     : Q(PendingStandardPicture));
    }
    leavingPripPicture_ = false;
}

void TFormSetup::FrPC1CBDownPCClick() {
    const bool on = FrPC1->CBDownPC->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(FrPC1->LabelDay), static_cast<QWidget*>(FrPC1->LabelTime),
                       static_cast<QWidget*>(FrPC1->DateDownPC), static_cast<QWidget*>(FrPC1->TimeDownPC)})
        w->setEnabled(on);
}

bool TFormSetup::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return BorderlessWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        if (edit == FrPicture1->PripPicture) FrPicture1PripPictureEnter();
        else SelectAllSoon(edit);
    } else if (edit == FrPicture1->PripPicture && event->type() == QEvent::FocusOut) {
        FrPicture1PripPictureExit();
    }
    return BorderlessWindow::eventFilter(watched, event);
}

void TFormSetup::Label10Click() {
    PendingMelody = ctx_.Settings.StandardMelody;
    // An order ticked but never applied is dropped.
    if (ctx_.Settings.ShutdownEnabled == 0) FrPC1->CBDownPC->setChecked(false);
    done(QDialog::Rejected);
}

void TFormSetup::Label11Click() {
#ifdef KALVO_HAVE_SYNC
    // An account that cannot be stored keeps the dialog open on its page, which says why.
    if (!FrSync1->Apply()) {
        ShowPage(FrSync1);
        return;
    }
#endif
    // A path typed into the picture field counts even when the field still has the focus.
    if (FrPicture1->PripPicture->hasFocus()) FrPicture1PripPictureExit();

    TSettings& s = ctx_.Settings;
    TFrVseob* v = FrVseob1;
    s.StandardMelody = PendingMelody;
    if (storage::FileExists(storage::PathFromUtf8(PendingMainPicture))) {
        emit MainPictureChanged(Q(PendingMainPicture));
        s.MainPicture = PendingMainPicture;
    }
    s.StandardPicture = storage::FileExists(storage::PathFromUtf8(PendingStandardPicture))
                            ? PendingStandardPicture
                            : std::string(kStandardPictureCaption);
    s.SlideNameWindow = v->CBNarForm->isChecked() ? 1 : 0;
    s.AnimateWindows = v->CBAnim->isChecked() ? 1 : 0;
    s.DeleteOldReminders = v->CBOldMemo->isChecked() ? 1 : 0;
    s.MoveToNextYear = v->CBOslava->isChecked() ? 1 : 0;
    s.LatenessLimitOn = v->CBLateness->isChecked() ? 1 : 0;
    s.LatenessLimitHours = v->LatenessHours->value();

    bool number = false;
    const int seconds = v->LTimeClose->text().trimmed().toInt(&number, 10);
    s.OverviewSeconds = !number ? 20 : std::clamp(seconds, 0, kMaxOverviewSeconds);

    s.TimeSignalInterval = PendingInterval;
    if (PendingInterval == tsAtTime) {
        const QTime at = v->CasZnamenie->time();
        s.TimeSignalAt = TimeFraction(at.hour(), at.minute(), at.second());
    } else {
        s.TimeSignalAt = -1.0;
    }

    if (v->AutoStart->isChecked()) ctx_.platform.EnableAutostart();
    else ctx_.platform.DisableAutostart();

    const bool shutDown = FrPC1->CBDownPC->isChecked();
    s.ShutdownEnabled = shutDown ? 1 : 0;
    emit AutoCloseAlarmsChanged(shutDown);

    done(QDialog::Accepted);
    const std::filesystem::path file = ctx_.SetupFile();
    if (const storage::WriteResult saved = storage::SaveSetup(file, s); !saved) {
        const std::string reason =
            saved.errorCode == 0 ? "obsahujú znak, ktorý sa nedá zapísať" : storage::DescribeError(saved.errorCode);
        ctx_.dialogs.ShowError(kCaption, "Nastavenia sa nepodarilo uložiť do súboru\n" + storage::Utf8FromPath(file) +
                                             "\n(" + reason + ").\n\nZmeny platia, kým program beží.");
    }
    const std::filesystem::path extra = ctx_.files.ExtraSetupFile();
    if (const storage::WriteResult saved = storage::SaveExtraSetup(extra, s); !saved) {
        ctx_.dialogs.ShowError(kCaption, "Nastavenia sa nepodarilo uložiť do súboru\n" + storage::Utf8FromPath(extra) +
                                             "\n(" + storage::DescribeError(saved.errorCode) +
                                             ").\n\nZmeny platia, kým program beží.");
    }
}

scheduler::ShutdownOrder TFormSetup::ShutdownOrder() const {
    scheduler::ShutdownOrder order;
    order.ordered = FrPC1->CBDownPC->isChecked();
    order.day = FromQDate(FrPC1->DateDownPC->date());
    const QTime t = FrPC1->TimeDownPC->time();
    order.hour = t.hour();
    order.minute = t.minute();
    order.second = t.second();
    return order;
}

void TFormSetup::EndShutdownOrder() {
    FrPC1->CBDownPC->setChecked(false);
    // The order is over, so a later showing must not tick it again, and alarms wait for the user again.
    ctx_.Settings.ShutdownEnabled = 0;
    emit AutoCloseAlarmsChanged(false);
}

void TFormSetup::ShowDeleteOldSetting() { FrVseob1->CBOldMemo->setChecked(ctx_.Settings.DeleteOldReminders != 0); }

}  // namespace kalvo::ui
