#pragma once
// "Nastavenia programu": the settings on their pages (the calendar sync's where the build has it), the start at log-on and the one-off order to
// switch the computer off. Melody, pictures and time signal are edited as pending values and take
// effect, with the check boxes, on "Použiť", which also saves setup.dat. The scheduler reads the
// shut-down order straight from the page's controls.

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <cstdint>
#include <memory>
#include <string>

#include "scheduler/scheduler.h"
#include "ui/common/app_context.h"
#include "ui/common/owndraw.h"
#include "ui/settings/framepc.h"
#include "ui/settings/framepicture.h"
#include "ui/settings/framesound.h"
#include "ui/settings/framevseob.h"
#ifdef KALVO_HAVE_SYNC
#include "ui/settings/framesync.h"
#endif
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TFormSetup : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFormSetup(AppContext& ctx, QWidget* parent = nullptr);
    ~TFormSetup() override;

    // Shows the dialog and returns once it has closed.
    void ShowModal();

    // The order as the "Vypnutie PC" page holds it now.
    scheduler::ShutdownOrder ShutdownOrder() const;
    // Ends the order: the countdown ran out or was cancelled.
    void EndShutdownOrder();
    // The tray menu opens: the general page's box follows the setting again.
    void ShowDeleteOldSetting();

    // Where the two menus open, in screen coordinates.
    QPoint PopTimePoint() const;
    QPoint PopResetPoint() const;

    void FormShow();
    void BtVseobClick();
    void BtSoundClick();
    void BtPictureClick();
    void BtPCClick();
    void BtSyncClick();
    void CheckBox1Click();
    void BtSetupTimeClick();
    void N12hodnina1Click();
    void Hodina1Click();
    void N2hodiny1Click();
    void Poludnie1Click();
    void Vlastnas1Click();
    void BtResetClick();
    void Zvukpripomienky1Click();
    void TimePopClick();
    void DtFindClick();
    void BtPlayClick();
    void FrPicture1Button1Click();
    void FrPicture1Button2Click();
    void FrPicture1PripPictureEnter();
    void FrPicture1PripPictureExit();
    void FrPC1CBDownPCClick();
    void Label10Click();
    void Label11Click();
    void Dismiss() override { Label10Click(); }

    QPushButton* BtVseob;
    QPushButton* BtSound;
    QPushButton* BtPicture;
    QPushButton* BtPC;
    QPushButton* BtSync = nullptr;  // only where the build syncs
    TFrVseob* FrVseob1;
    TFrSound* FrSound1;
    TFrPicture* FrPicture1;
    TFrPC* FrPC1;
#ifdef KALVO_HAVE_SYNC
    TFrSync* FrSync1;
#endif
    QLabel* LIDsystem;
    QPushButton* BtReset;
    ShapeButton* Label10;  // "Zatvoriť"
    ShapeButton* Label11;  // "Použiť"
    QMenu* PopReset;
    QAction* Zvukpripomienky1;
    QAction* Casoveznamenie1;
    QMenu* PopTime;
    QAction* N12hodnina1;
    QAction* Hodina1;
    QAction* N2hodiny1;
    QAction* Poludnie1;
    QAction* Vlastnas1;

    std::string PendingMelody;
    std::string PendingMainPicture;
    std::string PendingStandardPicture;
    std::int32_t PendingInterval = -1;

signals:
    // "Použiť" took a main picture that can be shown.
    void MainPictureChanged(const QString& file);
    // Alarms close themselves while a shut-down is ordered.
    void AutoCloseAlarmsChanged(bool on);
    // The sync account was stored or forgotten on the "Synchronizácia" page.
    void SyncAccountChanged();

public slots:
    // A sync ended: the page shows its time and result.
    void ShowLastSync();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps, in the order the widgets are made (and Tab walks them).
    void BuildPages();   // the page buttons over the grey band, and the four pages
    void BuildStatus();  // the system's name and "Reset"
    void BuildFoot();    // "Zatvoriť" and "Použiť"
    void BuildMenus();
    void ConnectPages();

    void ShowPage(QFrame* page);
    void ChooseInterval(std::int32_t code, const QString& caption);
    // A file picked in the open dialog and storable in the settings file goes to `shown` and `pending`.
    void ChooseInto(const char* title, const char* filter, const char* extension, QLineEdit* shown,
                    std::string& pending);
    // Paths the settings file cannot hold are refused with a message.
    bool StorablePath(const std::string& path);
    QString MelodyShown() const;

    AppContext& ctx_;
    std::unique_ptr<OwnDrawMenuStyle> menuStyle_;
    bool leavingPripPicture_ = false;
};

}  // namespace kalvo::ui
