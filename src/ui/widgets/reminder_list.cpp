#include "ui/widgets/reminder_list.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <tuple>

#include "ui/common/colors.h"
#include "ui/common/owndraw.h"

namespace kalvo::ui {
namespace {

class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(ReminderListBox* box) : QStyledItemDelegate(box), box_(box) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        p->setFont(option.font);
        DrawReminderRow(*p, option.rect, selected, index.data(Qt::DisplayRole).toString(),
                        index.data(Qt::UserRole).toString(), box_->StandardPicture());
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
    if (role != Qt::DisplayRole && role != Qt::UserRole) return {};
    Make(index.row());
    return role == Qt::DisplayRole ? rows_.at(index.row()) : pictures_.at(index.row());
}

void ReminderRowModel::SetRows(QStringList rows, QStringList pictures) {
    beginResetModel();
    make_ = nullptr;
    made_.clear();
    unmade_ = 0;
    rows_ = std::move(rows);
    pictures_ = std::move(pictures);
    while (pictures_.size() < rows_.size()) pictures_ << QString();
    endResetModel();
}

void ReminderRowModel::SetLazyRows(int count, RowMaker make) {
    beginResetModel();
    make_ = std::move(make);
    unmade_ = std::max(count, 0);
    made_.assign(static_cast<std::size_t>(unmade_), false);
    rows_ = QStringList();
    rows_.resize(unmade_);
    pictures_ = QStringList();
    pictures_.resize(unmade_);
    endResetModel();
}

void ReminderRowModel::Make(int row) const {
    if (unmade_ == 0 || made_[static_cast<std::size_t>(row)]) return;
    std::tie(rows_[row], pictures_[row]) = make_(row);
    made_[static_cast<std::size_t>(row)] = true;
    --unmade_;
}

void ReminderRowModel::MakeAll() const {
    for (int row = 0; unmade_ > 0 && row < rows_.size(); ++row) Make(row);
}

const QStringList& ReminderRowModel::Rows() const {
    MakeAll();
    return rows_;
}

const QStringList& ReminderRowModel::Pictures() const {
    MakeAll();
    return pictures_;
}

void ReminderRowModel::Append(const QString& row, const QString& picture) {
    MakeAll();
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_ << row;
    pictures_ << picture;
    made_.clear();
    unmade_ = 0;
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

void ReminderListBox::SetLazyRows(int count, ReminderRowModel::RowMaker make) {
    model_->SetLazyRows(count, std::move(make));
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
