#pragma once

#include "lessons/Lesson.h"

#include <QString>

namespace lesnor {

class IFileOps;

// The two queries of a lesson, letter for letter (no blank after "from" nor before
// "and"); the values go in verbatim: catalogue captions never hold a quote.
QString LessonQuery(const QString& book, const QString& lessonCaption);
QString WordQuery(const QString& book, const QString& lessonCaption);

// The lesson number as the caption writes it: the caption with every "Lesson " taken
// out (exact, case-sensitive). "Lesson 10" gives "10".
QString lessonNumberText(const QString& lessonCaption);

// The stored recording of a lesson, "QLX" + book + "0" + number + ".dat" ("QLX1010.dat"
// for book 1 lesson 10: the "0" is fixed, whatever the number's length), and the name
// of its playable copy, the same with ".mp3".
QString lessonAudioName(const QString& book, const QString& lessonCaption);
QString lessonAudioCopyName(const QString& book, const QString& lessonCaption);

// Where the recording lies: the "语音库" folder inside the program's folder. "" when
// the program's folder is unknown, so that nothing is looked for relative to the
// current directory.
QString lessonAudioPath(const QString& programFolder, const QString& book, const QString& lessonCaption);
// The folder of the playable copies inside the data folder, and a copy's path there.
QString audioCopyFolder(const QString& dataFolder);
QString lessonAudioCopyPath(const QString& dataFolder, const QString& book, const QString& lessonCaption);

// Reads one lesson from the lesson database in `dataFolder`: its sentences in stored
// order into the four parallel lists, its vocabulary as "word /gloss" lines, its
// caption and the path of its recording. Nothing is cached: each call runs both
// queries afresh. A database that cannot be read gives a lesson without sentences or
// words (the caption and the recording's path are still set).
Lesson readLesson(const QString& book, const QString& lessonCaption, const QString& dataFolder,
                  const QString& programFolder);

// What the player is to be given for a lesson.
struct LessonAudio {
    QString playerUrl; // the playable copy; "" when the lesson has no recording
    bool playable = false;
    bool copyFailed = false; // the recording is there, but no copy could be made
};

// Makes the playable copy of a lesson's recording: when `lessonAudioFile` is a plain
// file, the copy folder is made (an existing one is fine) and the recording is copied
// to `copyPath`, replacing an earlier copy. The lesson counts as playable only when a
// copy is then actually there (the new one, or one an earlier load made of the same
// recording): a failed copy never leaves the read command pointing at nothing.
//
// A `holder` (a window) keeps one copy: when it takes another lesson's copy, the one it
// had goes, unless another holder still has it; so a long session never fills the
// data folder with copies.
LessonAudio prepareLessonAudio(const QString& lessonAudioFile, const QString& copyPath, IFileOps& files,
                               const void* holder = nullptr);
// The holder's copy goes (unless another holder has it); the holder is done.
void releaseLessonAudio(const void* holder, IFileOps& files);

} // namespace lesnor
