#include "lessons/Catalogue.h"
#include "lessons/LessonTitles.h"
#include "widgets/CatalogueMarks.h"
#include "widgets/CatalogueTree.h"

#include <QTest>
#include <QTreeWidget>

using namespace lesnor;

class TestLessonTitles : public QObject {
    Q_OBJECT

private slots:
    // Every lesson of the catalogue has both titles, and both trees show them as the
    // lesson node's tool tip while its caption stays "Lesson N".
    void everyLessonHasATitleInTheTree() {
        QTreeWidget tree;
        FillCatalogue(tree, {});
        QCOMPARE(tree.topLevelItemCount(), int(catalogueBooks().size()));
        for (int b = 0; b < tree.topLevelItemCount(); ++b) {
            QTreeWidgetItem* book = tree.topLevelItem(b);
            QVERIFY(book->toolTip(0).isEmpty());
            QCOMPARE(book->childCount(), catalogueBooks().at(b).lessonCount);
            for (int n = 1; n <= book->childCount(); ++n) {
                const LessonTitle title = lessonTitle(b + 1, n);
                const QString where = QStringLiteral("book %1 lesson %2").arg(b + 1).arg(n);
                QVERIFY2(!title.chinese.isEmpty() && !title.english.isEmpty(), qPrintable(where));
                QVERIFY2(!title.english.startsWith(QLatin1Char('#')) &&
                             !title.english.endsWith(QLatin1Char('.')),
                         qPrintable(where));
                QTreeWidgetItem* lesson = book->child(n - 1);
                QCOMPARE(lesson->text(0), lessonCaption(n));
                QCOMPARE(lesson->toolTip(0), title.chinese + QStringLiteral(" — ") + title.english);
            }
        }
    }

    // The learner's marks go under the title, never in its place.
    void progressMarksKeepTheTitle() {
        QTreeWidget tree;
        FillCatalogue(tree, {});
        LearnerSnapshot snapshot;
        snapshot.lessons.insert({1, 1}, LessonMarks{true, false, -1});
        markCatalogueProgress(tree, QIcon(), snapshot);
        QCOMPARE(tree.topLevelItem(0)->child(0)->toolTip(0),
                 lessonTitleTip(1, 1) + QStringLiteral("\n已读完"));
        QCOMPARE(tree.topLevelItem(0)->child(1)->toolTip(0), lessonTitleTip(1, 2));
    }

    void noTitleOutsideTheCatalogue() {
        for (auto [book, lesson] : {std::pair{0, 1}, {1, 0}, {1, 73}, {5, 1}, {-1, -1}}) {
            QVERIFY(lessonTitle(book, lesson).chinese.isEmpty());
            QVERIFY(lessonTitleTip(book, lesson).isEmpty());
        }
    }
};

QTEST_MAIN(TestLessonTitles)
#include "tst_lesson_titles.moc"
