#pragma once
// Whole requests waiting for the serving thread, in one queue per user, taken from the users in
// turn, one each: a user with many requests waiting delays another user's request by at most
// one of its own. Both queues are bounded; what gives way is handed back to be closed unanswered.

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::win32 {

template <typename Request>
class UserTurns {
public:
    UserTurns(std::size_t maxPerUser, std::size_t maxInAll)
        : maxPerUser_(std::max<std::size_t>(1, maxPerUser)), maxInAll_(std::max<std::size_t>(1, maxInAll)) {}

    bool empty() const { return turns_.empty(); }

    // Files a request under its user; returns the requests that gave way. A user's requests
    // beyond its share push out that user's oldest: the newest says what the user wants now,
    // the oldest has waited longest and its client is the nearest to giving up. Past the limit
    // of all, the user with the most queued gives way.
    std::vector<Request> file(const std::string& user, Request request) {
        std::vector<Request> pushedOut;
        auto queue = queues_.try_emplace(user).first;
        if (queue->second.empty()) turns_.push_back(user);
        queue->second.push_back(std::move(request));
        ++queued_;
        if (queue->second.size() > maxPerUser_) pushedOut.push_back(takeOldestOf(queue));
        if (queued_ > maxInAll_) {
            const auto busiest = std::max_element(queues_.begin(), queues_.end(),
                                                  [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
            pushedOut.push_back(takeOldestOf(busiest));
        }
        return pushedOut;
    }

    // The oldest request of the user whose turn it is; that user's next waits for every other
    // user's turn.
    std::optional<Request> next() {
        if (turns_.empty()) return std::nullopt;
        std::string user = std::move(turns_.front());
        turns_.pop_front();
        const auto queue = queues_.find(user);
        Request request = std::move(queue->second.front());
        queue->second.pop_front();
        --queued_;
        if (queue->second.empty()) {
            queues_.erase(queue);
        } else {
            turns_.push_back(std::move(user));
        }
        return request;
    }

    // Everything still waiting, for closing.
    std::vector<Request> takeAll() {
        std::vector<Request> all;
        while (auto request = next()) all.push_back(std::move(*request));
        return all;
    }

private:
    using Queues = std::unordered_map<std::string, std::deque<Request>>;

    Request takeOldestOf(typename Queues::iterator queue) {
        Request oldest = std::move(queue->second.front());
        queue->second.pop_front();
        --queued_;
        if (queue->second.empty()) {
            turns_.erase(std::find(turns_.begin(), turns_.end(), queue->first));
            queues_.erase(queue);
        }
        return oldest;
    }

    std::size_t maxPerUser_;
    std::size_t maxInAll_;
    Queues queues_;                  // per user, oldest first
    std::deque<std::string> turns_;  // the users with requests queued, in the order they are served
    std::size_t queued_ = 0;
};

}  // namespace platform::win32
