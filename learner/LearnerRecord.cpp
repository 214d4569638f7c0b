#include "learner/LearnerRecord.h"

#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace lesnor {

struct LearnerRecord::Worker {
    struct Job {
        std::optional<RecordChange> change; // a save, else a load
        quint64 ticket = 0;
    };

    LearnerRecord* owner;
    StoreFactory openStore;
    std::unique_ptr<ILearnerStore> inlineStore;
    std::unique_ptr<QThread> thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Job> jobs;
    bool busy = false;
    bool stopping = false;

    // Runs on the store's thread; the results go to the owner's thread.
    void run(ILearnerStore& store, const Job& job) {
        if (job.change) {
            if (!store.save(*job.change))
                post([o = owner, text = store.problem()] { o->say(text); });
            return;
        }
        post([o = owner, ticket = job.ticket, s = store.load()] { o->loaded(ticket, s); });
    }

    template <class F> void post(F f) {
        if (!thread)
            f();
        else
            QMetaObject::invokeMethod(owner, std::move(f), Qt::QueuedConnection);
    }

    void announce(ILearnerStore& store) {
        const QString problem = store.problem();
        if (!problem.isEmpty())
            post([o = owner, problem] { o->say(problem); });
    }

    void loop() {
        std::unique_ptr<ILearnerStore> store = openStore();
        announce(*store);
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                busy = false;
                idle.notify_all();
                wake.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
                busy = true;
            }
            run(*store, job);
        }
    }

    void push(Job job) {
        if (!thread) {
            run(*inlineStore, job);
            return;
        }
        {
            std::lock_guard lock(mutex);
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }
};

LearnerRecord::LearnerRecord(StoreFactory openStore, Threading threading, QObject* parent)
    : QObject(parent)
    , worker_(std::make_unique<Worker>()) {
    worker_->owner = this;
    worker_->openStore = std::move(openStore);
    if (threading == Threading::Inline) {
        worker_->inlineStore = worker_->openStore();
        worker_->announce(*worker_->inlineStore);
    } else {
        worker_->busy = true; // opening
        worker_->thread.reset(QThread::create([w = worker_.get()] { w->loop(); }));
        worker_->thread->setObjectName(QStringLiteral("learner record"));
        worker_->thread->start(QThread::LowPriority);
    }
    worker_->push({std::nullopt, latestTicket_});
}

LearnerRecord::~LearnerRecord() {
    if (!worker_->thread)
        return;
    flush();
    {
        std::lock_guard lock(worker_->mutex);
        worker_->stopping = true;
    }
    worker_->wake.notify_one();
    worker_->thread->wait();
}

void LearnerRecord::record(const RecordChange& change) {
    applyChange(snapshot_, change);
    if (loadPending_)
        sinceLoad_.append(change);
    worker_->push({change, 0});
    emit changed();
}

void LearnerRecord::reload() {
    sinceLoad_.clear();
    loadPending_ = true;
    worker_->push({std::nullopt, ++latestTicket_});
}

bool LearnerRecord::flush(int milliseconds) {
    if (!worker_->thread)
        return true;
    std::unique_lock lock(worker_->mutex);
    return worker_->idle.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [w = worker_.get()] { return w->jobs.empty() && !w->busy; });
}

// A snapshot read before the latest reload was asked for is dropped: a newer one follows.
void LearnerRecord::loaded(quint64 ticket, const LearnerSnapshot& snapshot) {
    if (ticket != latestTicket_)
        return;
    snapshot_ = snapshot;
    for (const RecordChange& change : std::as_const(sinceLoad_))
        applyChange(snapshot_, change);
    sinceLoad_.clear();
    loadPending_ = false;
    loaded_ = true;
    emit changed();
}

void LearnerRecord::say(const QString& text) {
    if (text.isEmpty() || said_.contains(text))
        return;
    said_.insert(text);
    emit notice(text);
}

} // namespace lesnor
