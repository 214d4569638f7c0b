#pragma once

namespace lesnor {

// What follows the end of a sentence, when something other than the plain behaviour is
// wanted (one play of a sentence alone; one second's rest between the sentences of the
// whole-lesson reading). SentenceController asks it each time a sentence has ended.
class IReadingSteps {
public:
    struct After {
        // Play the same sentence again after `delayMs`; otherwise the reading goes on
        // to the next sentence after `delayMs` (a sentence played alone just stops).
        bool replay = false;
        int delayMs = 1000;
    };

    virtual ~IReadingSteps() = default;

    // Sentence `index` has just ended its `plays`-th play in a row (1 for the first);
    // `seconds` is its length in the recording, `continuous` true while the whole
    // lesson is read.
    virtual After afterSentence(int index, int plays, double seconds, bool continuous) const = 0;
};

} // namespace lesnor
