#include "notebook_window/NotebookWindow.h"

#include "dictionary/WordLookup.h"
#include "learner/LearnerRecord.h"
#include "learner/NotebookExport.h"
#include "learner/NotebookModel.h"
#include "platform/Speech.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace lesnor {
namespace {

const QString kFlashCards = QStringLiteral("抽认卡，制表符分隔 (*.txt)");
const QString kCsv = QStringLiteral("CSV 表格 (*.csv)");

} // namespace

NotebookWindow::NotebookWindow(LearnerRecord& record, ISpeech& speech, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , record_(record)
    , speech_(speech)
    , model_(new NotebookModel(record, this))
    , proxy_(new NotebookFilter(this))
    , table_(new QTableView(this))
    , filter_(new QLineEdit(this))
    , showMastered_(new QCheckBox(QStringLiteral("显示已掌握的"), this))
    , remove_(new QPushButton(QStringLiteral("删除"), this))
    , sentence_(new QLabel(this))
    , status_(new QLabel(this)) {
    setObjectName(QStringLiteral("NotebookWindow"));
    setWindowTitle(QStringLiteral("生词本"));
    resize(820, 520);

    proxy_->setSourceModel(model_);
    table_->setObjectName(QStringLiteral("words"));
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(NotebookModel::Last, Qt::DescendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(NotebookModel::Meaning, QHeaderView::Stretch);
    table_->horizontalHeader()->setMinimumSectionSize(40);

    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setPlaceholderText(QStringLiteral("筛选：单词、释义或例句"));
    filter_->setClearButtonEnabled(true);
    showMastered_->setObjectName(QStringLiteral("showMastered"));
    remove_->setObjectName(QStringLiteral("删除"));
    auto* exportButton = new QPushButton(QStringLiteral("导出…"), this);
    exportButton->setObjectName(QStringLiteral("导出"));
    sentence_->setObjectName(QStringLiteral("sentence"));
    sentence_->setTextFormat(Qt::RichText);
    sentence_->setWordWrap(true);
    sentence_->setMinimumHeight(sentence_->fontMetrics().height() * 2);
    status_->setObjectName(QStringLiteral("status"));

    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(showMastered_);
    top->addWidget(remove_);
    top->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(sentence_);
    layout->addWidget(status_);

    connect(filter_, &QLineEdit::textChanged, proxy_, &NotebookFilter::setText);
    connect(showMastered_, &QCheckBox::toggled, proxy_, &NotebookFilter::setShowMastered);
    connect(table_, &QTableView::activated, this,
            [this](const QModelIndex& index) { activateRow(index.row()); });
    remove_->setToolTip(QStringLiteral("删除所选的词（%1）")
                            .arg(QKeySequence(QKeySequence::Delete).toString(QKeySequence::NativeText)));
    connect(remove_, &QPushButton::clicked, this, &NotebookWindow::removeSelected);
    connect(exportButton, &QPushButton::clicked, this, &NotebookWindow::chooseExport);
    auto* del = new QShortcut(QKeySequence::Delete, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &NotebookWindow::removeSelected);
    connect(proxy_, &QAbstractItemModel::modelReset, this, &NotebookWindow::updateCount);
    connect(proxy_, &QAbstractItemModel::rowsInserted, this, &NotebookWindow::updateCount);
    connect(proxy_, &QAbstractItemModel::rowsRemoved, this, &NotebookWindow::updateCount);
    connect(proxy_, &QAbstractItemModel::layoutChanged, this, &NotebookWindow::updateCount);
    updateCount();
}

void NotebookWindow::open() {
    record_.reload();
    show();
    raise();
    activateWindow();
}

void NotebookWindow::updateCount() {
    status_->setText(
        QStringLiteral("共 %1 个单词，列出 %2 个").arg(model_->rowCount()).arg(proxy_->rowCount()));
}

void NotebookWindow::activateRow(int row) {
    const QModelIndex index = proxy_->index(row, 0);
    if (!index.isValid())
        return;
    const QString headword = index.data(NotebookModel::HeadwordRole).toString();
    speech_.Speak(headword, kSpeakFlags);
    const QString sentence = index.data(NotebookModel::SentenceRole).toString();
    const QString lesson = proxy_->index(row, NotebookModel::Lesson).data().toString();
    sentence_->setText(sentence.isEmpty()
                           ? QStringLiteral("<b>%1</b>：没有记下例句").arg(headword.toHtmlEscaped())
                           : sentence +
                                 (lesson.isEmpty() ? QString() : QStringLiteral("　（%1）").arg(lesson)));
}

void NotebookWindow::removeSelected() {
    QStringList headwords;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        headwords << index.data(NotebookModel::HeadwordRole).toString();
    for (const QString& headword : std::as_const(headwords))
        record_.record(change::Removed{headword});
}

bool NotebookWindow::exportTo(const QString& path, bool csv) {
    QList<NotebookWord> words;
    for (int row = 0; row < proxy_->rowCount(); ++row)
        words << model_->word(proxy_->mapToSource(proxy_->index(row, 0)).row());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(exportNotebook(words, csv ? ExportFormat::Csv : ExportFormat::FlashCards)) < 0 ||
        !file.commit()) {
        status_->setText(QStringLiteral("无法导出到 %1：%2").arg(path, file.errorString()));
        return false;
    }
    status_->setText(QStringLiteral("已导出 %1 个单词到 %2").arg(words.size()).arg(path));
    return true;
}

void NotebookWindow::chooseExport() {
    QString chosen = kFlashCards;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出生词本"),
                                                folder + QStringLiteral("/生词本.txt"),
                                                kFlashCards + QStringLiteral(";;") + kCsv, &chosen);
    if (path.isEmpty())
        return;
    const bool csv = chosen == kCsv;
    if (QFileInfo(path).suffix().isEmpty())
        path += csv ? QStringLiteral(".csv") : QStringLiteral(".txt");
    exportTo(path, csv);
}

} // namespace lesnor
