#pragma once

#include "platform/FileOps.h"

#include <QString>

namespace lesnor {

struct Lesson;
struct LessonAudio;

// What the notice line tells when the data folder let a lesson down, with the real
// cause: no data folder at all, no space left in it, or a folder that cannot be written.
// "" when nothing went wrong.
namespace notices {

// "临时文件夹的磁盘空间不足" and the like: the cause of a failed write in `folder`.
QString writeCause(IFileOps& files, const QString& folder, qint64 needed);

// A lesson chosen in a window: its text did not load because the lesson database is
// missing from the data folder, or its recording is there but could not be copied
// (`cannotUse` ends that sentence: "无法朗读", "无法听写").
QString lessonLoad(const Lesson& lesson, const LessonAudio& audio, const QString& dataFolder, IFileOps& files,
                   const QString& cannotUse);

} // namespace notices
} // namespace lesnor
