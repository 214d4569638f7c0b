#pragma once

#include <QString>

namespace lesnor {

class Form1;

// A check an installation can run without a person at the screen: with
// LESNOR_CHECK_LESSON set to "<book>/<lesson>" (e.g. "1/1"), the program opens that
// lesson in the shown window as a click on its node would, prints one line
//   lesson check: book 1 Lesson 1: 11 sentences, read enabled
// and ends: when the lesson has sentences and its read command is enabled (its
// recording was found) through the window's close, which removes the data files and
// ends with status 0; otherwise at once with status 1. Returns false when the variable
// is not set.
bool runLessonCheckIfAsked(Form1& form);

// The check itself, for `which` ("<book>/<lesson>"); the line it prints is returned in
// `report`. True when the lesson loaded with sentences and an enabled read command.
bool checkLesson(Form1& form, const QString& which, QString* report);

} // namespace lesnor
