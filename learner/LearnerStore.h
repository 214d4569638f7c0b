#pragma once

#include "learner/Record.h"

#include <QString>

namespace lesnor {

// Where the learner's record is kept. One instance is used from one thread only.
//
// A store that cannot save (a read-only folder, a full disk, a file from a newer
// program) still answers load() with what it could read, and save() returns false;
// problem() then says why, in words for the learner. A store never throws and never
// ends the program.
class ILearnerStore {
public:
    virtual ~ILearnerStore() = default;

    // Everything the store holds now (other programs' saves included).
    virtual LearnerSnapshot load() = 0;
    // Saves one change as one transaction: on true it is kept, whatever happens next.
    virtual bool save(const RecordChange& change) = 0;
    // What the learner is to be told once: why nothing is saved, or what was done with
    // a file that could not be used. "" when all is well.
    virtual QString problem() const = 0;
};

} // namespace lesnor
