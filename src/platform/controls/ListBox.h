#pragma once

#include "platform/NameList.h"

#include <QByteArray>
#include <QListView>

namespace zarovia::controls {

class NameListModel;

// A list box of byte-string items (paths in the platform's bytes), shown decoded. Its items
// are one prefix (a folder path) followed by each name of a compact name list, in the list's
// order; an item is decoded for display only when the view asks for it.
class ListBox : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    ~ListBox() override;
    void clearItems();
    void setItems(QByteArray prefix, NameList names);
    int itemCount() const;
    // Throws Failure("リストのインデックスが範囲を超えています (%d)") outside the list.
    QByteArray itemAt(int index) const;

private:
    NameListModel* model_;
};

}  // namespace zarovia::controls
