#include "lessons/LessonNotices.h"

#include "lessons/Lesson.h"
#include "lessons/LessonLoader.h"
#include "resources/Installation.h"

#include <QFileInfo>

namespace lesnor::notices {
namespace {

// Room the lesson database needs (it is under 1 MB).
constexpr qint64 kDatabaseRoom = 1 << 20;

} // namespace

QString writeCause(IFileOps& files, const QString& folder, qint64 needed) {
    return describe(files.writeProblem(folder, needed));
}

QString lessonLoad(const Lesson& lesson, const LessonAudio& audio, const QString& dataFolder, IFileOps& files,
                   const QString& cannotUse) {
    if (lesson.caption.isEmpty())
        return {};
    if (dataFolder.isEmpty())
        return QStringLiteral("没有可用的临时文件夹，课文无法打开");
    const QString database = dataPath(dataFolder, files::database);
    if (lesson.isEmpty() && !files.isPlainFile(database))
        return QStringLiteral("课文数据没能写入临时文件夹（%1），课文无法打开")
            .arg(writeCause(files, dataFolder, kDatabaseRoom));
    if (audio.copyFailed)
        return QStringLiteral("本课录音没能复制到临时文件夹（%1），%2")
            .arg(writeCause(files, dataFolder, QFileInfo(lesson.LessonAudioFile).size()), cannotUse);
    return {};
}

} // namespace lesnor::notices
