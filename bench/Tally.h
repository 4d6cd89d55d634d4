#pragma once

// What kx-bench --server checks of each client: that every answer it got is the answer
// to its own oldest unanswered query, so that none came from another client's question
// and none came out of order.

#include <QByteArray>
#include <QHash>
#include <QList>

#include <algorithm>
#include <deque>
#include <utility>

namespace kxbench {

class AnswerTally {
public:
    // `expected`: each query's answer, which nothing changes while the clients ask.
    explicit AnswerTally(QHash<QByteArray, QByteArray> expected = {})
        : expected_(std::move(expected)) {}

    void asked(const QByteArray& query) {
        waiting_.push_back(query);
        ++asked_;
    }
    // The next answer that came: right only when it is the answer to the oldest query
    // still waiting; one with no query waiting was never asked for.
    void answered(const QByteArray& answer) {
        if (waiting_.empty()) {
            ++unasked_;
            return;
        }
        const QByteArray query = waiting_.front();
        waiting_.pop_front();
        const auto it = expected_.constFind(query);
        if (it != expected_.cend() && *it == answer)
            ++right_;
        else
            ++wrong_;
    }

    qint64 askedCount() const { return asked_; }
    qint64 right() const { return right_; }
    qint64 wrong() const { return wrong_; }
    qint64 unasked() const { return unasked_; }
    qint64 waiting() const { return qint64(waiting_.size()); }
    // Answers came, every one the asker's own, in order, and none is missing.
    bool clean() const { return right_ > 0 && wrong_ == 0 && unasked_ == 0 && waiting_.empty(); }

private:
    QHash<QByteArray, QByteArray> expected_;
    std::deque<QByteArray> waiting_;
    qint64 asked_ = 0;
    qint64 right_ = 0;
    qint64 wrong_ = 0;
    qint64 unasked_ = 0;
};

// Of `candidates`, in their order, those whose answer (in `answers`) is not empty and
// no other candidate's: a misrouted answer to one of them cannot pass for its own.
inline QList<QByteArray> telling(const QList<QByteArray>& candidates,
                                 const QHash<QByteArray, QByteArray>& answers) {
    QList<QByteArray> kept;
    for (const QByteArray& q : candidates) {
        const QByteArray a = answers.value(q);
        if (a.isEmpty())
            continue;
        const bool shared =
            std::any_of(candidates.cbegin(), candidates.cend(), [&](const QByteArray& other) {
                return other != q && answers.value(other) == a;
            });
        if (!shared)
            kept << q;
    }
    return kept;
}

} // namespace kxbench
