#include "ui/editor/messageedit.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <cmath>

#include "core/due.h"
#include "core/same_reminder.h"
#include "ui/alarm/message_popup.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/day_convert.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {
namespace {

const QString kStandardPicture = QStringLiteral("Štandardný");
const QString kStandardMelody = QStringLiteral("Štandardná");
const QString kWeekly = QStringLiteral("týždenne");
constexpr int kRefusedNoteMs = 6000;

constexpr const char* kPictureFilter =
    "Všetky obrázky (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf";
constexpr const char* kPictureExtension = "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf";
constexpr const char* kSoundFilter = "Zvukové súbory (*.wav)|*.wav";
constexpr const char* kSoundExtension = "*.wav";

QTime WholeSeconds(const QTime& t) { return QTime(t.hour(), t.minute(), t.second()); }

}  // namespace

TEditMessage::TEditMessage(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    FrameModalForm(this, QStringLiteral("TEditMessage"), QStringLiteral("Pripomienka"), QSize(488, 290));
    BuildWhenAndText();
    BuildNotice();
    BuildFilesAndCommands();
    WatchInputs();
    ConnectHandlers();

    // Enter anywhere writes what the dialog shows and closes it, as its visible write button does.
    SetDefaultAction([this] {
        if (!SpeedButton2->isHidden()) SpeedButton2Click();
        else SpeedButton1Click();
    });

    const LocalMoment now = ctx_.clock.Now();
    Date->setDate(DateOfDay(now.day));
    DateOpak->setDate(DateOfDay(now.day));
    // Until the user sets one, the notices come at the hour the program started.
    CBLast->setTime(QTime(now.hour, now.minute, 0));
    CBClick();
}

void TEditMessage::BuildWhenAndText() {
    const TextLocale& loc = ctx_.locale;
    QLabel* dateCaption = Caption(QStringLiteral("Dátum"), QRect(12, 21, 84, 21), this);
    QLabel* timeCaption = Caption(QStringLiteral("Čas"), QRect(130, 21, 84, 21), this);
    Date = new QDateEdit(this);
    Date->setObjectName(QStringLiteral("Date"));
    Date->setGeometry(12, 40, 110, 22);
    Date->setCalendarPopup(true);
    Date->setDisplayFormat(Q(loc.shortDateFormat));
    Time = new QTimeEdit(this);
    Time->setObjectName(QStringLiteral("Time"));
    Time->setGeometry(130, 40, 90, 22);
    Time->setDisplayFormat(Q(loc.longTimeFormat));
    NameByCaption(dateCaption, Date);
    NameByCaption(timeCaption, Time);

    QLabel* textCaption = Caption(QStringLiteral("Text"), QRect(12, 61, 84, 21), this);
    EText = new Cp1250TextEdit(this);
    EText->setObjectName(QStringLiteral("EText"));
    EText->setGeometry(12, 80, 381, 70);
    NameByCaption(textCaption, EText);
    LRefused = new QLabel(this);
    LRefused->setObjectName(QStringLiteral("LRefused"));
    LRefused->setGeometry(12, 150, 381, 14);
    LRefused->setStyleSheet(TextColour(kDeepOrange));
    refusedTimer_ = new QTimer(this);
    refusedTimer_->setSingleShot(true);
    refusedTimer_->setInterval(kRefusedNoteMs);
    connect(refusedTimer_, &QTimer::timeout, LRefused, &QLabel::clear);
}

void TEditMessage::BuildNotice() {
    const TextLocale& loc = ctx_.locale;
    CB = new QCheckBox(QStringLiteral("Notifikácia pred zadaným termínom"), this);
    CB->setObjectName(QStringLiteral("CB"));
    CB->setGeometry(12, 164, 300, 20);
    CB->setFont(Bold(font()));

    LStart = TextLabel(QStringLiteral("Pripomínať od"), QRect(12, 185, 84, 21), this);
    DateOpak = new QDateEdit(this);
    DateOpak->setObjectName(QStringLiteral("DateOpak"));
    DateOpak->setGeometry(98, 185, 106, 22);
    DateOpak->setCalendarPopup(true);
    DateOpak->setDisplayFormat(Q(loc.shortDateFormat));
    NameByCaption(LStart, DateOpak);
    LPeriod = TextLabel(QStringLiteral("s periódou"), QRect(208, 185, 68, 21), this);
    CBPeriod = new QComboBox(this);
    CBPeriod->setObjectName(QStringLiteral("CBPeriod"));
    CBPeriod->setGeometry(278, 185, 115, 22);
    CBPeriod->setEditable(true);
    CBPeriod->setInsertPolicy(QComboBox::NoInsert);
    CBPeriod->addItems(
        {QStringLiteral("denne"), kWeekly, QStringLiteral("mesačne"), QStringLiteral("ročne"), QString()});
    CBPeriod->setCurrentIndex(0);
    NameByCaption(LPeriod, CBPeriod);

    LLast = TextLabel(QStringLiteral("Pripomenúť aj"), QRect(12, 209, 84, 21), this);
    CBLast = new QTimeEdit(this);
    CBLast->setObjectName(QStringLiteral("CBLast"));
    CBLast->setGeometry(98, 209, 106, 22);
    CBLast->setDisplayFormat(Q(loc.longTimeFormat));
    NameByCaption(LLast, CBLast);
    Label6 = TextLabel(QStringLiteral("s periódou :"), QRect(208, 209, 68, 21), this);
    Label7 = TextLabel(QStringLiteral("interval"), QRect(280, 209, 113, 21), this);
    CBDen = new QComboBox(this);
    CBDen->setObjectName(QStringLiteral("CBDen"));
    CBDen->setGeometry(278, 209, 115, 22);
    CBDen->setEditable(true);
    CBDen->setInsertPolicy(QComboBox::NoInsert);
    CBDen->addItems({QStringLiteral("Pondelok"), QStringLiteral("Utorok"), QStringLiteral("Stredu"),
                     QStringLiteral("Štvrtok"), QStringLiteral("Piatok"), QStringLiteral("Sobotu"),
                     QStringLiteral("Nedeľu")});
    CBDen->setCurrentIndex(-1);
    CBDen->setAccessibleName(QStringLiteral("Deň týždňa"));  // its caption changes with the day
    CBDen->hide();
}

void TEditMessage::BuildFilesAndCommands() {
    QLabel* pictureCaption = Caption(QStringLiteral("Obrázok"), QRect(12, 236, 84, 21), this);
    CBPicture = new QComboBox(this);
    CBPicture->setObjectName(QStringLiteral("CBPicture"));
    CBPicture->setGeometry(70, 236, 250, 22);
    CBPicture->addItem(kStandardPicture);
    NameByCaption(pictureCaption, CBPicture);
    SpeedButton4 = GreyButton(QStringLiteral("Hľadať ..."), QStringLiteral("Vybrať obrázok zo súboru"), this,
                              QRect(324, 237, 69, 20));
    QLabel* melodyCaption = Caption(QStringLiteral("Melódia"), QRect(12, 260, 84, 21), this);
    CBMelody = new QComboBox(this);
    CBMelody->setObjectName(QStringLiteral("CBMelody"));
    CBMelody->setGeometry(70, 260, 250, 22);
    CBMelody->addItem(kStandardMelody);
    NameByCaption(melodyCaption, CBMelody);
    SpeedButton5 = GreyButton(QStringLiteral("Hľadať ..."), QStringLiteral("Vybrať melódiu zo súboru"), this,
                              QRect(324, 261, 69, 20));

    auto* previewFrame = new QLabel(this);
    previewFrame->setGeometry(405, 80, 72, 78);
    previewFrame->setStyleSheet(
        QStringLiteral("background: %1; border: 1px solid %2;").arg(kPanel.name(), kFrameGrey.name()));
    ImageMsg = new QLabel(this);
    ImageMsg->setObjectName(QStringLiteral("ImageMsg"));
    ImageMsg->setGeometry(408, 83, 66, 72);
    ImageMsg->setScaledContents(true);
    ImageMsg->setPixmap(TMesgPopUp::StandardPicture());

    SpeedButton1 = GreyButton(QStringLiteral("Zapísať"), QStringLiteral("Zapísať pripomienku do zoznamu"), this,
                              QRect(398, 236, 84, 22));
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2 = GreyButton(QStringLiteral("Aktualizovať"), QStringLiteral("Aktualizuj vybratú položku"), this,
                              QRect(398, 236, 84, 22));
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->hide();
    SpeedButton3 =
        GreyButton(QStringLiteral("Zrušiť"), QStringLiteral("Zrušiť aktualizáciu"), this, QRect(398, 260, 84, 22));
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
}

void TEditMessage::WatchInputs() {
    // Every input in its resting colour, without the sunken border.
    struct Cut {
        QWidget* w;
        int n;
    };
    for (const Cut& c : {Cut{Date, 3}, Cut{DateOpak, 3}, Cut{CBPeriod, 3}, Cut{CBDen, 3}, Cut{CBPicture, 3},
                         Cut{CBMelody, 3}, Cut{Time, 2}, Cut{CBLast, 2}, Cut{EText, 2}}) {
        inputs_.push_back(c.w);
        SetInputFace(c.w, false);
        ClipToRect(2, c.n, c.w->width() - c.n, c.w->height() - c.n, c.w);
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w : inputs_) SetInputFace(w, now && (now == w || w->isAncestorOf(now)));
    });

    // What the reminder file cannot hold never gets into the text or the typed combo boxes.
    connect(EText, &Cp1250TextEdit::refused, this, &TEditMessage::ShowRefused);
    connect(EText, &Cp1250TextEdit::tooLong, this, [this](int limit) {
        refusedSoFar_.clear();
        LRefused->setText(TooLongNote(limit));
        refusedTimer_->start();
    });
    for (QComboBox* box : {CBPeriod, CBDen}) {
        auto* validator = new Cp1250Validator(box);
        connect(validator, &Cp1250Validator::refused, this, &TEditMessage::ShowRefused);
        box->setValidator(validator);
    }
}

void TEditMessage::ConnectHandlers() {
    connect(CB, &QCheckBox::clicked, this, &TEditMessage::CBClick);
    connect(CBPeriod, &QComboBox::currentTextChanged, this, &TEditMessage::CBPeriodChange);
    connect(CBDen, &QComboBox::currentTextChanged, this, &TEditMessage::CBPeriodChange);
    connect(Time, &QTimeEdit::timeChanged, this, &TEditMessage::TimeChange);
    Time->installEventFilter(this);
    CBLast->installEventFilter(this);
    connect(CBPicture, &QComboBox::currentIndexChanged, this, &TEditMessage::CBPictureChange);
    connect(SpeedButton1, &QToolButton::clicked, this, &TEditMessage::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TEditMessage::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TEditMessage::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TEditMessage::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TEditMessage::SpeedButton5Click);
}

TEditMessage::~TEditMessage() {
    // The inputs go before this object does, and the focus moves as they go.
    disconnect(focusWatch_);
}

int TEditMessage::ShowModal() { return exec(); }

void TEditMessage::OpenForNew() {
    SpeedButton1->show();
    editing_.reset();
    ShowModal();
}

void TEditMessage::SetDate(DayNumber day) { Date->setDate(DateOfDay(day)); }

void TEditMessage::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    // Centred on the main window when it is on screen.
    CentreOn(keeper_ ? keeper_->KeeperWindow() : nullptr);
    FormShow();
}

void TEditMessage::FormShow() {
    if (!EditMode) {
        const LocalMoment now = ctx_.clock.Now();
        const QSignalBlocker quietTime(Time);
        if (NewDateFromMain && keeper_) SetDate(keeper_->CalendarDate());
        Time->setTime(QTime(now.hour, now.minute, 0));
        EText->clear();
        CBPicture->setCurrentIndex(0);
        CBMelody->setCurrentIndex(0);
        DateOpak->setDate(DateOfDay(now.day));
        CB->setChecked(false);
        CBClick();
    }
    CBPictureChange();
    LRefused->clear();
    EText->setFocus();
}

void TEditMessage::CBClick() {
    const bool on = CB->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{LStart, LPeriod, DateOpak, CBPeriod, LLast, CBLast, Label6, Label7})
        w->setEnabled(on);
    CBPeriodChange();
}

void TEditMessage::CBPeriodChange() {
    const QString period = CBPeriod->currentText();
    Label7->setText(period.isEmpty() ? QStringLiteral("-") : period);
    if (period != kWeekly) {
        CBDen->hide();
        Label6->setText(QStringLiteral("s periódou :"));
        return;
    }
    CBDen->show();
    // The first such weekday after tomorrow.
    const DayNumber tomorrow = ctx_.clock.Now().day + 1;
    const int weekDay = CBDen->findText(CBDen->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    DateOpak->setDate(DateOfDay(NextWeekDay(tomorrow, weekDay)));
    const QString day = CBDen->currentText();
    const bool feminine =
        day == QStringLiteral("Stredu") || day == QStringLiteral("Sobotu") || day == QStringLiteral("Nedeľu");
    Label6->setText(feminine ? QStringLiteral("každú ") : QStringLiteral("každý"));
}

void TEditMessage::TimeChange() {
    if (EditMode) return;
    const QSignalBlocker quiet(CBLast);
    CBLast->setTime(Time->time());
}

void TEditMessage::TimeExit() { TimeChange(); }

void TEditMessage::CBLastExit() {
    if (EditMode) return;
    // A new reminder's notices come no later in the day than the reminder itself.
    if (WholeSeconds(CBLast->time()) > WholeSeconds(Time->time())) CBLast->setTime(Time->time());
}

bool TEditMessage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == Time) TimeExit();
        else if (watched == CBLast) CBLastExit();
    }
    return BorderlessWindow::eventFilter(watched, event);
}

TReminder TEditMessage::BuildReminder() const {
    TReminder r;
    r.Date = DayOfDate(Date->date());
    r.Time = FractionOfTime(WholeSeconds(Time->time()));
    // The lines of the text are stored one after another.
    r.Text = S(EText->toPlainText().remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    r.Notice = CB->isChecked() ? 1 : 0;
    if (r.Notice) {
        r.NoticeFrom = DayOfDate(DateOpak->date());
        r.NoticeNext = r.NoticeFrom;
        const QString period = CBPeriod->currentText();
        r.Period = 0;
        for (int i = 0; i < CBPeriod->count(); ++i)
            if (CBPeriod->itemText(i) == period) {
                r.Period = i;
                break;
            }
        r.NoticeTime = FractionOfTime(WholeSeconds(CBLast->time()));
        r.NoticeWeekDay = CBDen->findText(CBDen->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    } else {
        r.NoticeFrom = r.NoticeNext = 0;
        r.Period = rpNone;
        r.NoticeTime = -1.0;
        r.NoticeWeekDay = -1;
    }
    const QString picture = CBPicture->currentText(), melody = CBMelody->currentText();
    r.Picture = picture == kStandardPicture ? std::string() : S(picture);
    r.Melody = melody == kStandardMelody ? std::string() : S(melody);
    return r;
}

void TEditMessage::AddReminder() {
    if (keeper_) keeper_->AddReminder(BuildReminder());
}

void TEditMessage::SpeedButton1Click() {
    AddReminder();
    done(QDialog::Accepted);
}

void TEditMessage::SpeedButton2Click() {
    if (editing_ && keeper_)
        keeper_->ReplaceEdited(
            editingIndex_, [this](const TReminder& r) { return SameEditedReminder(r, *editing_); }, BuildReminder());
    editing_.reset();
    SpeedButton1->show();
    SpeedButton2->hide();
    done(QDialog::Accepted);
}

void TEditMessage::SpeedButton3Click() {
    editing_.reset();
    SpeedButton1->show();
    SpeedButton2->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{DateOpak, CBPeriod, CBLast}) w->setEnabled(false);
    done(QDialog::Rejected);
}

void TEditMessage::SetItem1(QComboBox* box, const QString& path) {
    const QSignalBlocker quiet(box);
    if (box->count() > 1) box->removeItem(1);
    box->addItem(path);
    box->setCurrentIndex(1);
}

std::optional<QString> TEditMessage::ChooseFile(const char* title, const char* filter, const char* extension) {
    FileDialogOptions options;
    options.title = title;
    options.filter = filter;
    options.filterIndex = 1;
    options.defaultExtension = extension;
    options.initialFolder = S(ctx_.ProgramFolder());
    const std::optional<std::string> chosen = ctx_.dialogs.ChooseOpenFile(options);
    if (!chosen) return std::nullopt;
    const QString path = Q(*chosen);
    if (!Cp1250Holds(path)) {
        ctx_.dialogs.ShowError("Kalvo", "Cestu k súboru\n" + *chosen +
                                            "\nnie je možné uložiť do súboru pripomienok, pretože obsahuje znaky mimo "
                                            "kódovej stránky Windows-1250.\n\nPremenujte súbor alebo priečinok, "
                                            "prípadne vyberte iný súbor.");
        return std::nullopt;
    }
    return path;
}

void TEditMessage::SpeedButton4Click() {
    const std::optional<QString> path = ChooseFile("Vyberte obrázok", kPictureFilter, kPictureExtension);
    if (!path) return;
    SetItem1(CBPicture, *path);
    CBPictureChange();
}

void TEditMessage::SpeedButton5Click() {
    const std::optional<QString> path = ChooseFile("Vyberte melódiu", kSoundFilter, kSoundExtension);
    if (path) SetItem1(CBMelody, *path);
}

void TEditMessage::CBPictureChange() {
    const QString item = CBPicture->currentText();
    QPixmap picture;
    if (item == kStandardPicture || !QFileInfo(item).isFile() || !picture.load(item))
        picture = TMesgPopUp::StandardPicture();
    ImageMsg->setPixmap(picture);
}

void TEditMessage::ShowRefused(const QString& characters) {
    // While the note is shown it names every character refused so far, not only the last one.
    refusedSoFar_ = refusedTimer_->isActive() && !refusedSoFar_.isEmpty() ? refusedSoFar_ + characters : characters;
    LRefused->setText(RefusedNote(refusedSoFar_));
    refusedTimer_->start();
}

void TEditMessage::FillForEdit(const TReminder& r, int index) {
    SpeedButton1->hide();
    SpeedButton2->show();
    EditMode = true;
    editing_ = r;
    editingIndex_ = index;
    {
        const QSignalBlocker quietTime(Time);
        SetDate(r.Date);
        Time->setTime(TimeOfFraction(r.Time));
    }
    EText->setPlainText(Q(r.Text));
    CB->setChecked(r.Notice == 1);
    CBClick();
    const QSignalBlocker quietPeriod(CBPeriod);
    const QSignalBlocker quietDay(CBDen);
    CBPeriod->setCurrentIndex(r.Period >= 0 && r.Period < CBPeriod->count() ? r.Period : -1);
    if (r.Notice == 1) {
        if (r.NoticeFrom != 0) DateOpak->setDate(DateOfDay(r.NoticeFrom));
        if (r.NoticeTime != 0.0) {
            if (r.Period == rpWeekly) {
                CBDen->show();
                CBDen->setCurrentIndex(r.NoticeWeekDay >= 0 && r.NoticeWeekDay < CBDen->count() ? r.NoticeWeekDay : -1);
                CBPeriodChange();
            } else {
                CBDen->hide();
                Label6->setText(QStringLiteral("s periódou :"));
            }
            CBLast->setTime(TimeOfFraction(std::fabs(r.NoticeTime)));
        }
    } else {
        DateOpak->setDate(DateOfDay(ctx_.clock.Now().day));
    }
    if (r.Picture.empty()) {
        const QSignalBlocker quiet(CBPicture);
        CBPicture->setCurrentIndex(0);
    } else {
        SetItem1(CBPicture, Q(r.Picture));
    }
    CBPictureChange();
    if (r.Melody.empty()) CBMelody->setCurrentIndex(0);
    else SetItem1(CBMelody, Q(r.Melody));
    CBPeriodChange();
}

void TEditMessage::FillForPutBack(const TReminder& r) {
    const LocalMoment now = ctx_.clock.Now();
    {
        const QSignalBlocker quietTime(Time);
        if (keeper_) SetDate(keeper_->CalendarDate());
        Time->setTime(QTime(now.hour, now.minute, 0));
    }
    editing_.reset();
    SpeedButton1->show();
    SpeedButton2->hide();
    EText->setPlainText(Q(r.Text));
    CB->setChecked(r.Notice == 1);
    CBClick();
    {
        const QSignalBlocker quietPeriod(CBPeriod);
        CBPeriod->setCurrentIndex(r.Period >= 0 && r.Period < CBPeriod->count() ? r.Period : -1);
    }
    if (r.Picture.empty()) {
        const QSignalBlocker quiet(CBPicture);
        CBPicture->setCurrentIndex(0);
    } else {
        SetItem1(CBPicture, Q(r.Picture));
    }
    if (r.Melody.empty()) CBMelody->setCurrentIndex(0);
    else SetItem1(CBMelody, Q(r.Melody));
}

void TEditMessage::PutBack(const TReminder& r) {
    FillForPutBack(r);
    EditMode = true;
    ShowModal();
    EditMode = false;
}

}  // namespace kalvo::ui
