#pragma once
// A list box of reminder rows, each drawn by the shared row renderer, 30 pixels high, with the path of
// the row's picture kept beside its text. Rows are drawn only when visible, and may be made only when
// first shown, so long lists stay fast.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace kalvo::ui {

class ReminderRowModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The text and picture path of one row, made when the row is first asked for.
    using RowMaker = std::function<std::pair<QString, QString>(int row)>;

    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    void SetRows(QStringList rows, QStringList pictures);
    // `count` rows that `make` formats only as they are shown: a list of 100,000 shows a screenful.
    // A row, once made, keeps its text until the rows are set again.
    void SetLazyRows(int count, RowMaker make);
    void Append(const QString& row, const QString& picture);

    const QStringList& Rows() const;
    const QStringList& Pictures() const;

private:
    void Make(int row) const;
    void MakeAll() const;

    mutable QStringList rows_;
    mutable QStringList pictures_;
    RowMaker make_;
    mutable std::vector<bool> made_;  // with a maker: the rows already made
    mutable int unmade_ = 0;
};

class ReminderListBox : public QListView {
    Q_OBJECT
public:
    explicit ReminderListBox(QWidget* parent = nullptr, int rowHeight = 30);

    void AddRow(const QString& text, const QString& picture);
    // Replaces every row at once.
    void SetRows(QStringList rows, QStringList pictures);
    void SetLazyRows(int count, ReminderRowModel::RowMaker make);
    void ClearRows();
    int Count() const { return model_->rowCount(); }
    // Every row's text and picture; rows not yet shown are made now.
    const QStringList& Rows() const { return model_->Rows(); }
    const QStringList& Pictures() const { return model_->Pictures(); }  // parallel to the rows

    // -1 when no row is selected.
    int ItemIndex() const;
    void SetItemIndex(int row);

    void SetStandardPicture(const QPixmap& picture) { standard_ = picture; }
    const QPixmap& StandardPicture() const { return standard_; }
    int RowHeight() const { return rowHeight_; }

signals:
    // A row was picked by the mouse or the keyboard.
    void rowClicked();
    void rowDoubleClicked();

private:
    ReminderRowModel* model_;
    QPixmap standard_;
    int rowHeight_;
};

}  // namespace kalvo::ui
