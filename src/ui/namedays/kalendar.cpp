#include "ui/namedays/kalendar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "core/cp1250.h"
#include "core/due.h"
#include "core/same_reminder.h"
#include "namedays/name_calendar.h"
#include "ui/common/colors.h"
#include "ui/common/day_convert.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_builders.h"
#include "ui/widgets/shape.h"

namespace kalvo::ui {
namespace {

const QString kPlaceholder = QStringLiteral("Vložte meno");
constexpr int kRefusedNoteMs = 6000;

QTime WholeSeconds(const QTime& t) { return QTime(t.hour(), t.minute(), t.second()); }

}  // namespace

TFormKalendar::TFormKalendar(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    FrameModalForm(this, QStringLiteral("TFormKalendar"), QStringLiteral("Menný kalendár"), QSize(340, 346));
    BuildSearch();
    BuildDays();
    BuildText();
    BuildCommands();
    WatchInputs();
    ConnectHandlers();

    // Enter elsewhere writes the entry, as the visible one of "Zapísať" and "Aktualizovať" does.
    SetDefaultAction([this] {
        if (!SpeedButton2->isHidden()) SpeedButton2Click();
        else SpeedButton1Click();
    });

    const LocalMoment now = ctx_.clock.Now();
    SetDate(now.day);
    Time->setTime(QTime(8, 30));
    TimePrip->setTime(QTime(now.hour, 0));
}

void TFormKalendar::BuildSearch() {
    QLabel* findCaption = Caption(QStringLiteral("Vyhľadať"), QRect(12, 28, 86, 22), this);
    FindName = new QLineEdit(kPlaceholder, this);
    FindName->setObjectName(QStringLiteral("FindName"));
    NameByCaption(findCaption, FindName);
    FindName->setGeometry(100, 28, 146, 22);
    BtFind = GreyButton(QStringLiteral("Nájdi"), QStringLiteral("Nájsť deň, v ktorý má meno meniny"), this,
                        QRect(252, 29, 76, 20));
    BtFind->setObjectName(QStringLiteral("BtFind"));

    Caption(QStringLiteral("Meno"), QRect(12, 56, 86, 22), this);
    // The names of a day and a holiday have any length; what is longer than the line ends in "…".
    Meniny = new FittedLabel(this, FittedLabel::kShortenOnly);
    Meniny->setObjectName(QStringLiteral("Meniny"));
    Meniny->setGeometry(100, 56, 228, 18);
    Meniny->setFont(Bold(font()));
    Meniny->setStyleSheet(TextColour(kDeepOrange));
    Sviatok = new FittedLabel(this, FittedLabel::kShortenOnly);
    Sviatok->setObjectName(QStringLiteral("Sviatok"));
    Sviatok->setGeometry(100, 74, 228, 16);
    Sviatok->setStyleSheet(TextColour(kFrameDark));
}

void TFormKalendar::BuildDays() {
    const TextLocale& loc = ctx_.locale;
    QLabel* dateCaption = Caption(QStringLiteral("Dátum"), QRect(12, 96, 86, 22), this);
    Date = new QDateEdit(this);
    Date->setObjectName(QStringLiteral("Date"));
    NameByCaption(dateCaption, Date);
    Date->setGeometry(100, 96, 110, 22);
    Date->setCalendarPopup(true);
    Date->setDisplayFormat(Q(loc.shortDateFormat));

    QLabel* noticeCaption = Caption(QStringLiteral("Pripomenúť"), QRect(12, 124, 86, 22), this);
    DatePrip = new QDateEdit(this);
    DatePrip->setObjectName(QStringLiteral("DatePrip"));
    NameByCaption(noticeCaption, DatePrip);
    DatePrip->setGeometry(100, 124, 110, 22);
    DatePrip->setCalendarPopup(true);
    DatePrip->setDisplayFormat(Q(loc.shortDateFormat));
    QLabel* noticeAt = Caption(QStringLiteral("o"), QRect(216, 124, 12, 22), this);
    TimePrip = new QTimeEdit(this);
    TimePrip->setObjectName(QStringLiteral("TimePrip"));
    NameByCaption(noticeAt, TimePrip, noticeCaption->text() + QStringLiteral(" o"));
    TimePrip->setGeometry(232, 124, 96, 22);
    TimePrip->setDisplayFormat(Q(loc.longTimeFormat));
    // A notice time of 0 means "none": a notice at midnight would never be given.
    TimePrip->setMinimumTime(QTime(0, 0, 1));

    QLabel* lastCaption = Caption(QStringLiteral("Naposledy"), QRect(12, 152, 86, 22), this);
    LDate = new QLabel(this);
    LDate->setObjectName(QStringLiteral("LDate"));
    LDate->setGeometry(104, 152, 106, 22);
    QLabel* lastAt = Caption(QStringLiteral("o"), QRect(216, 152, 12, 22), this);
    Time = new QTimeEdit(this);
    Time->setObjectName(QStringLiteral("Time"));
    NameByCaption(lastAt, Time, lastCaption->text() + QStringLiteral(" o"));
    Time->setGeometry(232, 152, 96, 22);
    Time->setDisplayFormat(Q(loc.longTimeFormat));
}

void TFormKalendar::BuildText() {
    QLabel* textCaption = Caption(QStringLiteral("Text pripomienky"), QRect(12, 178, 200, 22), this);
    Memo1 = new Cp1250TextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    NameByCaption(textCaption, Memo1);
    Memo1->setGeometry(12, 200, 316, 50);
    // One line under the text box: a note naming many characters gets a smaller letter, then "…"; the
    // whole note stays in its tooltip.
    LRefused = new FittedLabel(this);
    LRefused->setObjectName(QStringLiteral("LRefused"));
    LRefused->setGeometry(12, 250, 316, 14);
    LRefused->setStyleSheet(TextColour(kDeepOrange));
    refusedTimer_ = new QTimer(this);
    refusedTimer_->setSingleShot(true);
    refusedTimer_->setInterval(kRefusedNoteMs);
    connect(refusedTimer_, &QTimer::timeout, LRefused, &QLabel::clear);

    LMeninyCaption = Caption(QStringLiteral("Meniny"), QRect(12, 264, 86, 22), this);
    CB1 = new QCheckBox(QStringLiteral("Pripomeň"), this);
    CB1->setObjectName(QStringLiteral("CB1"));
    CB1->setGeometry(100, 265, 90, 20);
    CB1->setChecked(true);
    LNarodeninyCaption = Caption(QStringLiteral("Narodeniny"), QRect(12, 286, 86, 22), this);
    LNarodeninyCaption->setEnabled(false);
    CB2 = new QCheckBox(QStringLiteral("Pripomeň"), this);
    CB2->setObjectName(QStringLiteral("CB2"));
    CB2->setGeometry(100, 287, 90, 20);

    Label8 = new QLabel(QStringLiteral("ZMENIL SA ROK"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setGeometry(196, 276, 132, 20);
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setFont(Bold(font()));
    Label8->setStyleSheet(
        QStringLiteral("color: %1; border: 1px solid %1; border-radius: 3px;").arg(kSundayRed.name()));
    Label8->hide();
}

void TFormKalendar::BuildCommands() {
    SpeedButton3 =
        GreyButton(QStringLiteral("Zrušiť"), QStringLiteral("Zrušiť aktualizáciu"), this, QRect(146, 314, 88, 22));
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton1 = GreyButton(QStringLiteral("Zapísať"), QStringLiteral("Zapísať pripomienku do zoznamu"), this,
                              QRect(240, 314, 88, 22));
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2 = GreyButton(QStringLiteral("Aktualizovať"), QStringLiteral("Aktualizuj vybratú položku"), this,
                              QRect(240, 314, 88, 22));
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->hide();
    // Clicking a button leaves the name field first, so the text has followed the name when it is written.
    for (QToolButton* b : {SpeedButton1, SpeedButton2}) b->setFocusPolicy(Qt::StrongFocus);
}

void TFormKalendar::WatchInputs() {
    // The inputs in their resting colour, cut free of their sunken borders.
    for (QWidget* w : std::initializer_list<QWidget*>{FindName, Date, DatePrip, TimePrip, Time, Memo1}) {
        inputs_.push_back(w);
        SetInputFace(w, false);
        ClipToRect(2, 3, w->width() - 3, w->height() - 3, w);
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w : inputs_) SetInputFace(w, now && (now == w || w->isAncestorOf(now)));
    });

    auto* validator = new Cp1250Validator(FindName);
    connect(validator, &Cp1250Validator::refused, this, &TFormKalendar::ShowRefused);
    FindName->setValidator(validator);
    connect(Memo1, &Cp1250TextEdit::refused, this, &TFormKalendar::ShowRefused);
    connect(Memo1, &Cp1250TextEdit::tooLong, this, [this](int limit) {
        refusedSoFar_.clear();
        LRefused->setText(TooLongNote(limit));
        LRefused->setToolTip(LRefused->text());
        refusedTimer_->start();
    });
}

void TFormKalendar::ConnectHandlers() {
    FindName->installEventFilter(this);
    connect(BtFind, &QToolButton::clicked, this, &TFormKalendar::BtFindClick);
    connect(Date, &QDateEdit::dateChanged, this, &TFormKalendar::DateClick);
    connect(DatePrip, &QDateEdit::dateChanged, this, [this](const QDate& picked) {
        const DayNumber written = SameDayOnOrAfter(DayOfDate(picked), ctx_.clock.Now().day);
        if (written != DayOfDate(picked)) DatePrip->setDate(DateOfDay(written));
    });
    connect(CB1, &QCheckBox::clicked, this, &TFormKalendar::CB1Click);
    connect(CB2, &QCheckBox::clicked, this, &TFormKalendar::CB2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TFormKalendar::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFormKalendar::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFormKalendar::SpeedButton3Click);
}

TFormKalendar::~TFormKalendar() {
    // The inputs go before this object does, and the focus moves as they go.
    disconnect(focusWatch_);
}

void TFormKalendar::ShowRefused(const QString& characters) {
    // While the note is shown it names every character refused so far, not only the last one.
    refusedSoFar_ = refusedTimer_->isActive() && !refusedSoFar_.isEmpty() ? refusedSoFar_ + characters : characters;
    LRefused->setText(RefusedNote(refusedSoFar_));
    LRefused->setToolTip(LRefused->text());
    refusedTimer_->start();
}

void TFormKalendar::SetDate(DayNumber day) {
    const QSignalBlocker quiet(Date);
    Date->setDate(DateOfDay(day));
}

int TFormKalendar::ShowModal() { return exec(); }

void TFormKalendar::PrepareNew() {
    changing_.reset();
    SpeedButton1->show();
    SpeedButton2->hide();
}

void TFormKalendar::Fill(const TReminder& r, DayNumber date, DayNumber noticeDay, double noticeTime) {
    // The days that will be written: one already past moves on to its next year.
    const DayNumber today = ctx_.clock.Now().day;
    date = SameDayOnOrAfter(date, today);
    noticeDay = SameDayOnOrAfter(noticeDay, today);
    SetDate(date);
    LDate->setText(Q(DayMonthYear(ctx_.locale, date)));
    const CivilDate c = DayToCivil(date);
    if (keeper_) {
        const namedays::DayTexts texts = namedays::NamesOfDay(keeper_->NameCalendar(), c.day, c.month);
        Meniny->setText(Q(texts.names));
        Sviatok->setText(Q(texts.holiday));
    }
    DatePrip->setDate(DateOfDay(noticeDay));
    TimePrip->setTime(TimeOfFraction(noticeTime));
    Time->setTime(TimeOfFraction(r.Time));
    Memo1->setPlainText(Q(r.Text));
    CB1->setChecked(r.IsNameDay != 0);
    CB2->setChecked(r.IsBirthday != 0);
    LMeninyCaption->setEnabled(CB1->isChecked());
    LNarodeninyCaption->setEnabled(CB2->isChecked());
}

void TFormKalendar::FillForChange(const TReminder& r, int index) {
    prefilled_ = true;
    changing_ = r;
    changingIndex_ = index;
    SpeedButton1->hide();
    SpeedButton2->show();
    Fill(r, r.Date, r.NoticeFrom, r.NoticeTime);
}

void TFormKalendar::PutBack(const TReminder& r) {
    PrepareNew();
    prefilled_ = true;
    Fill(r, YearStep(r.Date), YearStep(r.NoticeFrom), r.NoticeTime);
    Label8->show();
    ShowModal();
    Label8->hide();
    prefilled_ = false;
}

void TFormKalendar::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    // Centred on the window it was opened from.
    CentreOn(QApplication::activeWindow());
    LRefused->clear();
    FormShow();
    // Not the name field: its hint would be gone before it is read.
    Date->setFocus();
}

void TFormKalendar::FormShow() {
    if (Prefilled()) return;
    if (keeper_) SetDate(keeper_->CalendarDate());
    DateClick();
    Time->setTime(QTime(8, 30));
    CB2Click();
    FindNameExit();
}

void TFormKalendar::DateClick() {
    Meniny->clear();
    Sviatok->clear();
    const LocalMoment now = ctx_.clock.Now();
    // A day already past this year is written for its next celebration; the picker shows that year.
    const DayNumber date = SameDayOnOrAfter(DayOfDate(Date->date()), now.day);
    if (date != DayOfDate(Date->date())) SetDate(date);
    LDate->setText(Q(ShortDate(ctx_.locale, date)));
    const CivilDate c = DayToCivil(date);
    if (keeper_) {
        const namedays::DayTexts texts = namedays::NamesOfDay(keeper_->NameCalendar(), c.day, c.month);
        if (!texts.names.empty()) Meniny->setText(Q(texts.names));
        if (!texts.holiday.empty()) Sviatok->setText(Q(texts.holiday));
    }
    // The notice comes the day before the next celebration.
    const DayNumber next = date <= now.day ? YearStep(date) : date;
    DatePrip->setDate(DateOfDay(next - 1));
    TimePrip->setTime(QTime(now.hour, 0));
    FindName->selectAll();
}

void TFormKalendar::FindNameClick() {
    if (FindName->text() == kPlaceholder) FindName->clear();
    else FindName->selectAll();
}

void TFormKalendar::FindNameExit() {
    if (FindName->text().isEmpty()) {
        FindName->setText(kPlaceholder);
        return;
    }
    const QString who = FindName->text() == kPlaceholder ? Meniny->text() : FindName->text();
    const QString what =
        CB1->isChecked() ? QStringLiteral(" oslavuje meniny ") : QStringLiteral(" oslavuje svoje narodeniny ");
    Memo1->setPlainText(QStringLiteral("Dňa ") + Q(DayMonth(ctx_.locale, DayOfDate(Date->date()))) + what + who);
}

bool TFormKalendar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FindName) {
        switch (event->type()) {
            case QEvent::FocusIn:
            case QEvent::MouseButtonRelease:
                FindNameClick();
                break;
            case QEvent::FocusOut:
                FindNameExit();
                break;
            case QEvent::KeyPress: {
                // Enter in the name field searches, and goes no further than that.
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    BtFindClick();
                    return true;
                }
                break;
            }
            default:
                break;
        }
    }
    return BorderlessWindow::eventFilter(watched, event);
}

void TFormKalendar::BtFindClick() {
    BtFind->setEnabled(false);
    const std::string typed = S(FindName->text());
    std::optional<namedays::NameDayMatch> match;
    if (keeper_) match = namedays::FindNameDay(keeper_->NameCalendar(), typed);
    // After the exact search failed, the name stays as the second search had it.
    const std::string shown = match ? match->name : UpperFirstCp1250(typed);
    if (shown != typed) FindName->setText(Q(shown));
    if (match) {
        // This year's day; 29 February falls on the 28th in a common year.
        const std::int64_t year = DayToCivil(ctx_.clock.Now().day).year;
        const int day = std::min<int>(match->Day, DaysInMonth(year, match->Month));
        SetDate(ClampDay(CivilToDay(year, match->Month, day)));
        DateClick();
        if (FindName->text() != kPlaceholder) Meniny->setText(FindName->text());
    } else {
        Meniny->setText(QStringLiteral("-"));
        Sviatok->setText(QStringLiteral("Hľadané meno sa nepodarilo nájsť"));
    }
    BtFind->setEnabled(true);
}

void TFormKalendar::CB1Click() {
    if (CB1->isChecked()) {
        LMeninyCaption->setEnabled(true);
        CB2->setChecked(false);
        CB2Click();
        if (!Prefilled()) FindNameExit();
    } else {
        LMeninyCaption->setEnabled(false);
        CB2->setChecked(true);
        LNarodeninyCaption->setEnabled(true);
    }
}

void TFormKalendar::CB2Click() {
    if (CB2->isChecked()) {
        LNarodeninyCaption->setEnabled(true);
        CB1->setChecked(false);
        CB1Click();
        if (!Prefilled()) FindNameExit();
    } else {
        LNarodeninyCaption->setEnabled(false);
        CB1->setChecked(true);
        LMeninyCaption->setEnabled(true);
    }
}

TReminder TFormKalendar::BuildReminder() const {
    TReminder r;
    r.Date = DayOfDate(Date->date());
    r.Time = FractionOfTime(WholeSeconds(Time->time()));
    // The lines of the text are stored one after another.
    r.Text = S(Memo1->toPlainText().remove(QLatin1Char('\n')).remove(QLatin1Char('\r')));
    r.Notice = 1;
    r.NoticeFrom = DayOfDate(DatePrip->date());
    r.NoticeNext = r.NoticeFrom;
    r.Period = rpNone;
    r.NoticeTime = FractionOfTime(WholeSeconds(TimePrip->time()));
    r.IsNameDay = CB1->isChecked() ? 1 : 0;
    r.IsBirthday = CB2->isChecked() ? 1 : 0;
    r.NoticeWeekDay = -1;
    // A celebration already past this year (a found name, an entry put back) would fire at once and be
    // gone; it is written for its next day, and so is a notice day already past.
    const DayNumber today = ctx_.clock.Now().day;
    r.Date = SameDayOnOrAfter(r.Date, today);
    r.NoticeFrom = r.NoticeNext = SameDayOnOrAfter(r.NoticeFrom, today);
    return r;
}

void TFormKalendar::SpeedButton1Click() {
    if (keeper_) keeper_->AddReminder(BuildReminder());
    changing_.reset();
    done(QDialog::Accepted);
}

void TFormKalendar::SpeedButton2Click() {
    if (changing_ && keeper_)
        keeper_->ReplaceEdited(
            changingIndex_, [this](const TReminder& r) { return SameEditedEntry(r, *changing_); }, BuildReminder());
    changing_.reset();
    SpeedButton1->show();
    SpeedButton2->hide();
    done(QDialog::Accepted);
}

void TFormKalendar::SpeedButton3Click() {
    changing_.reset();
    done(QDialog::Rejected);
}

}  // namespace kalvo::ui
