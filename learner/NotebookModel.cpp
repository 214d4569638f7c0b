#include "learner/NotebookModel.h"

#include "learner/LearnerRecord.h"
#include "learner/NotebookExport.h"

namespace lesnor {

NotebookModel::NotebookModel(LearnerRecord& record, QObject* parent)
    : QAbstractTableModel(parent)
    , record_(record) {
    connect(&record_, &LearnerRecord::changed, this, &NotebookModel::refresh);
    refresh();
}

void NotebookModel::refresh() {
    QList<NotebookWord> words = notebookWords(record_.snapshot(), true);
    if (words == words_)
        return;
    beginResetModel();
    words_ = std::move(words);
    endResetModel();
}

int NotebookModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(words_.size());
}

int NotebookModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant NotebookModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= words_.size())
        return {};
    const NotebookWord& w = words_.at(index.row());
    if (role == SentenceRole)
        return sentenceWithBoldWord(w.sentence, w.form, w.headword);
    if (role == HeadwordRole)
        return w.headword;
    if (role == Qt::CheckStateRole && index.column() == Mastered)
        return w.mastered ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole && index.column() == Meaning)
        return w.meaning;
    if (role != Qt::DisplayRole && role != SortRole)
        return {};
    const bool sorting = role == SortRole;
    switch (index.column()) {
    case Word:
        return sorting ? QVariant(w.headword.toLower()) : QVariant(w.headword);
    case Phonetic:
        return w.phonetic;
    case Meaning:
        return w.meaning;
    case Lesson:
        return sorting ? QVariant(w.lesson.book * 1000 + w.lesson.lesson) : QVariant(lessonName(w.lesson));
    case Count:
        return w.count;
    case Last:
        return sorting ? QVariant(w.last)
                       : QVariant(w.last.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    case First:
        return sorting ? QVariant(w.first)
                       : QVariant(w.first.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    default:
        return {};
    }
}

QVariant NotebookModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"单词", "音标",     "释义",     "课文",
                                         "次数", "最近查询", "首次查询", "已掌握"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QString();
}

Qt::ItemFlags NotebookModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == Mastered)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool NotebookModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != Mastered || role != Qt::CheckStateRole)
        return false;
    const bool mastered = value.toInt() == Qt::Checked;
    record_.record(change::Mastered{words_.at(index.row()).headword, mastered});
    return true;
}

NotebookFilter::NotebookFilter(QObject* parent)
    : QSortFilterProxyModel(parent) {
    setSortRole(NotebookModel::SortRole);
    setDynamicSortFilter(true);
}

void NotebookFilter::setText(const QString& text) {
    text_ = text.trimmed();
    invalidateFilter();
}

void NotebookFilter::setShowMastered(bool show) {
    showMastered_ = show;
    invalidateFilter();
}

bool NotebookFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
    const auto* model = qobject_cast<const NotebookModel*>(sourceModel());
    if (!model || parent.isValid())
        return false;
    const NotebookWord& w = model->word(row);
    if (w.mastered && !showMastered_)
        return false;
    return text_.isEmpty() || w.headword.contains(text_, Qt::CaseInsensitive) ||
           w.meaning.contains(text_, Qt::CaseInsensitive) || w.sentence.contains(text_, Qt::CaseInsensitive);
}

} // namespace lesnor
