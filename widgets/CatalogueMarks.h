#pragma once

#include "learner/Record.h"

#include <QIcon>

class QTreeWidget;

namespace lesnor {

// Shows the learner's progress in a catalogue tree filled by FillCatalogue: a lesson
// done carries its image with a small green check and, under its title
// (lessonTitleTip), its marks (lessonProgressTip); a book's tool tip counts its lessons
// done ("5/72"). Lessons not done keep `lessonImage` and their title alone as tool tip.
// Run again whenever the record changes.
void markCatalogueProgress(QTreeWidget& tree, const QIcon& lessonImage, const LearnerSnapshot& snapshot);

// `image` with a green check in its lower right corner.
QIcon withCheck(const QIcon& image);

} // namespace lesnor
