#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace lesnor {

class ISpeech;
class LearnerRecord;
class NotebookFilter;
class NotebookModel;

// The word notebook "生词本": every word the learner looked up, with its phonetic,
// meaning, lesson, count and times. Sortable by any column (newest look-up first when it
// opens); the filter box keeps the words whose headword, meaning or sentence hold its
// text; a ticked "已掌握" hides a word unless "显示已掌握的" is ticked. A double click
// (or Return) speaks the word and shows the sentence it was met in; "删除" (or Delete)
// removes the selected words; "导出…" writes the words listed, in their order, for
// flash cards or as CSV. Every change goes to the record at once.
class NotebookWindow : public QWidget {
    Q_OBJECT
public:
    NotebookWindow(LearnerRecord& record, ISpeech& speech, QWidget* parent = nullptr);

    // Shows the window (raised when open) and reads the record again.
    void open();

    QTableView* table() const { return table_; }
    QLineEdit* filterBox() const { return filter_; }
    QCheckBox* showMasteredBox() const { return showMastered_; }
    QLabel* sentenceLabel() const { return sentence_; }
    NotebookFilter& listed() const { return *proxy_; }

    // The row of the list (in the order shown): speaks it and shows its sentence.
    void activateRow(int row);
    // Removes the selected words.
    void removeSelected();
    // Writes the words listed to `path`; false (and a message in the window) on failure.
    bool exportTo(const QString& path, bool csv);

private:
    void chooseExport();
    void updateCount();

    LearnerRecord& record_;
    ISpeech& speech_;
    NotebookModel* model_;
    NotebookFilter* proxy_;
    QTableView* table_;
    QLineEdit* filter_;
    QCheckBox* showMastered_;
    QPushButton* remove_;
    QLabel* sentence_;
    QLabel* status_;
};

} // namespace lesnor
