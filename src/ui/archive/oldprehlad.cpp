#include "ui/archive/oldprehlad.h"

#include <QApplication>
#include <QMouseEvent>

#include "core/reminder_text.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {
namespace {

const QString kPutBack = QStringLiteral("Vložiť");
const QString kClose = QStringLiteral("Zatvoriť");

}  // namespace

TOldPlan::TOldPlan(AppContext& ctx, QWidget* parent)
    : OverviewWindow(QStringLiteral("Staré pripomienky"), parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TOldPlan"));
    CBclose->hide();

    Label2 = new QLabel(QStringLiteral("Označte pripomienku ktorá sa má použiť"), bottomBar_);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(6, 5, 284, 20);
    QFont bold = Label2->font();
    bold.setBold(true);
    bold.setPixelSize(11);
    Label2->setFont(bold);
    Label2->setStyleSheet(TextOnClear(kLightFace));
    // Moves over the hint are moves over the bar.
    Label2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label2->hide();

    Label3 = PanelButton(kClose, QStringLiteral("Label3"), QRect(300, 218, 94, 20), this, kPanelRest,
                         {ColorNumber(14680061), ColorNumber(14680061)}, kPanelRest);
    Label3->hide();
    connect(Label9, &ShapeButton::clicked, this, &TOldPlan::Label9Click);
    connect(Label3, &ShapeButton::clicked, this, &TOldPlan::Label3Click);
    connect(Label9, &ShapeButton::hovered, Label3, &ShapeButton::Rest);
    connect(Label3, &ShapeButton::hovered, Label9, &ShapeButton::Rest);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label3, &ShapeButton::Rest);
    MesgList->viewport()->setMouseTracking(true);
    MesgList->viewport()->installEventFilter(this);

    menuStyle_ = std::make_unique<OwnDrawMenuStyle>(20);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setStyle(menuStyle_.get());
    Vymazavber1 = PopupMenu1->addAction(ArtIcon(QStringLiteral("delete")), QStringLiteral("Vymazať výber"));
    Vymazavber1->setShortcut(QKeySequence::Delete);
    Vymazavber1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    MesgList->addAction(Vymazavber1);
    connect(Vymazavber1, &QAction::triggered, this, &TOldPlan::Vymazavber1Click);
    MesgList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MesgList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(MesgList->viewport()->mapToGlobal(at)); });
    CentreOnScreen();
}

TOldPlan::~TOldPlan() {
    // The menu goes before its style does.
    delete PopupMenu1;
}

bool TOldPlan::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MesgList->viewport()) {
        if (event->type() == QEvent::MouseMove) RestButtons();
        return false;
    }
    return OverviewWindow::eventFilter(watched, event);
}

void TOldPlan::RestButtons() {
    Label9->Rest();
    Label3->Rest();
}

void TOldPlan::ShowAbove() {
    // Opened over a window that waits for its user (the day list, a dialog), it has to take the input
    // itself to be of any use.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && windowModality() == Qt::NonModal) {
        hide();
        setWindowModality(Qt::ApplicationModal);
    }
    if (isVisible()) FormShow();
    show();
    raise();
    activateWindow();
}

void TOldPlan::ShowFromTray() {
    CBclose->hide();
    // The second button belongs to the put-back mode; it would only stand as a twin of "Zatvoriť".
    Label3->hide();
    ShowAbove();
}

void TOldPlan::ShowForPutBack() {
    CBclose->hide();
    Label9->SetText(kPutBack);
    Label2->show();
    emit PutBackModeChanged(true);
    Label3->show();
    ShowAbove();
}

void TOldPlan::showEvent(QShowEvent* event) {
    OverviewWindow::showEvent(event);
    FormShow();
}

void TOldPlan::hideEvent(QHideEvent* event) {
    OverviewWindow::hideEvent(event);
    setWindowModality(Qt::NonModal);
    RestButtons();
}

void TOldPlan::FormShow() {
    QStringList rows, pictures;
    if (keeper_) {
        for (const TReminder& r : keeper_->Store().Archive()) {
            rows << Q(ArchiveRowText(r, ctx_.locale));
            pictures << Q(r.Picture);
        }
    }
    recordRows_ = static_cast<int>(rows.size());
    const bool any = !rows.isEmpty();
    if (!any) {
        rows << QStringLiteral(" -Žiadne pripomienky");
        pictures << QString();
    }
    MesgList->SetRows(rows, pictures);
    if (any) MesgList->SetItemIndex(0);
}

void TOldPlan::ArchiveGrew() {
    if (!isVisible() || !keeper_ || keeper_->Store().Archive().size() == static_cast<std::size_t>(recordRows_)) return;
    // The marked entry stays marked: the scheduler only adds at the end.
    const int marked = recordRows_ > 0 ? MesgList->ItemIndex() : -1;
    FormShow();
    if (marked >= 0 && marked < recordRows_) MesgList->SetItemIndex(marked);
}

void TOldPlan::LeavePutBackMode() {
    Label2->hide();
    Label9->SetText(kClose);
    emit PutBackModeChanged(false);
}

void TOldPlan::Label9Click() {
    hide();
    if (!PutBackMode()) return;
    LeavePutBackMode();
    if (!keeper_) return;
    const ArchiveList& archive = keeper_->Store().Archive();
    const int row = MesgList->ItemIndex();
    if (row < 0 || static_cast<std::size_t>(row) >= archive.size()) return;
    // A copy: the scheduler may add to the archive while the editor is open.
    const TReminder r = archive[static_cast<std::size_t>(row)];
    if (IsOrdinary(r)) emit PutBackReminderRequested(r);
    else emit PutBackNameDayRequested(r);
}

void TOldPlan::Label3Click() {
    hide();
    Label3->hide();
    LeavePutBackMode();
}

void TOldPlan::Vymazavber1Click() {
    if (!keeper_) return;
    ArchiveList& archive = keeper_->Store().Archive();
    const int row = MesgList->ItemIndex();
    if (archive.empty() || row < 0 || static_cast<std::size_t>(row) >= archive.size()) return;
    archive.erase(archive.begin() + row);
    // A failed write has been told to the user; the list shows the archive as it now stands in memory.
    keeper_->Store().CommitArchive();
    FormShow();
}

}  // namespace kalvo::ui
