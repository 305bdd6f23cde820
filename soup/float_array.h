// The growable array of floats that carries float lists in and out of soups.
#pragma once

#include <cstdint>
#include <vector>

class FloatArray {
public:
    int32_t Count() const { return int32_t(items_.size()); }
    int32_t Capacity() const { return int32_t(items_.capacity()); }
    bool IsEmpty() const { return items_.empty(); }
    float operator[](int32_t index) const { return items_[size_t(index)]; }
    float& operator[](int32_t index) { return items_[size_t(index)]; }
    const float* Data() const { return items_.data(); }

    void Add(float value)
    {
        // Capacity grows in multiples of 8.
        if (items_.size() == items_.capacity())
            items_.reserve((items_.size() / 8 + 1) * 8);
        items_.push_back(value);
    }
    void Clear() { items_.clear(); }

private:
    std::vector<float> items_;
};
