#include "ui/alarm/snooze_menu.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/common/day_convert.h"

namespace kalvo::ui {
namespace {

QDateTime DateTimeOf(scheduler::SecondKey key) {
    const LocalMoment m = scheduler::MomentOf(key);
    return QDateTime(DateOfDay(m.day), QTime(m.hour, m.minute, m.second));
}

scheduler::SecondKey KeyOfDateTime(const QDateTime& when) {
    const QTime t = when.time();
    return scheduler::KeyOf(LocalMoment{DayOfDate(when.date()), t.hour(), t.minute(), t.second()});
}

}  // namespace

SnoozeTimeDialog::SnoozeTimeDialog(const LocalMoment& now, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Odložiť pripomienku"));
    setObjectName(QStringLiteral("SnoozeTimeDialog"));
    setModal(true);
    setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Pripomenúť znova:"), this));
    When = new QDateTimeEdit(this);
    When->setObjectName(QStringLiteral("When"));
    When->setDisplayFormat(QStringLiteral("d.M.yyyy H:mm"));
    When->setCalendarPopup(true);
    // Whole minutes: the next one at the earliest, a quarter of an hour from now to start with.
    const scheduler::SecondKey minute = scheduler::KeyOf(now) - now.second;
    When->setMinimumDateTime(DateTimeOf(minute + 60));
    When->setMaximumDateTime(DateTimeOf(minute + 365 * scheduler::kSecondsPerDayKey));
    When->setDateTime(DateTimeOf(minute + 15 * 60));
    layout->addWidget(When);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OkButton = new QPushButton(QStringLiteral("Odložiť"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Zrušiť"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

scheduler::SecondKey SnoozeTimeDialog::Chosen() const { return KeyOfDateTime(When->dateTime()); }

SnoozeMenu::SnoozeMenu(const Clock& clock, QWidget* parent) : QMenu(parent), clock_(clock) {
    setObjectName(QStringLiteral("SnoozeMenu"));
    using scheduler::SnoozeRequest;
    const std::pair<QString, int> minutes[] = {{QStringLiteral("o 5 minút"), 5},
                                               {QStringLiteral("o 10 minút"), 10},
                                               {QStringLiteral("o 30 minút"), 30},
                                               {QStringLiteral("o 1 hodinu"), 60}};
    for (const auto& [text, m] : minutes) {
        connect(addAction(text), &QAction::triggered, this,
                [this, m = m] { emit Chosen(SnoozeRequest::ForMinutes(m)); });
    }
    connect(addAction(QStringLiteral("zajtra v rovnakom čase")), &QAction::triggered, this,
            [this] { emit Chosen(SnoozeRequest::Tomorrow()); });
    addSeparator();
    connect(addAction(QStringLiteral("Iný čas…")), &QAction::triggered, this, &SnoozeMenu::ChooseOtherTime);
}

void SnoozeMenu::ChooseOtherTime() {
    SnoozeTimeDialog dialog(clock_.Now(), parentWidget());
    if (dialog.exec() == QDialog::Accepted) emit Chosen(scheduler::SnoozeRequest::Until(dialog.Chosen()));
}

}  // namespace kalvo::ui
