#include "framework/WControlBinder.h"

#include <stdexcept>

namespace orvanta {

void WControlBinder::check() const {
    if (missing_.empty()) return;
    std::string names;
    for (const std::string& name : missing_) names += (names.empty() ? "" : ", ") + name;
    throw std::logic_error(form_.formName().toStdString() + ": no control of the expected kind named " + names);
}

}  // namespace orvanta
