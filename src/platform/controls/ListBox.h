#pragma once

#include <QByteArray>
#include <QListWidget>
#include <vector>

namespace zarovia::controls {

// A list box of byte-string items (paths in the platform's bytes), shown decoded. Items keep
// the order in which they were added.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    void clearItems();
    void addItems(const std::vector<QByteArray>& items);
    int itemCount() const { return static_cast<int>(items_.size()); }
    // Throws Failure("リストのインデックスが範囲を超えています (%d)") outside the list.
    const QByteArray& itemAt(int index) const;

private:
    std::vector<QByteArray> items_;
};

}  // namespace zarovia::controls
