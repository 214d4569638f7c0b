#include "lessons/LessonLoader.h"

#include "lessons/Recordset.h"
#include "platform/FileOps.h"
#include "resources/Installation.h"

#include <QFileInfo>
#include <QHash>

namespace lesnor {
namespace {

QString query(const char* table, const QString& book, const QString& lessonCaption) {
    return QStringLiteral("select * from[") + QString::fromUtf8(table) + QStringLiteral("] where [册别] ='") +
           book + QStringLiteral("'and [课别] ='") + lessonCaption + QStringLiteral("'");
}

QString audioBaseName(const QString& book, const QString& lessonCaption) {
    return QStringLiteral("QLX") + book + QLatin1Char('0') + lessonNumberText(lessonCaption);
}

// Runs one query in the fixed reading sequence (open, requery, read to the end,
// close) and hands each row to `row`.
template <class RowFn> void readRows(const QString& source, const QString& dataFolder, RowFn row) {
    Recordset rs;
    if (!rs.open(source, lessonConnectionString(dataFolder)))
        return;
    rs.requery();
    while (!rs.atEnd()) {
        row(rs);
        rs.moveNext();
    }
    rs.close();
}

} // namespace

QString LessonQuery(const QString& book, const QString& lessonCaption) {
    return query("句库", book, lessonCaption);
}

QString WordQuery(const QString& book, const QString& lessonCaption) {
    return query("单词", book, lessonCaption);
}

QString lessonNumberText(const QString& lessonCaption) {
    QString n = lessonCaption;
    return n.remove(QStringLiteral("Lesson "), Qt::CaseSensitive);
}

QString lessonAudioName(const QString& book, const QString& lessonCaption) {
    return audioBaseName(book, lessonCaption) + QStringLiteral(".dat");
}

QString lessonAudioCopyName(const QString& book, const QString& lessonCaption) {
    return audioBaseName(book, lessonCaption) + QStringLiteral(".mp3");
}

QString lessonAudioPath(const QString& programFolder, const QString& book, const QString& lessonCaption) {
    if (programFolder.isEmpty())
        return {};
    QString folder = programFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("语音库/") + lessonAudioName(book, lessonCaption);
}

QString audioCopyFolder(const QString& dataFolder) {
    return dataPath(dataFolder, files::audioCopies);
}

QString lessonAudioCopyPath(const QString& dataFolder, const QString& book, const QString& lessonCaption) {
    if (dataFolder.isEmpty())
        return {}; // no private data folder: never copy to the file system's root
    return audioCopyFolder(dataFolder) + QLatin1Char('/') + lessonAudioCopyName(book, lessonCaption);
}

Lesson readLesson(const QString& book, const QString& lessonCaption, const QString& dataFolder,
                  const QString& programFolder) {
    Lesson lesson;
    lesson.caption = lessonCaption;
    lesson.LessonAudioFile = lessonAudioPath(programFolder, book, lessonCaption);
    readRows(LessonQuery(book, lessonCaption), dataFolder, [&lesson](const Recordset& rs) {
        lesson.List1 << rs.value(QStringLiteral("句子"));
        lesson.List2 << rs.value(QStringLiteral("中文"));
        lesson.List3 << rs.value(QStringLiteral("开始时间"));
        lesson.List4 << rs.value(QStringLiteral("结束时间"));
    });
    readRows(WordQuery(book, lessonCaption), dataFolder, [&lesson](const Recordset& rs) {
        lesson.wordLines << rs.value(QStringLiteral("单词")) + QStringLiteral(" /") +
                                rs.value(QStringLiteral("中文"));
    });
    return lesson;
}

namespace {

// The copy each holder has, by holder.
QHash<const void*, QString>& heldCopies() {
    static QHash<const void*, QString> held;
    return held;
}

// Forgets the holder's copy and removes it when no other holder has it.
void dropHeldCopy(const void* holder, IFileOps& files) {
    const QString old = heldCopies().take(holder);
    if (!old.isEmpty() && !heldCopies().values().contains(old))
        files.deleteFile(old);
}

} // namespace

LessonAudio prepareLessonAudio(const QString& lessonAudioFile, const QString& copyPath, IFileOps& files,
                               const void* holder) {
    if (holder && heldCopies().value(holder) != copyPath)
        dropHeldCopy(holder, files);
    if (lessonAudioFile.isEmpty() || copyPath.isEmpty() || !files.isPlainFile(lessonAudioFile))
        return {};
    // Made afresh each time: an existing folder is fine, anything else of its name
    // (a file, a link) is replaced by a real folder.
    files.makeFolder(QFileInfo(copyPath).path());
    files.copyFile(lessonAudioFile, copyPath);
    if (!files.isPlainFile(copyPath))
        return {QString(), false, true};
    if (holder)
        heldCopies().insert(holder, copyPath);
    return {copyPath, true};
}

void releaseLessonAudio(const void* holder, IFileOps& files) {
    dropHeldCopy(holder, files);
}

} // namespace lesnor
