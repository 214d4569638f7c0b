#pragma once

#include "learner/LearnerStore.h"

#include <memory>

namespace lesnor::test {

// The learner's record in memory. The data outlives the store, as a file would: tests
// keep `data` and open new stores on it. While `failSaves` is set every save fails and
// problem() says so.
class FakeLearnerStore final : public ILearnerStore {
public:
    struct Data {
        LearnerSnapshot snapshot;
        bool failSaves = false;
        QString openProblem;
        int saves = 0;
    };

    explicit FakeLearnerStore(std::shared_ptr<Data> data)
        : data_(std::move(data))
        , problem_(data_->openProblem) {}

    LearnerSnapshot load() override { return data_->snapshot; }
    bool save(const RecordChange& change) override {
        if (data_->failSaves) {
            problem_ = QStringLiteral("学习记录无法保存（磁盘已满），本次的学习记录不会保留");
            return false;
        }
        ++data_->saves;
        applyChange(data_->snapshot, change);
        return true;
    }
    QString problem() const override { return problem_; }

private:
    std::shared_ptr<Data> data_;
    QString problem_;
};

} // namespace lesnor::test
