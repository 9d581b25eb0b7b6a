#pragma once
// "Staré pripomienky": the archive of past reminders, viewed and pruned, or one of them put back as a
// new reminder (through the editor, or the name calendar for a name day or birthday a year later).

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <memory>

#include "ui/common/app_context.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_links.h"
#include "ui/overview/prehlad.h"

namespace kalvo::ui {

class TOldPlan : public OverviewWindow {
    Q_OBJECT
public:
    explicit TOldPlan(AppContext& ctx, QWidget* parent = nullptr);
    ~TOldPlan() override;
    // The archive is kept by the main window.
    void Link(ReminderKeeper* keeper) { keeper_ = keeper; }

    QLabel* Label2;       // the hint of the put-back mode
    ShapeButton* Label3;  // the second "Zatvoriť", on its shape, in the put-back mode
    QMenu* PopupMenu1;
    QAction* Vymazavber1;  // "Vymazať výber"

    // "Staré" in the tray menu.
    void ShowFromTray();
    // "Vložiť zo starých": the mode in which the marked entry is written again.
    void ShowForPutBack();
    bool PutBackMode() const { return Label9->Text() == QStringLiteral("Vložiť"); }

    // The picture of every row, parallel to the rows of MesgList.
    const QStringList& ArchivePictures() const { return MesgList->Pictures(); }

    void FormShow();
    // The scheduler archived a reminder while the window is open: the new rows follow.
    void ArchiveGrew();
    void Label9Click();
    void Label3Click();
    void Vymazavber1Click();
    void Dismiss() override { Label3Click(); }

signals:
    // The put-back mode began (true) or ended: the tray's "Staré" waits meanwhile.
    void PutBackModeChanged(bool on);
    // The marked entry is to be written again: an ordinary reminder through the editor, a name day or
    // birthday through the name calendar.
    void PutBackReminderRequested(const kalvo::TReminder& r);
    void PutBackNameDayRequested(const kalvo::TReminder& r);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LeavePutBackMode();
    void RestButtons();
    void ShowAbove();

    AppContext& ctx_;
    ReminderKeeper* keeper_ = nullptr;
    std::unique_ptr<OwnDrawMenuStyle> menuStyle_;
    int recordRows_ = 0;  // rows that stand for archived records
};

}  // namespace kalvo::ui
