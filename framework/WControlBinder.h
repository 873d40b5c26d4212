#pragma once
// Looks a form's controls up once, by the names of its layout table, into
// typed pointers that the form's code keeps. Every control that is missing
// or of another kind than its pointer is collected, and check() reports them
// all in one error, so that a table and its code that disagree are found
// when the form is built, never when a handler runs.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "framework/WForm.h"

namespace orvanta {

class WControlBinder {
public:
    explicit WControlBinder(const WForm& form) : form_(form) {}

    // The control `name` as T into `slot`; nullptr, and noted, when the
    // table has no such control of that kind.
    template <typename T>
    WControlBinder& bind(T*& slot, const char* name) {
        slot = dynamic_cast<T*>(form_.control(name));
        if (!slot) missing_.emplace_back(name);
        return *this;
    }
    // A group of controls handled alike, in the order named.
    template <typename T, std::size_t N>
    WControlBinder& bind(std::array<T*, N>& targets, const std::array<const char*, N>& names) {
        for (std::size_t i = 0; i < N; ++i) bind(targets[i], names[i]);
        return *this;
    }

    // Throws std::logic_error naming the form and every control noted;
    // returns when all were found.
    void check() const;

private:
    const WForm& form_;
    std::vector<std::string> missing_;
};

}  // namespace orvanta
