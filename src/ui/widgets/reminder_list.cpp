#include "ui/widgets/reminder_list.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/common/colors.h"
#include "ui/common/owndraw.h"

namespace kalvo::ui {
namespace {

class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(ReminderListBox* box) : QStyledItemDelegate(box), box_(box) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const QPixmap& standard = box_->StandardPicture();
        p->setFont(option.font);
        DrawReminderRow(*p, option.rect, selected, index.data(Qt::DisplayRole).toString(),
                        box_->WithoutPictures() ? QString() : index.data(Qt::UserRole).toString(),
                        box_->WithoutPictures() || standard.isNull() ? nullptr : &standard);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), box_->RowHeight());
    }

private:
    ReminderListBox* box_;
};

}  // namespace

QVariant ReminderRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    if (role == Qt::DisplayRole) return rows_.at(index.row());
    if (role == Qt::UserRole) return pictures_.at(index.row());
    return {};
}

void ReminderRowModel::SetRows(QStringList rows, QStringList pictures) {
    beginResetModel();
    rows_ = std::move(rows);
    pictures_ = std::move(pictures);
    while (pictures_.size() < rows_.size()) pictures_ << QString();
    endResetModel();
}

void ReminderRowModel::Append(const QString& row, const QString& picture) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_ << row;
    pictures_ << picture;
    endInsertRows();
}

ReminderListBox::ReminderListBox(QWidget* parent, int rowHeight)
    : QListView(parent), model_(new ReminderRowModel(this)), rowHeight_(rowHeight) {
    setModel(model_);
    setItemDelegate(new RowDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kPaleFace);
    setPalette(pal);
    connect(this, &QListView::clicked, this, &ReminderListBox::rowClicked);
    connect(this, &QListView::doubleClicked, this, &ReminderListBox::rowDoubleClicked);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        // Arrow keys pick rows as clicks do.
        if (current.isValid() && hasFocus()) emit rowClicked();
    });
}

void ReminderListBox::AddRow(const QString& text, const QString& picture) { model_->Append(text, picture); }

void ReminderListBox::SetRows(QStringList rows, QStringList pictures) {
    model_->SetRows(std::move(rows), std::move(pictures));
}

void ReminderListBox::ClearRows() { model_->SetRows({}, {}); }

int ReminderListBox::ItemIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ReminderListBox::SetItemIndex(int row) {
    if (row < 0 || row >= Count()) {
        clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

}  // namespace kalvo::ui
