#include "ListBox.h"

#include "platform/CodePage.h"
#include "platform/Failure.h"

namespace zarovia::controls {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {}

void ListBox::clearItems() {
    items_.clear();
    clear();
}

void ListBox::addItems(const std::vector<QByteArray>& items) {
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(items.size()));
    for (const QByteArray& item : items) {
        items_.push_back(item);
        shown.append(decodeFileName(item));
    }
    QListWidget::addItems(shown);
}

const QByteArray& ListBox::itemAt(int index) const {
    if (index < 0 || index >= itemCount())
        throw Failure(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return items_[static_cast<size_t>(index)];
}

}  // namespace zarovia::controls
