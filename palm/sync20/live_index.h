// Positions of the records still present in a database whose records are
// removed one by one: index -> position and position -> index in O(log n),
// so that deleting n records costs O(n log n) rather than O(n^2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace palm {

class LiveIndex {
  public:
    // n positions, all present.
    void Reset(size_t n) {
        live_.assign(n, 1);
        count_ = n;
        Rebuild(n < 16 ? 16 : n);
    }
    // A new position at the end, present.
    void Append() {
        if (live_.size() == capacity_) {
            live_.push_back(1);
            Rebuild(capacity_ * 2);
        } else {
            live_.push_back(1);
            Add(live_.size() - 1, 1);
        }
        ++count_;
    }
    void Remove(size_t pos) {
        if (pos >= live_.size() || !live_[pos]) return;
        live_[pos] = 0;
        Add(pos, -1);
        --count_;
    }
    bool IsLive(size_t pos) const { return pos < live_.size() && live_[pos]; }
    size_t Count() const { return count_; }
    size_t Size() const { return live_.size(); }
    // Position of the index-th present entry (index < Count()).
    size_t Find(size_t index) const {
        size_t pos = 0;
        int64_t remaining = static_cast<int64_t>(index) + 1;
        for (size_t step = top_; step > 0; step >>= 1) {
            if (pos + step <= capacity_ && tree_[pos + step] < remaining) {
                pos += step;
                remaining -= tree_[pos];
            }
        }
        return pos;
    }
    // Number of present entries before position pos.
    size_t Rank(size_t pos) const {
        int64_t sum = 0;
        for (size_t i = pos; i > 0; i -= i & (~i + 1)) sum += tree_[i];
        return static_cast<size_t>(sum);
    }

  private:
    void Add(size_t pos, int delta) {
        for (size_t i = pos + 1; i <= capacity_; i += i & (~i + 1)) tree_[i] += delta;
    }
    void Rebuild(size_t capacity) {
        capacity_ = capacity;
        tree_.assign(capacity_ + 1, 0);
        for (size_t i = 1; i <= capacity_; ++i) {
            tree_[i] += i <= live_.size() ? live_[i - 1] : 0;
            size_t parent = i + (i & (~i + 1));
            if (parent <= capacity_) tree_[parent] += tree_[i];
        }
        top_ = 1;
        while (top_ * 2 <= capacity_) top_ *= 2;
    }

    std::vector<uint8_t> live_;
    std::vector<int64_t> tree_;  // Fenwick tree over live_, 1-based
    size_t capacity_ = 0;
    size_t top_ = 1;
    size_t count_ = 0;
};

}  // namespace palm
