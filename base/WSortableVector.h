#pragma once
// A vector that can be sorted with a caller's comparison. The picture list is
// a WSortableVector of WFilePath whose storage is reserved once at its exact
// size, so sorting moves elements inside that one block.
#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <vector>

namespace orvanta {

template <typename T>
class WSortableVector {
public:
    // Reserves room for exactly n entries; false when the allocation fails.
    bool reserve(std::size_t n) {
        try {
            items_.reserve(n);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const std::length_error&) {
            return false;
        }
    }
    void append(T item) { items_.push_back(std::move(item)); }
    void clear() { items_.clear(); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    std::size_t capacity() const { return items_.capacity(); }
    T& operator[](std::size_t i) { return items_[i]; }
    const T& operator[](std::size_t i) const { return items_[i]; }
    // Sorts with less(a, b) -> bool.
    template <typename Less>
    void sort(Less less) {
        std::sort(items_.begin(), items_.end(), less);
    }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T> items_;
};

}  // namespace orvanta
