#pragma once
// A named event of a form or control. Handlers run in the order they were
// connected until one returns true ("handled"); raise() reports whether one
// did, so the caller can skip its default processing.
#include <functional>
#include <utility>
#include <vector>

namespace orvanta {

template <typename... Args>
class WEvent {
public:
    using Handler = std::function<bool(Args...)>;

    int connect(Handler handler) {
        handlers_.emplace_back(++lastId_, std::move(handler));
        return lastId_;
    }
    void disconnect(int id) {
        std::erase_if(handlers_, [id](const auto& entry) { return entry.first == id; });
    }
    void disconnectAll() { handlers_.clear(); }
    bool connected() const { return !handlers_.empty(); }

    bool raise(Args... args) {
        // A handler may disconnect handlers (or destroy the form's state); work on a copy.
        const auto handlers = handlers_;
        for (const auto& entry : handlers)
            if (entry.second(args...)) return true;
        return false;
    }

private:
    std::vector<std::pair<int, Handler>> handlers_;
    int lastId_ = 0;
};

}  // namespace orvanta
