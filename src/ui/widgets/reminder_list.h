#pragma once
// A list box of reminder rows, each drawn by the shared row renderer, 30 pixels high, with the path of
// the row's picture kept beside its text. Rows are drawn only when visible, so long lists stay fast.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QStringList>

namespace kalvo::ui {

class ReminderRowModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    void SetRows(QStringList rows, QStringList pictures);
    void Append(const QString& row, const QString& picture);

    QStringList rows_;
    QStringList pictures_;
};

class ReminderListBox : public QListView {
    Q_OBJECT
public:
    explicit ReminderListBox(QWidget* parent = nullptr, int rowHeight = 30);

    void AddRow(const QString& text, const QString& picture);
    // Replaces every row at once.
    void SetRows(QStringList rows, QStringList pictures);
    void ClearRows();
    int Count() const { return model_->rowCount(); }
    const QStringList& Rows() const { return model_->rows_; }
    const QStringList& Pictures() const { return model_->pictures_; }  // parallel to the rows

    // -1 when no row is selected.
    int ItemIndex() const;
    void SetItemIndex(int row);

    void SetStandardPicture(const QPixmap& picture) { standard_ = picture; }
    const QPixmap& StandardPicture() const { return standard_; }
    int RowHeight() const { return rowHeight_; }
    // The rows have no picture list at all: every row shows the red "X".
    void SetWithoutPictures(bool without) { withoutPictures_ = without; }
    bool WithoutPictures() const { return withoutPictures_; }

signals:
    // A row was picked by the mouse or the keyboard.
    void rowClicked();
    void rowDoubleClicked();

private:
    ReminderRowModel* model_;
    QPixmap standard_;
    int rowHeight_;
    bool withoutPictures_ = false;
};

}  // namespace kalvo::ui
