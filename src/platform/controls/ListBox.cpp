#include "ListBox.h"

#include "platform/CodePage.h"
#include "platform/Failure.h"

#include <QAbstractListModel>

namespace zarovia::controls {

class NameListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void reset(QByteArray prefix, NameList names) {
        beginResetModel();
        prefix_ = std::move(prefix);
        names_ = std::move(names);
        endResetModel();
    }
    int count() const { return static_cast<int>(names_.size()); }
    QByteArray item(int row) const { return names_.joined(prefix_, static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : count();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= count()) return {};
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        return decodeFileName(item(index.row()));
    }

private:
    QByteArray prefix_;
    NameList names_;
};

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new NameListModel(this)) {
    // Every row has the height of one line of text: the view never measures the names.
    setUniformItemSizes(true);
    setModel(model_);
}

ListBox::~ListBox() = default;

void ListBox::clearItems() {
    model_->reset({}, {});
}

void ListBox::setItems(QByteArray prefix, NameList names) {
    model_->reset(std::move(prefix), std::move(names));
}

int ListBox::itemCount() const {
    return model_->count();
}

QByteArray ListBox::itemAt(int index) const {
    if (index < 0 || index >= itemCount())
        throw Failure(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return model_->item(index);
}

}  // namespace zarovia::controls
