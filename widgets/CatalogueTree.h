#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace lesnor {

// What the catalogue stores in each node besides its caption (column 0).
inline constexpr int NodeKeyRole = Qt::UserRole;       // "a".."d" on books; lessons have no key
inline constexpr int NodeImageRole = Qt::UserRole + 1; // 1 for a book, 2 for a lesson

// Fills `tree` with the four books at the root and their lessons as children, in
// ascending order, unsorted, all books collapsed and nothing selected; a lesson's tool
// tip is its title (lessonTitleTip). Image n of the
// catalogue is `imageList[n - 1]` (a missing image leaves the node without one). Both
// windows fill their own tree with this, once, when they load.
void FillCatalogue(QTreeWidget& tree, const QList<QIcon>& imageList);

// The look both windows give their tree: no header or frame, 16-pixel images, rows of
// one height; a double click does not open a book (a single click does, LoadLesson).
void styleCatalogueTree(QTreeWidget& tree);

// Return or Enter on the tree's current node runs `activate`, as a click on it does;
// with no current node the key goes to the tree as usual.
void activateOnReturn(QTreeWidget& tree, std::function<void()> activate);

// The node of lesson `lesson` (from 1) of book `book` (1 to 4), or nullptr.
QTreeWidgetItem* findLessonNode(const QTreeWidget& tree, int book, int lesson);

// The node with key `key`, or nullptr (lessons have no key, so they are never found).
QTreeWidgetItem* findNodeByKey(const QTreeWidget& tree, const QString& key);

} // namespace lesnor
