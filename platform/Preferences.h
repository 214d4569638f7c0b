#pragma once

#include <QString>
#include <QVariant>

namespace lesnor {

// The learner's choices that outlive a run (how answers are compared, whether the
// translation shows), kept per user.
class IPreferences {
public:
    virtual ~IPreferences() = default;
    // The stored value of `key`; an invalid QVariant when there is none or the store
    // cannot be read.
    virtual QVariant value(const QString& key) const = 0;
    // Stores `value` at once: a kill right after this loses nothing.
    virtual void setValue(const QString& key, const QVariant& value) = 0;
};

} // namespace lesnor
