#include "widgets/CatalogueTree.h"

#include "lessons/Catalogue.h"
#include "lessons/LessonTitles.h"

#include <QKeyEvent>
#include <QTreeWidget>

namespace lesnor {
namespace {

QTreeWidgetItem* makeNode(const QString& caption, int image, const QList<QIcon>& imageList) {
    auto* node = new QTreeWidgetItem(QStringList{caption});
    node->setData(0, NodeImageRole, image);
    if (image >= 1 && image <= imageList.size())
        node->setIcon(0, imageList.at(image - 1));
    return node;
}

} // namespace

void FillCatalogue(QTreeWidget& tree, const QList<QIcon>& imageList) {
    QList<QTreeWidgetItem*> books;
    int bookNumber = 0;
    for (const CatalogueBook& book : catalogueBooks()) {
        ++bookNumber;
        QTreeWidgetItem* node = makeNode(book.caption, 1, imageList);
        node->setData(0, NodeKeyRole, book.key);
        int lessonNumber = 0;
        for (const QString& caption : lessonCaptions(book)) {
            QTreeWidgetItem* lesson = makeNode(caption, 2, imageList);
            lesson->setToolTip(0, lessonTitleTip(bookNumber, ++lessonNumber));
            node->addChild(lesson);
        }
        books << node;
    }
    tree.addTopLevelItems(books);
    // No node is current until the learner chooses one: without this the tree would
    // make its first book current when it first takes the focus (and Return would open
    // it).
    tree.setCurrentItem(nullptr);
}

void styleCatalogueTree(QTreeWidget& tree) {
    tree.setHeaderHidden(true);
    tree.setFrameShape(QFrame::NoFrame);
    tree.setIconSize(QSize(16, 16));
    tree.setExpandsOnDoubleClick(false);
    tree.setUniformRowHeights(true);
    tree.setIndentation(18);
}

QTreeWidgetItem* findLessonNode(const QTreeWidget& tree, int book, int lesson) {
    QTreeWidgetItem* bookNode = tree.topLevelItem(book - 1);
    return bookNode && lesson >= 1 ? bookNode->child(lesson - 1) : nullptr;
}

QTreeWidgetItem* findNodeByKey(const QTreeWidget& tree, const QString& key) {
    if (key.isEmpty())
        return nullptr;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* book = tree.topLevelItem(i);
        if (book->data(0, NodeKeyRole).toString() == key)
            return book;
    }
    return nullptr;
}

namespace {

// Turns Return and Enter on the current node into the tree's activation.
class ReturnActivates : public QObject {
public:
    ReturnActivates(QTreeWidget& tree, std::function<void()> activate)
        : QObject(&tree)
        , tree_(tree)
        , activate_(std::move(activate)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && tree_.currentItem()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                activate_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTreeWidget& tree_;
    std::function<void()> activate_;
};

} // namespace

void activateOnReturn(QTreeWidget& tree, std::function<void()> activate) {
    tree.installEventFilter(new ReturnActivates(tree, std::move(activate)));
}

} // namespace lesnor
