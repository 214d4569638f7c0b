#pragma once

#include "learner/Record.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

namespace lesnor {

class LearnerRecord;

// The notebook as a table for a view: one row per word, refreshed whenever the record
// changes. The "已掌握" column is a check box; ticking it records the change. SortRole
// gives each column's value to sort by (numbers and times as such).
class NotebookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Word, Phonetic, Meaning, Lesson, Count, Last, First, Mastered, ColumnCount };
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int SentenceRole = Qt::UserRole + 1; // the sentence, HTML with the word bold
    static constexpr int HeadwordRole = Qt::UserRole + 2;

    explicit NotebookModel(LearnerRecord& record, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    const NotebookWord& word(int row) const { return words_.at(row); }

private:
    void refresh();

    LearnerRecord& record_;
    QList<NotebookWord> words_;
};

// What the notebook window lists: words whose headword, meaning or sentence holds the
// filter text (letter case ignored), mastered ones only when asked.
class NotebookFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit NotebookFilter(QObject* parent = nullptr);
    void setText(const QString& text);
    void setShowMastered(bool show);

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    QString text_;
    bool showMastered_ = false;
};

} // namespace lesnor
